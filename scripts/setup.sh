#!/usr/bin/env bash
# Brings a fresh Debian bookworm machine to the point where both builds and
# every test run. Safe to run again: each step checks what is already there.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
export DEBIAN_FRONTEND=noninteractive

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# Source packages are needed to cross-build libjpeg-turbo for mingw.
if [ ! -f /etc/apt/sources.list.d/zendrel-src.sources ]; then
  as_root tee /etc/apt/sources.list.d/zendrel-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  stale=1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  as_root dpkg --add-architecture i386
  stale=1
fi

packages=(
  build-essential cmake ninja-build pkg-config dpkg-dev ccache
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg-dev libdwarf-dev libelf-dev zlib1g-dev libssl-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine64 fonts-wine xvfb xauth x11-utils imagemagick
  chromium firefox-esr fonts-noto-cjk fonts-noto-color-emoji fonts-lohit-deva
  nsis man-db file curl
)
# fonts-wine (a recommendation that --no-install-recommends leaves out)
# holds wine's own fonts: "MS Sans Serif" for the wizard's layout, and
# Marlett for the glyphs of the window frames wine draws.
# The fonts let the browsers draw every script of the test corpus (CJK,
# emoji, Devanagari) in screenshots, instead of empty boxes.
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# A mirror that is being synced answers some index files with the wrong
# size for a minute or two: try again, then go on with the indexes that
# did come (the install below still fails loudly if a package is missing).
update_indexes() {
  local try
  for try in 1 2 3; do
    as_root apt-get update -qq && return 0
    [ "$try" = 3 ] && break
    echo "setup: apt-get update failed (try $try of 3); trying again in 10 s" >&2
    sleep 10
  done
  echo "setup: going on with the package indexes that did download" >&2
}
if [ ${#missing[@]} -gt 0 ] || [ "${stale:-0}" = 1 ]; then
  update_indexes
fi
if [ ${#missing[@]} -gt 0 ]; then
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# wine32 runs the 32-bit edition where the kernel starts 32-bit programs.
# Its i386 libraries must match the versions of the native ones, so a
# mirror that fails to serve one i386 index leaves it uninstallable: then
# the i386 packages that index would have listed are taken from the pool
# (i386-from-pool.sh), and failing that, setup goes on without wine32 and
# test-all.sh fails the run if this kernel could have used it (it probes
# the kernel itself, not this package).
wine32_installed() { dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; }
install_wine32() { as_root apt-get install -y -qq --no-install-recommends wine32:i386; }
if ! wine32_installed; then
  if ! install_wine32 && ! { "$here/scripts/i386-from-pool.sh" && install_wine32; }; then
    echo "setup: wine32:i386 could not be installed; the 32-bit edition's tests need it where the kernel starts 32-bit programs" >&2
  fi
fi

# The machine's own Node.js usually comes with npm (and conflicts with
# Debian's npm package); install Debian's only where there is none.
if ! command -v npm >/dev/null 2>&1; then
  as_root apt-get install -y -qq --no-install-recommends nodejs npm
fi

# libjpeg-turbo for both Windows editions, from Debian's own source package.
"$here/scripts/build-libjpeg-mingw.sh" i686
"$here/scripts/build-libjpeg-mingw.sh" x86_64

# The templates' decoder is bundled by esbuild with its fallback
# cryptography (decoder/), and the browser tests drive Debian's chromium
# through playwright-core and Debian's firefox-esr through puppeteer-core
# (tests/browser/): npm packages pinned by each folder's package-lock.json,
# installed again when the lock file is newer. The tests use Debian's
# browsers, never downloaded ones.
export PUPPETEER_SKIP_DOWNLOAD=1 PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1
for dir in "$here/decoder" "$here/tests/browser"; do
  if [ "$dir/package-lock.json" -nt "$dir/node_modules/.package-lock.json" ]; then
    (cd "$dir" && npm ci --no-audit --no-fund --silent)
  fi
done
