#!/usr/bin/env bash
# Builds the native fuzz targets of the format readers (host clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each a bounded number
# of times; any crash, hang or sanitizer report fails the run.
# Usage: fuzz/run.sh OUT_DIR [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: run.sh OUT_DIR [RUNS]}
runs=${2:-20000}
mkdir -p "$out/html_corpus" "$out/html_work"

# The native build leaves out the window-bound classes (bitmaps, panels) that
# the engine only points at, so the vptr check, which needs their type
# information, is off.
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize=vptr -fno-sanitize-recover=undefined -I "$root/src")
html_sources=("$root"/src/html/*.cpp "$root/src/framework/classes.cpp" "$root/src/framework/cp1251.cpp"
              "$root/src/framework/sysutils_text.cpp")
# The engine's sources are compiled once, side by side, and linked into both
# HTML targets.
mkdir -p "$out/obj"
pids=()
for source in "${html_sources[@]}"; do
    clang++ "${flags[@]/-fsanitize=fuzzer,/-fsanitize=fuzzer-no-link,}" -c "$source" \
        -o "$out/obj/$(basename "$source" .cpp).o" &
    pids+=($!)
    if ((${#pids[@]} >= $(nproc))); then
        wait "${pids[0]}"
        pids=("${pids[@]:1}")
    fi
done
for pid in "${pids[@]}"; do wait "$pid"; done
html_core=()
for source in "${html_sources[@]}"; do html_core+=("$out/obj/$(basename "$source" .cpp).o"); done
clang++ "${flags[@]}" "$root/fuzz/html_fuzz.cpp" "${html_core[@]}" -o "$out/html_fuzz"
# Seeds: the sample dictionary's pages.
python3 "$root/tools/make_dictionary.py" "$out/dictionary" >/dev/null
cp "$out/dictionary/voc.hd" "$out/dictionary/osnov.htm" "$out/html_corpus/"
"$out/html_fuzz" -runs="$runs" -timeout=10 -rss_limit_mb=2048 "$out/html_work" "$out/html_corpus" 2>"$out/html_fuzz.log" \
    || { tail -50 "$out/html_fuzz.log"; exit 1; }

# The HTML reader and its entries, on the same seeds.
mkdir -p "$out/parser_corpus" "$out/parser_work"
clang++ "${flags[@]}" "$root/fuzz/parser_fuzz.cpp" "${html_core[@]}" -o "$out/parser_fuzz"
cp "$out/html_corpus/"* "$out/parser_corpus/"
"$out/parser_fuzz" -runs="$runs" -timeout=10 -rss_limit_mb=2048 "$out/parser_work" "$out/parser_corpus" \
    2>"$out/parser_fuzz.log" || { tail -50 "$out/parser_fuzz.log"; exit 1; }

# The colour scheme reader, with the BMP reader on the pictures it finds.
# Seeds: the sample dictionary's schemes.
mkdir -p "$out/scheme_corpus" "$out/scheme_work"
clang++ "${flags[@]}" "$root/fuzz/scheme_fuzz.cpp" "$root/src/shell/scheme_file.cpp" "$root/src/framework/bitmap_file.cpp" \
    "$root/src/framework/streams.cpp" "$root/src/framework/classes.cpp" "$root/src/framework/sysutils_text.cpp" \
    -o "$out/scheme_fuzz"
cp "$out"/dictionary/schema/*.sch "$out/scheme_corpus/"
"$out/scheme_fuzz" -runs="$runs" -timeout=10 -rss_limit_mb=2048 "$out/scheme_work" "$out/scheme_corpus" 2>"$out/scheme_fuzz.log" \
    || { tail -50 "$out/scheme_fuzz.log"; exit 1; }

# The article word scan and hit marking. Seeds: the sample's articles.
mkdir -p "$out/article_corpus" "$out/article_work"
clang++ "${flags[@]}" "$root/fuzz/article_fuzz.cpp" "$root/src/shell/article_page.cpp" -o "$out/article_fuzz"
cp "$out/dictionary/voc.dat" "$out/article_corpus/"
"$out/article_fuzz" -runs="$runs" -timeout=10 -rss_limit_mb=2048 -max_len=65536 "$out/article_work" "$out/article_corpus" \
    2>"$out/article_fuzz.log" || { tail -50 "$out/article_fuzz.log"; exit 1; }

# The ini text reader and writer. Seeds: the sample voc.ini, behind the section,
# key and value the target writes (each ended by "\ ").
mkdir -p "$out/ini_corpus" "$out/ini_work"
clang++ "${flags[@]}" "$root/fuzz/ini_fuzz.cpp" "$root/src/framework/ini_text.cpp" "$root/src/framework/cp1251.cpp" \
    "$root/src/framework/sysutils_text.cpp" -o "$out/ini_fuzz"
cp "$out/dictionary/voc.ini" "$out/ini_corpus/"
{ printf 'Description\\ Title\\ x\\ '; cat "$out/dictionary/voc.ini"; } >"$out/ini_corpus/voc_write.ini"
"$out/ini_fuzz" -runs="$runs" -timeout=10 -rss_limit_mb=2048 "$out/ini_work" "$out/ini_corpus" 2>"$out/ini_fuzz.log" \
    || { tail -50 "$out/ini_fuzz.log"; exit 1; }

# The word files of the word search and its pattern matcher. Seeds: the sample's
# word list behind a pattern length of 3 and the pattern "*ИЯ".
mkdir -p "$out/words_corpus" "$out/words_work"
clang++ "${flags[@]}" "$root/fuzz/words_fuzz.cpp" "$root/src/shell/word_pattern.cpp" -o "$out/words_fuzz"
{ printf '\003*\310\337'; head -c 3000 "$out/dictionary/allvurts.dat"; head -c 1000 "$out/dictionary/allvurts.ind"; } \
    >"$out/words_corpus/sample"
"$out/words_fuzz" -runs="$runs" -timeout=10 -rss_limit_mb=2048 "$out/words_work" "$out/words_corpus" \
    2>"$out/words_fuzz.log" || { tail -50 "$out/words_fuzz.log"; exit 1; }

RUNS=$runs "$root/fuzz/images_build.sh" "$out/images" >"$out/images_fuzz.log" 2>&1 \
    || { tail -50 "$out/images_fuzz.log"; exit 1; }
echo "fuzz: html, parser, scheme, article, ini, words, gif, png and zlib stream targets ran $runs inputs each without a finding"
