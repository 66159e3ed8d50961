#!/usr/bin/env bash
# Writes PNG pictures of the wizard's five pages, of page 2 in source-hide
# mode, of "pagekey" refused for a strong template, of the Last Step while
# locking and after it, and of an error box, at 96 and at 120 pixels per
# inch, into build/screenshots/96 and .../120 (or below the folder given),
# taken from the 64-bit edition under wine64; then the browsers' pictures of
# every template (tests/browser/screenshots.js) into .../browser. Copies the
# few the README shows into docs/screenshots/. Needs configured linux and
# win64 builds; without DISPLAY wine-run brings a virtual display.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/build/screenshots}")
cmake --build --preset win64 -j2 --target wizard_screenshots >/dev/null
run="$here/build/win64/wine-run"

for ppi in 96 120; do
  mkdir -p "$out/$ppi"
  # A prefix of its own per setting, where wine draws the window frames
  # itself: a virtual display has no window manager to draw them.
  export ZENDREL_WINEPREFIX="$here/build/win64/wineprefix-screens-$ppi"
  "$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ppi" /f >/dev/null 2>&1
  "$run" reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$ppi" /f >/dev/null 2>&1
  "$run" "$here/build/win64/tests/win32/wizard_screenshots.exe" "Z:${out//\//\\}\\$ppi"
  for bmp in "$out/$ppi"/*.bmp; do
    convert "$bmp" -alpha off "${bmp%.bmp}.png"
    rm -f "$bmp"
  done
done
node "$here/tests/browser/screenshots.js" "$out/browser" chromium >/dev/null

docs="$here/docs/screenshots"
mkdir -p "$docs"
cp "$out/96/page2.png" "$docs/wizard-password.png"
cp "$out/96/page4_locked.png" "$docs/wizard-locked.png"
cp "$out/120/page3.png" "$docs/wizard-template-120dpi.png"
cp "$out/96/site_page2.png" "$docs/wizard-site-password.png"
cp "$out/120/site_page4_locked.png" "$docs/wizard-site-locked-120dpi.png"
cp "$out/browser/chromium/light-2-locked.png" "$docs/browser-prompt.png"
ls "$out"/*/*.png
