#!/usr/bin/env bash
# Cross-builds libjpeg-turbo (the IJG libjpeg API) for the Windows build from
# Debian's own source package. Usage: build-libjpeg-mingw.sh [i686|x86_64]
# (default i686, the shipped program, into build/third-party/libjpeg-mingw;
# x86_64, for the win64 test flavour, into build/third-party/libjpeg-mingw-x86_64).
# Does nothing when that folder already holds the library.
set -euo pipefail

arch=${1:-i686}
case "$arch" in
  i686) suffix= ;;
  x86_64) suffix=-x86_64 ;;
  *) echo "build-libjpeg-mingw.sh: unknown architecture '$arch' (i686 or x86_64)" >&2; exit 2 ;;
esac

here=$(cd "$(dirname "$0")/.." && pwd)
cache="$here/build/third-party"
prefix="$cache/libjpeg-mingw$suffix"
[ -f "$prefix/lib/libjpeg.a" ] && exit 0

mkdir -p "$cache/src"
cd "$cache/src"
if ! ls -d libjpeg-turbo-*/ >/dev/null 2>&1; then
  apt-get source --download-only libjpeg-turbo >/dev/null
  dpkg-source -x --skip-patches libjpeg-turbo_*.dsc >/dev/null
fi
src=$(ls -d "$cache"/src/libjpeg-turbo-*/ | head -n 1)

build="$cache/libjpeg-build$suffix"
rm -rf "$build"
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-$arch.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF \
  -DCMAKE_CROSSCOMPILING_EMULATOR= >/dev/null
cmake --build "$build" --target jpeg-static >/dev/null
mkdir -p "$prefix/lib" "$prefix/include"
cp "$build/libjpeg.a" "$prefix/lib/"
cp "$src/jpeglib.h" "$src/jmorecfg.h" "$src/jerror.h" "$build/jconfig.h" "$prefix/include/"
echo "libjpeg-turbo for mingw ($arch): $prefix"
