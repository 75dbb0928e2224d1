#!/usr/bin/env bash
# Builds the native fuzz targets of the format readers (host clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each: RUNS inputs of
# libFuzzer's own mutations from the seeds, or FUZZ_SECONDS of them (300 by
# default) when that ends first, then a few hundred large inputs (up to 16 MB)
# from the stretch driver (fuzz/stretch_main.cpp). Any crash, hang,
# leak or sanitizer report fails the run; the last lines give each target's
# input count and coverage.
#
#   fuzz/run.sh OUT_DIR [RUNS]        the test command's bounded pass (default 100000)
#   fuzz/run.sh OUT_DIR --minutes N   a longer campaign: every target for N minutes
#
# Targets run side by side, FUZZ_JOBS at a time (default: half the cores). The
# corpora grow in OUT_DIR/work and are kept for the next run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: run.sh OUT_DIR [RUNS | --minutes N]}
runs=100000
minutes=0
if [ "${2:-}" = "--minutes" ]; then
    minutes=${3:?usage: run.sh OUT_DIR --minutes N}
elif [ -n "${2:-}" ]; then
    runs=$2
fi
jobs=${FUZZ_JOBS:-$(( $(nproc) / 2 > 0 ? $(nproc) / 2 : 1 ))}
stretch_count=${FUZZ_STRETCH:-300}
max_stretch=$((16 << 20))
mkdir -p "$out/obj" "$out/seeds" "$out/work" "$out/logs"
out=$(cd "$out" && pwd)

# The native build leaves out the window-bound classes (bitmaps, panels) that
# the engine only points at, so the vptr check, which needs their type
# information, is off.
flags=(-std=c++20 -g -O1 -fsanitize=address,undefined -fno-sanitize=vptr -fno-sanitize-recover=undefined
       -Wno-inconsistent-missing-override -Wno-ignored-attributes -I "$root/src")

# True when the object is missing or older than its source or any header the
# source included when it was last compiled.
stale() {
    local object=$1 dependency
    [ -f "$object" ] && [ -f "$object.d" ] || return 0
    for dependency in $(sed -e 's/^[^:]*://' -e 's/\\$//' "$object.d"); do
        [ "$dependency" -nt "$object" ] && return 0
    done
    return 1
}

# Compiles sources into OUT_DIR/obj, at most `jobs` at a time.
compile() {
    local pids=() source
    for source in "$@"; do
        local object="$out/obj/$(echo "${source#$root/}" | tr / _).o"
        if stale "$object"; then
            clang++ "${flags[@]}" -fsanitize=fuzzer-no-link -MMD -MF "$object.d" -c "$source" -o "$object" &
            pids+=($!)
            if ((${#pids[@]} >= jobs)); then wait "${pids[0]}"; pids=("${pids[@]:1}"); fi
        fi
    done
    for pid in "${pids[@]}"; do wait "$pid"; done
}
objects() {
    local source
    for source in "$@"; do echo "$out/obj/$(echo "${source#$root/}" | tr / _).o"; done
}

# Each target links twice: with libFuzzer's driver, and with the stretch driver.
. "$root/fuzz/targets.sh"

all_sources=("$root/fuzz/stretch_main.cpp")
for name in "${targets[@]}"; do
    for source in ${target_sources[$name]}; do all_sources+=("$source"); done
done
mapfile -t all_sources < <(printf '%s\n' "${all_sources[@]}" | sort -u)
compile "${all_sources[@]}"
link_pids=()
for name in "${targets[@]}"; do
    mapfile -t objs < <(objects ${target_sources[$name]})
    clang++ "${flags[@]}" -fsanitize=fuzzer "${objs[@]}" ${target_libs[$name]} -o "$out/${name}_fuzz" &
    link_pids+=($!)
    clang++ "${flags[@]}" "${objs[@]}" "$(objects "$root/fuzz/stretch_main.cpp")" ${target_libs[$name]} \
        -o "$out/${name}_stretch" &
    link_pids+=($!)
    if ((${#link_pids[@]} >= jobs)); then wait "${link_pids[0]}"; link_pids=("${link_pids[@]:1}"); fi
done
for pid in "${link_pids[@]}"; do wait "$pid"; done

# Seeds: the sample dictionary (its articles, pictures, index, tables and
# schemes), generated BMP files of every kind, the image tests' GIF fixtures,
# the public GIF and PNG suites.
seeds=$out/seeds
python3 "$root/tools/make_dictionary.py" "$out/dictionary" >/dev/null
python3 "$root/fuzz/make_seeds.py" "$root" "$out/dictionary" "$seeds"
mkdir -p "$seeds/parser" "$seeds/layout" "$seeds/scheme" "$seeds/ini" "$seeds/words"
cp "$out/dictionary/voc.hd" "$seeds/html/"
cp "$seeds/html/"* "$seeds/parser/"
# Layout also starts from pages of the constructs whose cost grew with the page.
cp "$seeds/html/"* "$root"/fuzz/layout_seeds/* "$seeds/layout/"
cp "$out"/dictionary/schema/*.sch "$seeds/scheme/"
cp "$out/dictionary/voc.dat" "$seeds/article/"
# The ini target reads a section, a key and a value (each ended by "\ ") before the file.
cp "$out/dictionary/voc.ini" "$seeds/ini/"
{ printf 'Description\\ Title\\ x\\ '; cat "$out/dictionary/voc.ini"; } >"$seeds/ini/voc_write.ini"
# The words target reads a pattern length and pattern, then the word list and rows.
{ printf '\003*\310\337'; head -c 3000 "$out/dictionary/allvurts.dat"; head -c 1000 "$out/dictionary/allvurts.ind"; } \
    >"$seeds/words/sample"
clang++ -std=c++20 -O1 -I "$root/src" -I "$root/tests/images" "$root/fuzz/images_seeds.cpp" \
    "$root/tests/images/image_test_util.cpp" "${images_core[@]}" -lz -o "$out/images_seeds"
"$out/images_seeds" "$seeds"
cp "$root"/../shared/testdata/gifsuite/gifs/*.gif "$seeds/gif/" 2>/dev/null || true
# PNG seeds carry the target's leading mode byte (1: fix checksums).
for f in "$root"/../shared/testdata/pngsuite/png/*.png "$out"/dictionary/*.png; do
    [ -e "$f" ] && { printf '\001'; cat "$f"; } >"$seeds/png/$(basename "$f")"
done

# Per target: libFuzzer's options beyond the shared ones.
declare -A extra=(
    [html]="-dict=$seeds/html.dict"
    [parser]="-dict=$seeds/html.dict"
    [layout]="-dict=$seeds/html.dict"
    [article]="-max_len=65536"
    [png]="-max_len=16384"
    [bmp]="-max_len=16384"
    [jpeg]="-max_len=16384"
)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_one() {
    local name=$1 work=$out/work/$1 log=$out/logs/$1
    mkdir -p "$work"
    # Mutations that reach large pictures can slow a target a hundredfold:
    # the bounded pass also ends on time, so the test's length does not
    # depend on where the mutations wander.
    local budget=(-runs="$runs" -max_total_time="${FUZZ_SECONDS:-300}")
    # Building a document is the slowest reader by far.
    local stretch=$stretch_count
    [ "$name" = parser ] && stretch=$((stretch_count / 2))
    if ((minutes > 0)); then
        budget=(-max_total_time=$((minutes * 60)))
        stretch=$((stretch_count * minutes))
    fi
    local began=$SECONDS
    # shellcheck disable=SC2086
    "$out/${name}_fuzz" "${budget[@]}" -timeout=10 -rss_limit_mb=2560 -malloc_limit_mb=2560 \
        ${extra[$name]:-} "$work" "$seeds/$name" >"$log.fuzz" 2>&1 || return 1
    local fuzzed=$SECONDS
    # Seeds first, then what the run found, a few hundred at most.
    mapfile -t inputs < <({ find "$seeds/$name" -type f | sort; find "$work" -type f | sort; } | head -n 400)
    "$out/${name}_stretch" "$stretch" "$max_stretch" "${inputs[@]}" >"$log.stretch" 2>&1 || return 1
    echo "$((fuzzed - began)) s + $((SECONDS - fuzzed)) s" >"$log.time"
}

pids=()
declare -A pid_name
failed=()
start=$(date +%s)
for name in "${targets[@]}"; do
    run_one "$name" &
    pids+=($!)
    pid_name[$!]=$name
    while (($(jobs -rp | wc -l) >= jobs)); do wait -n || true; done
done
for pid in "${pids[@]}"; do
    wait "$pid" || failed+=("${pid_name[$pid]}")
done

for name in "${targets[@]}"; do
    done_line=$(grep -ao 'Done [0-9]* runs in [0-9]* second' "$out/logs/$name.fuzz" | tail -1 || true)
    cov=$(grep -ao 'cov: [0-9]*' "$out/logs/$name.fuzz" | tail -1 || true)
    stretched=$(grep -ao 'stretch: [0-9]* inputs.*largest [0-9]* bytes' "$out/logs/$name.stretch" 2>/dev/null || true)
    took=$(cat "$out/logs/$name.time" 2>/dev/null || true)
    printf 'fuzz %-14s %s, %s edges; %s (%s)\n' "$name" "${done_line:-no result}" "${cov#cov: }" \
        "${stretched:-no large inputs}" "${took:-unfinished}"
done
for name in "${failed[@]}"; do
    echo "fuzz: $name FAILED"
    tail -40 "$out/logs/$name.fuzz" "$out/logs/$name.stretch" 2>/dev/null
done
echo "fuzz: ${#targets[@]} targets in $(( $(date +%s) - start )) s"
((${#failed[@]} == 0))
