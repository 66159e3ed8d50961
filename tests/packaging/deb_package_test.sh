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

echo "== the manual's version and the man page's commands agree with the programs"
version=$(dpkg-deb --field "$deb" Version)
manual_version=$(sed -n 's|.*<title>Zendrel \([0-9.]*\) manual</title>.*|\1|p' /usr/lib/zendrel/Manual/index.html)
man_version=$(zcat /usr/share/man/man1/zendrel.1.gz | sed -n 's/^\.TH .*"Zendrel \([0-9.]*\)".*/\1/p')
# The program's own word: --version where this build has it, else the
# version in the usage's caption.
if said=$(zendrel --version </dev/null 2>/dev/null); then
  program_version=${said#zendrel }
else
  program_version=$(zendrel /? </dev/null 2>&1 | grep -o 'Zendrel [0-9][0-9.]*' | head -n 1 | cut -d' ' -f2)
fi
for pair in "manual:$manual_version" "man page:$man_version" "zendrel:$program_version"; do
  [ "${pair#*:}" = "$version" ] || fail "the ${pair%%:*} says version '${pair#*:}', the package $version"
done

# Every command of the man page's EXAMPLES (a .B line right after .RS) runs
# as the page says, in order, in a folder with the site and a backups folder
# beside it. A form this build does not know yet (one that `zendrel --help`
# does not name) is reported and skipped, so a new form is run as soon as the
# program names it.
help=$(zendrel --help </dev/null 2>/dev/null) || help=""
examples=$(zcat /usr/share/man/man1/zendrel.1.gz |
  awk '/^\.SH /{on = ($0 ~ /^\.SH EXAMPLES/)} on && previous == ".RS" && /^\.B /{print substr($0, 4)} {previous = $0}' |
  sed -e 's/\\-/-/g' -e "s/\\\\(aq/'/g" -e 's/\\(dq/"/g' -e 's/\\e/\\/g')
[ -n "$examples" ] || fail "the man page shows no example commands"
ex="$work/examples"
mkdir -p "$ex/site" "$ex/backups" "$ex/originals"
for name in index members about; do
  printf '<p>the %s page, for members only</p>' "$name" >"$ex/originals/$name.html"
done
cp "$ex"/originals/*.html "$ex/site/"
ran=0
while IFS= read -r command; do
  form=$(sed -nE 's/(^|.*[ |])zendrel ([^ ]+).*/\2/p' <<<"$command")
  case "$command" in zendrel-unlock*) form=unlock ;; esac
  case "$form" in
    lock | site | -*)
      known=$form
      case "$form" in lock | site) known="zendrel $form" ;; esac
      if ! grep -qF -- "$known" <<<"$help"; then
        echo "SKIP (not in this build yet): $command"
        continue
      fi ;;
  esac
  echo "running: $command"
  said=$(cd "$ex" && sh -c "$command" </dev/null) || fail "the man page's example failed: $command"
  ran=$((ran + 1))
  for backup in $(grep -oE 'backups/[A-Za-z0-9_.-]+' <<<"$command"); do
    original=$(basename "$backup" | sed 's/_original//')
    cmp -s "$ex/$backup" "$ex/originals/$original" || fail "$backup is not the original page: $command"
  done
  case "$form" in
    --version | -V)
      [ "$said" = "zendrel $version" ] || fail "$command printed '$said'" ;;
    unlock)
      # The locked page and the output file are the last two words.
      set -- $(awk '{print $(NF-1), $NF}' <<<"$command")
      cmp -s "$ex/$2" "$ex/originals/$(basename "$1")" || fail "unlock did not give the page back: $command" ;;
    site)
      output=$(awk '{print $NF}' <<<"$command")
      grep -q '//Page Begin' "$ex/$output/index.html" || fail "the site was not locked into $output: $command"
      for page in "$ex"/originals/*.html; do
        [ -e "$ex/site/$(basename "$page")" ] || continue
        grep -q '//Page Begin' "$ex/site/$(basename "$page")" && continue
        cmp -s "$page" "$ex/site/$(basename "$page")" || fail "zendrel site changed its source folder: $command"
      done ;;
    *)
      for page in $(grep -oE 'site/[A-Za-z0-9_.-]+\.html' <<<"$command"); do
        grep -q '//Page Begin' "$ex/$page" || fail "$page was not locked: $command"
      done ;;
  esac
done <<<"$examples"
[ "$ran" -ge 3 ] || fail "only $ran of the man page's examples ran"
! find "$ex/site" -name '*_original*' | grep -q . || fail "an example left a backup inside the site"

echo "== removing it"
apt-get remove -y -qq -o DPkg::Lock::Timeout=300 zendrel >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "remove"; }
[ ! -e /usr/bin/zendrel ] && [ ! -e /usr/lib/zendrel ] && [ ! -e /usr/share/man/man1/zendrel.1.gz ] ||
  fail "files of the package remain"
echo "PASS"
