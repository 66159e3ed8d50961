#!/usr/bin/env bash
# Cross-builds libjpeg-turbo (the IJG libjpeg API) for the Windows build from
# Debian's own source package, into build/third-party/libjpeg-mingw. Does
# nothing when that folder already holds the library.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
cache="$here/build/third-party"
prefix="$cache/libjpeg-mingw"
[ -f "$prefix/lib/libjpeg.a" ] && exit 0

mkdir -p "$cache/src"
cd "$cache/src"
if ! ls -d libjpeg-turbo-*/ >/dev/null 2>&1; then
  apt-get source --download-only libjpeg-turbo >/dev/null
  dpkg-source -x --skip-patches libjpeg-turbo_*.dsc >/dev/null
fi
src=$(ls -d "$cache"/src/libjpeg-turbo-*/ | head -n 1)

rm -rf "$cache/libjpeg-build"
cmake -S "$src" -B "$cache/libjpeg-build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
  -DCMAKE_CROSSCOMPILING_EMULATOR= >/dev/null
cmake --build "$cache/libjpeg-build" --target jpeg-static >/dev/null
mkdir -p "$prefix/lib" "$prefix/include"
cp "$cache/libjpeg-build/libjpeg.a" "$prefix/lib/"
cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$cache/libjpeg-build/jconfig.h" "$prefix/include/"
echo "libjpeg-turbo for mingw: $prefix"
