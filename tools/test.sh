#!/usr/bin/env bash
# Builds everything and runs every test under Wine. Installs what is missing.
#   tools/test.sh            (build folder: ./build, or $BUILD_DIR)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/tools/setup.sh" "$build"
cmake -S "$root" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)"

. "$root/tools/wine-session.sh"
wine_session_start "$build" xvfb
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 900
