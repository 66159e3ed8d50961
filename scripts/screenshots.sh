#!/usr/bin/env bash
# Writes PNG pictures of the wizard's five pages, of page 2 in source-hide mode
# and of an error box into build/screenshots (or the folder given). Needs a
# configured win32 build (cmake --preset win32); without DISPLAY wine-run
# brings a virtual display.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/build/screenshots}")
mkdir -p "$out"
cmake --build --preset win32 -j2 --target wizard_screenshots >/dev/null

# A prefix of its own, where wine draws the window frames itself: a virtual
# display has no window manager to draw them.
export ZENDREL_WINEPREFIX="$here/build/win32/wineprefix-screens"
run="$here/build/win32/wine-run"
"$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
"$run" "$here/build/win32/tests/win32/wizard_screenshots.exe" "Z:${out//\//\\}"
for bmp in "$out"/*.bmp; do
  convert "$bmp" -alpha off "${bmp%.bmp}.png"
  rm -f "$bmp"
done
ls "$out"/*.png
