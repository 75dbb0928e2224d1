#!/usr/bin/env bash
# Builds the viewer, lays out the sample dictionary in build/run and starts the
# viewer there under Wine. Without a display it runs under Xvfb, writes
# build/run/screenshot.png after start-up and exits.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/tools/setup.sh" "$build"
cmake -S "$root" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target voc screenshot

run="$build/run"
mkdir -p "$run"
python3 "$root/tools/make_dictionary.py" "$run"
cp "$build/src/voc.exe" "$run/"

headless=no
[ -z "${DISPLAY:-}" ] && headless=yes
. "$root/tools/wine-session.sh"
wine_session_start "$build"
cd "$run"
if [ $headless = no ]; then
    wine voc.exe
else
    wine voc.exe &
    viewer=$!
    wine "$build/screenshot.exe" screenshot.png 6000
    kill "$viewer" 2>/dev/null || true
    echo "screenshot: $run/screenshot.png"
fi
