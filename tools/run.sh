#!/usr/bin/env bash
# Builds the viewer, lays out the sample dictionary in build/run and starts the
# viewer there under Wine. Without a display it runs under Xvfb, writes
# build/run/screenshot.png after start-up and exits. Meanwhile a PostScript
# printer, the default one, prints into build/run/printed.ps (each job
# replaces the file); it is removed again when the viewer ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/tools/setup.sh" "$build"
cmake -S "$root" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target voc screenshot file_printer

run="$build/run"
mkdir -p "$run"
python3 "$root/tools/make_dictionary.py" "$run"
cp "$build/src/voc.exe" "$run/"

headless=no
[ -z "${DISPLAY:-}" ] && headless=yes
. "$root/tools/wine-session.sh"
wine_session_start "$build"
cd "$run"
# Registering replaces a printer left by an earlier run, so this is safe to
# repeat; the tests' own printer has another name.
wine "$build/file_printer.exe" add "$(winepath -w "$run/printed.ps")"
echo "printing goes to: $run/printed.ps"
status=0
if [ $headless = no ]; then
    wine voc.exe || status=$?
else
    wine voc.exe &
    viewer=$!
    wine "$build/screenshot.exe" screenshot.png 6000 || status=$?
    kill "$viewer" 2>/dev/null || true
    echo "screenshot: $run/screenshot.png"
fi
wine "$build/file_printer.exe" remove || true
exit $status
