#!/usr/bin/env bash
# Builds one native benchmark over the reader's objects with the host's clang
# (optimised, with frame pointers for a profiler such as perf) and runs it.
# Usage: bench/native/build.sh SOURCE OUT_DIR [ARGS...]; ARGS go to the benchmark.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source_file=$1 out=$2
shift 2
mkdir -p "$out/obj"
flags=(-std=c++20 -O2 -g -fno-omit-frame-pointer -I "$root/src")
sources=("$root"/src/html/*.cpp "$root/src/framework/classes.cpp" "$root/src/framework/cp1251.cpp"
         "$root/src/framework/sysutils_text.cpp")
objects=()
for source in "${sources[@]}"; do objects+=("$out/obj/$(basename "$source" .cpp).o"); done
printf '%s\n' "${sources[@]}" | xargs -P 4 -I{} sh -c \
    'clang++ "$@" -c "{}" -o "'"$out"'/obj/$(basename "{}" .cpp).o" 2>/dev/null' _ "${flags[@]}"
program="$out/$(basename "$source_file" .cpp)"
clang++ "${flags[@]}" "$source_file" "${objects[@]}" -o "$program"
"$program" "$@"
