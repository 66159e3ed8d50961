#!/usr/bin/env bash
# Writes PNG pictures of the wizard's five pages, of page 2 in source-hide
# mode, of the Last Step while locking and after it, and of an error box,
# at 96 and at 120 pixels per inch, into build/screenshots/96 and .../120
# (or below the folder given). Needs a configured win32 build (cmake --preset
# win32); without DISPLAY wine-run brings a virtual display.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/build/screenshots}")
cmake --build --preset win32 -j2 --target wizard_screenshots >/dev/null
run="$here/build/win32/wine-run"

for ppi in 96 120; do
  mkdir -p "$out/$ppi"
  # A prefix of its own per setting, where wine draws the window frames
  # itself: a virtual display has no window manager to draw them.
  export ZENDREL_WINEPREFIX="$here/build/win32/wineprefix-screens-$ppi"
  "$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ppi" /f >/dev/null 2>&1
  "$run" reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$ppi" /f >/dev/null 2>&1
  "$run" "$here/build/win32/tests/win32/wizard_screenshots.exe" "Z:${out//\//\\}\\$ppi"
  for bmp in "$out/$ppi"/*.bmp; do
    convert "$bmp" -alpha off "${bmp%.bmp}.png"
    rm -f "$bmp"
  done
done
ls "$out"/*/*.png
