#!/usr/bin/env bash
# Builds every benchmark (bench/*.cpp) and runs each under Wine, printing its
# figures. Installs what is missing.
#   tools/bench.sh            (build folder: ./build, or $BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

benches=()
for source in "$root"/bench/*.cpp; do
    [ -e "$source" ] && benches+=("$(basename "$source" .cpp)")
done
if [ ${#benches[@]} -eq 0 ]; then
    echo "bench: no benchmarks in $root/bench"
    exit 0
fi

"$root/tools/setup.sh" "$build"
cmake -S "$root" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${benches[@]}"

. "$root/tools/wine-session.sh"
wine_session_start "$build" xvfb
status=0
for name in "${benches[@]}"; do
    echo "== $name"
    "$build/wine-run" "$build/bench/$name.exe" || { echo "bench: $name failed"; status=1; }
done
exit $status
