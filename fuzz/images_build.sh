#!/usr/bin/env bash
# Builds the image decoders' fuzz targets natively (host clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer), makes the seed corpora and,
# with RUNS set (for example RUNS=20000), runs each target that many times.
# Usage: fuzz/images_build.sh OUT_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: images_build.sh OUT_DIR}
mkdir -p "$out"
flags=(-std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I "$root/src")
core=("$root/src/images/zstreams.cpp" "$root/src/images/gif_decoder.cpp" "$root/src/images/png_decoder.cpp"
      "$root/src/framework/streams.cpp" "$root/src/framework/classes.cpp" "$root/src/framework/sysutils_text.cpp")
for target in gif png zstream; do
    clang++ "${flags[@]}" "$root/fuzz/images_${target}_fuzzer.cpp" "${core[@]}" -lz -o "$out/images_${target}_fuzzer"
done
clang++ -std=c++20 -O1 -I "$root/src" -I "$root/tests/images" "$root/fuzz/images_seeds.cpp" \
    "$root/tests/images/image_test_util.cpp" "${core[@]}" -lz -o "$out/images_seeds"
"$out/images_seeds" "$out/corpus"
cp "$root"/../shared/testdata/gifsuite/gifs/*.gif "$out/corpus/gif/" 2>/dev/null || true
# PNG seeds carry the fuzz target's leading mode byte (1: fix checksums).
for f in "$root"/../shared/testdata/pngsuite/png/*.png; do
    [ -e "$f" ] && { printf '\001'; cat "$f"; } > "$out/corpus/png/$(basename "$f")"
done
if [ -n "${RUNS:-}" ]; then
    for target in gif png zstream; do
        mkdir -p "$out/work/$target"
        "$out/images_${target}_fuzzer" -runs="$RUNS" -timeout=10 -rss_limit_mb=2048 \
            "$out/work/$target" "$out/corpus/$target"
    done
fi
