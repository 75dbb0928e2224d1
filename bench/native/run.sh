#!/usr/bin/env bash
# Builds the native reader benchmark with the host's clang (optimised, with
# frame pointers for a profiler such as perf) and runs it.
# Usage: bench/native/run.sh [OUT_DIR] [ROUNDS] [LARGEST_MB]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-$root/build/native-bench}
mkdir -p "$out/obj"
flags=(-std=c++20 -O2 -g -fno-omit-frame-pointer -I "$root/src")
sources=("$root"/src/html/*.cpp "$root/src/framework/classes.cpp" "$root/src/framework/cp1251.cpp"
         "$root/src/framework/sysutils_text.cpp")
objects=()
for source in "${sources[@]}"; do objects+=("$out/obj/$(basename "$source" .cpp).o"); done
printf '%s\n' "${sources[@]}" | xargs -P 4 -I{} sh -c \
    'clang++ "$@" -c "{}" -o "'"$out"'/obj/$(basename "{}" .cpp).o" 2>/dev/null' _ "${flags[@]}"
clang++ "${flags[@]}" "$root/bench/native/bench_reader.cpp" "${objects[@]}" -o "$out/bench_reader"
"$out/bench_reader" "${2:-5}" "${3:-4}"
