#!/usr/bin/env bash
# The Windows setup program under wine, as a user meets it: made by cpack,
# installed silently into the build's private prefix, the installed program
# locks a page in batch mode and reports a failure with named routines and
# lines although it is stripped, and the silent uninstall removes every file
# it installed and nothing else.
#   setup_program_test.sh <build folder> <zendrel_reporter_e2e_test.exe>
set -euo pipefail
build=$1
reporter_test=$2
wine_run="$build/wine-run"
prefix="${ZENDREL_WINEPREFIX:-$build/wineprefix}"

fail() { echo "FAIL: $*" >&2; exit 1; }
command -v makensis >/dev/null || fail "makensis is missing: run scripts/setup.sh (Debian's nsis)"
command -v i686-w64-mingw32-objdump >/dev/null || fail "i686-w64-mingw32-objdump is missing: run scripts/setup.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== making the setup program"
(cd "$build" && cpack -G NSIS -B "$work/packages" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G NSIS"; }
setup=$(ls "$work"/packages/zendrel-*-win32.exe)

# Make sure the prefix exists before looking into it.
"$wine_run" cmd /c exit 0
instdir="$prefix/drive_c/Program Files/Zendrel"
rm -rf "$instdir"
before=$(cd "$prefix/drive_c" && find . -iname '*zendrel*' | sort)

echo "== installing silently"
"$wine_run" "$setup" /S
for f in zendrel.exe zendrel.RLI Uninstall.exe "Templates/Source Hide/index.html" Templates/Light/index.html \
         Templates/Dark/index.html Manual/index.html; do
  [ -f "$instdir/$f" ] || fail "not installed: $f"
done
# The Start-menu folder "Zendrel" holds the program's shortcut.
find "$prefix/drive_c" -path "*Start Menu*/Zendrel/Zendrel.lnk" | grep -q . || fail "no Start-menu shortcut"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Zendrel'
registered=$("$wine_run" reg query "HKLM\\$uninstall_key" /v UninstallString 2>/dev/null ||
             "$wine_run" reg query "HKCU\\$uninstall_key" /v UninstallString 2>/dev/null || true)
grep -qF 'C:\Program Files\Zendrel\Uninstall.exe' <<<"$registered" ||
  fail "the uninstaller is not registered under Add/Remove Programs: $registered"

echo "== the installed program is stripped"
if i686-w64-mingw32-objdump -h "$instdir/zendrel.exe" | grep -q '\.debug_'; then
  fail "the installed zendrel.exe carries debug information"
fi
size=$(stat -c %s "$instdir/zendrel.exe")
[ "$size" -lt 2000000 ] || fail "the installed zendrel.exe has $size bytes"

echo "== locking a page in batch mode"
mkdir "$work/site"
printf '<p>a page only its owner reads</p>' >"$work/site/page.html"
(cd "$work/site" && "$wine_run" 'C:\Program Files\Zendrel\zendrel.exe' "Source Hide" page.html backup.html pagekey) ||
  fail "the installed program did not lock the page"
[ "$(cat "$work/site/backup.html")" = '<p>a page only its owner reads</p>' ] || fail "the backup is not the page"
grep -q '//Page Begin' "$work/site/page.html" || fail "the page was not locked"
! grep -q 'only its owner' "$work/site/page.html" || fail "the locked page shows the page's text"

echo "== the stripped program reports named routines and lines"
ZENDREL_PROGRAM_UNDER_TEST='C:\Program Files\Zendrel\zendrel.exe' "$wine_run" "$reporter_test" \
  --gtest_filter=ZendrelReporterTest.HelpWithABrokenOpenCommandIsReportedAndContinueGoesOn ||
  fail "the installed program's error report"

echo "== uninstalling silently"
printf 'mine' >"$instdir/my notes.txt"
"$wine_run" 'C:\Program Files\Zendrel\Uninstall.exe' /S
# The uninstaller runs on from a copy of itself; wait for it to finish.
for _ in $(seq 1 120); do
  [ -e "$instdir/Uninstall.exe" ] || [ -e "$instdir/zendrel.exe" ] || break
  sleep 0.5
done
left=$(cd "$instdir" && find . -mindepth 1 | sort)
[ "$left" = "./my notes.txt" ] || fail "after uninstalling, the folder holds: $left"
after=$(cd "$prefix/drive_c" && find . -iname '*zendrel*' ! -path './Program Files/Zendrel' | sort)
[ "$after" = "$before" ] || fail "files of ours remain: $(comm -13 <(echo "$before") <(echo "$after"))"
if "$wine_run" reg query "HKLM\\$uninstall_key" >/dev/null 2>&1 ||
   "$wine_run" reg query "HKCU\\$uninstall_key" >/dev/null 2>&1; then
  fail "the uninstaller is still registered"
fi
rm -rf "$instdir"
echo "PASS"
