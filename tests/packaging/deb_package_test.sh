#!/usr/bin/env bash
# The Linux package: made by cpack, its layout read with dpkg-deb, then
# installed as root, used through the `zendrel` on PATH, its man page read,
# and removed again.
#   deb_package_test.sh <build folder>
set -euo pipefail
build=$1

fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-deb dpkg-shlibdeps man readelf; do
  command -v "$tool" >/dev/null || fail "$tool is missing: run scripts/setup.sh"
done
[ "$(id -u)" = 0 ] || fail "installing the package needs root (CI runs as root)"
if dpkg-query -W -f='${Status}' zendrel 2>/dev/null | grep -q 'install ok installed'; then
  fail "a zendrel package is installed already; remove it first (apt-get remove zendrel)"
fi

work=$(mktemp -d)
cleanup() {
  if dpkg-query -W -f='${Status}' zendrel 2>/dev/null | grep -q 'install ok'; then
    apt-get remove -y -qq -o DPkg::Lock::Timeout=300 zendrel >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "== making the package"
(cd "$build" && cpack -G DEB -B "$work/packages" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
deb=$(ls "$work"/packages/zendrel_*.deb)

echo "== its layout"
contents=$(dpkg-deb --contents "$deb" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }')
for path in './usr/lib/zendrel/zendrel' './usr/lib/zendrel/zendrel.RLI' './usr/lib/zendrel/Manual/index.html' \
            './usr/lib/zendrel/Templates/Source Hide/index.html' './usr/lib/zendrel/Templates/Light/index.html' \
            './usr/bin/zendrel -> ../lib/zendrel/zendrel' './usr/share/man/man1/zendrel.1.gz'; do
  grep -qxF "$path" <<<"$contents" || fail "not in the package: $path"
done
if grep -qxF './usr/lib/zendrel/zendrel-unlock' <<<"$contents"; then
  grep -qxF './usr/bin/zendrel-unlock -> ../lib/zendrel/zendrel-unlock' <<<"$contents" ||
    fail "zendrel-unlock is not on PATH"
fi
! grep -v -e '^\./usr/lib/zendrel/' -e '^\./usr/bin/' -e '^\./usr/share/man/' -e '^\./$' -e '^\./usr/$' \
    -e '^\./usr/lib/$' -e '^\./usr/share/$' <<<"$contents" || fail "files outside the expected folders"
depends=$(dpkg-deb --field "$deb" Depends)
grep -q 'libc6' <<<"$depends" || fail "the dependencies were not computed: $depends"
dpkg-deb -x "$deb" "$work/tree"
if readelf -S "$work/tree/usr/lib/zendrel/zendrel" | grep -q '\.debug_'; then
  fail "the packaged program carries debug information"
fi

echo "== installing it"
apt-get install -y -qq -o DPkg::Lock::Timeout=300 "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "install"; }
[ "$(command -v zendrel)" = /usr/bin/zendrel ] || fail "zendrel is not on PATH"

echo "== locking a page with the zendrel on PATH"
mkdir "$work/site"
printf '<p>a page only its owner reads</p>' >"$work/site/page.html"
(cd "$work/site" && zendrel "Source Hide" page.html backup.html pagekey </dev/null) || fail "zendrel did not lock the page"
[ "$(cat "$work/site/backup.html")" = '<p>a page only its owner reads</p>' ] || fail "the backup is not the page"
grep -q '//Page Begin' "$work/site/page.html" || fail "the page was not locked"
[ -f "$work/site/zendrel-unlock.js" ] || fail "the template's files were not copied beside the page"

echo "== its man page"
page=$(MANWIDTH=80 man -l /usr/share/man/man1/zendrel.1.gz 2>&1) || fail "man -l: $page"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS 'EXIT STATUS' FILES EXAMPLES; do
  grep -q "^$section" <<<"$page" || fail "the man page has no section $section"
done

echo "== removing it"
apt-get remove -y -qq -o DPkg::Lock::Timeout=300 zendrel >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "remove"; }
[ ! -e /usr/bin/zendrel ] && [ ! -e /usr/lib/zendrel ] && [ ! -e /usr/share/man/man1/zendrel.1.gz ] ||
  fail "files of the package remain"
echo "PASS"
