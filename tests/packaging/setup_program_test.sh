#!/usr/bin/env bash
# The Windows setup program under wine, as a user meets it: made by cpack,
# installed silently into the build's private prefix, the installed program
# locks a page in batch mode and reports a failure with named routines and
# lines although it is stripped, and the silent uninstall removes every file
# it installed and nothing else. The 64-bit edition's setup program is a
# 64-bit process: it installs under the 64-bit Program Files and registers
# its uninstaller in the 64-bit registry view only.
# With --make-only it stops once the setup program is made and of its
# edition: makensis has built cpack's script, and nothing runs.
#   setup_program_test.sh <build folder> <zendrel_reporter_e2e_test.exe> <win64|win32> [--make-only]
set -euo pipefail
build=$1
reporter_test=$2
edition=$3
make_only=${4:-}
case $edition in
  win64) objdump=x86_64-w64-mingw32-objdump format=pei-x86-64 ;;
  win32) objdump=i686-w64-mingw32-objdump format=pei-i386 ;;
  *) echo "FAIL: unknown edition '$edition'" >&2; exit 1 ;;
esac
wine_run="$build/wine-run"
prefix="${ZENDREL_WINEPREFIX:-$build/wineprefix}"

fail() { echo "FAIL: $*" >&2; exit 1; }
command -v makensis >/dev/null || fail "makensis is missing: run scripts/setup.sh (Debian's nsis)"
command -v $objdump >/dev/null || fail "$objdump is missing: run scripts/setup.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== making the setup program"
(cd "$build" && cpack -G NSIS -B "$work/packages" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G NSIS"; }
setup=$(ls "$work"/packages/zendrel-*-$edition.exe)
# The setup program is of its edition (NSIS's amd64 stub for win64).
$objdump -f "$setup" | grep -q "file format $format" || fail "the setup program is not $format: $($objdump -f "$setup")"
if [ "$make_only" = --make-only ]; then
  echo "PASS: $(basename "$setup"), $(stat -c %s "$setup") bytes"
  exit 0
fi

# Make sure the prefix exists before looking into it.
"$wine_run" cmd /c exit 0
instdir="$prefix/drive_c/Program Files/Zendrel"
rm -rf "$instdir"
# Other tests run beside this one in the same prefix and keep their scratch
# folders under the users' Temp: those are theirs, not the setup's.
before=$(cd "$prefix/drive_c" && find . -iname '*zendrel*' ! -path './users/*/Temp/*' | sort)

echo "== installing silently"
"$wine_run" "$setup" /S
for f in zendrel.exe zendrel.RLI zendrel-cli.exe zendrel-cli.RLI zendrel-unlock.exe Uninstall.exe "Templates/Source Hide/index.html" Templates/Light/index.html \
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
if [ "$edition" = win64 ]; then
  # Not in the 32-bit view, where a 32-bit setup program would have put it.
  for root in HKLM HKCU; do
    if "$wine_run" reg query "$root\\Software\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zendrel" \
         >/dev/null 2>&1; then
      fail "the 64-bit edition's uninstaller is registered in the 32-bit registry view ($root)"
    fi
  done
fi

echo "== the installed program is stripped"
for program in zendrel zendrel-cli zendrel-unlock; do
  $objdump -f "$instdir/$program.exe" | grep -q "file format $format" || fail "the installed $program.exe is not $format"
  if $objdump -h "$instdir/$program.exe" | grep -q '\.debug_'; then
    fail "the installed $program.exe carries debug information"
  fi
done
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
after=$(cd "$prefix/drive_c" && find . -iname '*zendrel*' ! -path './Program Files/Zendrel' ! -path './users/*/Temp/*' | sort)
[ "$after" = "$before" ] || fail "files of ours remain: $(comm -13 <(echo "$before") <(echo "$after"))"
if "$wine_run" reg query "HKLM\\$uninstall_key" >/dev/null 2>&1 ||
   "$wine_run" reg query "HKCU\\$uninstall_key" >/dev/null 2>&1; then
  fail "the uninstaller is still registered"
fi
rm -rf "$instdir"
echo "PASS"
