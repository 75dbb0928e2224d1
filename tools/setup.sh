#!/usr/bin/env bash
# Installs what the build needs and is safe to run again: Debian packages,
# the ru_RU.UTF-8 locale, and libjpeg cross-built into the build tree.
# Usage: tools/setup.sh BUILD_DIR
set -euo pipefail

build_dir=${1:?usage: setup.sh BUILD_DIR}
mkdir -p "$build_dir"
build_dir=$(cd "$build_dir" && pwd)

packages=(g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth x11-utils libz-mingw-w64-dev
          fonts-liberation fonts-wine locales cmake ninja-build dpkg-dev python3 clang
          libclang-rt-14-dev zlib1g-dev libjpeg62-turbo-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "setup: installing ${missing[*]}"
    sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine reads the ANSI code page from the locale; the tests run under a Russian one.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
    echo "setup: generating ru_RU.UTF-8"
    sudo_cmd=(); [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

# libjpeg: Debian's libjpeg-turbo source, cross-built static, 6b API, no SIMD.
jpeg_prefix="$build_dir/deps/libjpeg"
if [ ! -f "$jpeg_prefix/lib/libjpeg.a" ]; then
    echo "setup: cross-building libjpeg"
    work="$build_dir/deps/libjpeg-src"
    rm -rf "$work"; mkdir -p "$work/lists/partial" "$work/src"
    # A private source list: the system's apt sources are left alone.
    cat > "$work/sources.list" <<'LIST'
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main
LIST
    apt_opts=(-o "Dir::Etc::SourceList=$work/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
              -o "Dir::State::Lists=$work/lists" -o "APT::Sandbox::User=root")
    apt-get "${apt_opts[@]}" update -qq
    (cd "$work/src" && apt-get "${apt_opts[@]}" source -qq libjpeg-turbo >/dev/null 2>&1)
    srcdir=$(find "$work/src" -maxdepth 1 -mindepth 1 -type d -name 'libjpeg-turbo-*' | head -n 1)
    [ -n "$srcdir" ] || { echo "setup: libjpeg-turbo source not found" >&2; exit 1; }
    cmake -S "$srcdir" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$(cd "$(dirname "$0")/.." && pwd)/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" \
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
        -DWITH_JPEG7=OFF -DWITH_JPEG8=OFF -DWITH_ARITH_DEC=ON -DWITH_ARITH_ENC=OFF >/dev/null
    cmake --build "$work/build" --target jpeg-static >/dev/null
    mkdir -p "$jpeg_prefix/lib" "$jpeg_prefix/include"
    cp "$work/build/libjpeg.a" "$jpeg_prefix/lib/"
    cp "$srcdir/jpeglib.h" "$srcdir/jmorecfg.h" "$srcdir/jerror.h" "$work/build/jconfig.h" "$jpeg_prefix/include/"
    rm -rf "$work"
fi
