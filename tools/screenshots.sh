#!/usr/bin/env bash
# Builds the viewer and its driver, lays out the sample dictionary in
# build/run and starts the viewer there under Xvfb. The driver types terms
# into the term list and writes a picture of the main window for the table,
# picture, form, long and labelling articles, then switches among them 50 times and
# prints the viewer's window count and memory before and after.
#   tools/screenshots.sh [OUTDIR]      pictures go to OUTDIR (default build/run)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/tools/setup.sh" "$build"
build=$(cd "$build" && pwd)
cmake -S "$root" -B "$build" -G Ninja -Wno-dev \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)" --target voc viewer_driver

run="$build/run"
mkdir -p "$run"
python3 "$root/tools/make_dictionary.py" "$run"
cp "$build/src/voc.exe" "$run/"
out=${1:-$run}
mkdir -p "$out"
out=$(cd "$out" && pwd)

. "$root/tools/wine-session.sh"
wine_session_start "$build" xvfb
cd "$run"
"$build/wine-run" "$build/viewer_driver.exe" --out "$(winepath -w "$out" 2>/dev/null)" --size 1040x960 --switch 50 \
    "Линии доступа" table.png \
    "Условные обозначения" pictures.png \
    "Параметры подключения" form.png \
    "Структурированная кабельная система" long.png \
    "Маркировка линий" labels.png
