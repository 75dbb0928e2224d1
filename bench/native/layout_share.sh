#!/usr/bin/env bash
# Builds bench/native/bench_layout_share.cpp natively with the host's clang,
# optimised, and runs it; arguments go to the benchmark.
# Usage: bench/native/layout_share.sh [PAGE|all] [WIDTH]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${OUT_DIR:-$root/build/native-share}
mkdir -p "$out/obj"
flags=(-std=c++20 -O2 -g -fno-omit-frame-pointer -I "$root/src")
sources=("$root"/src/html/*.cpp "$root/src/framework/classes.cpp" "$root/src/framework/cp1251.cpp"
         "$root/src/framework/sysutils_text.cpp")
objects=()
for source in "${sources[@]}"; do objects+=("$out/obj/$(basename "$source" .cpp).o"); done
printf '%s\n' "${sources[@]}" | xargs -P 3 -I{} sh -c \
    'clang++ "$@" -c "{}" -o "'"$out"'/obj/$(basename "{}" .cpp).o" 2>/dev/null' _ "${flags[@]}"
clang++ "${flags[@]}" "$root/bench/native/bench_layout_share.cpp" "${objects[@]}" -o "$out/bench_layout_share"
"$out/bench_layout_share" "$@"
