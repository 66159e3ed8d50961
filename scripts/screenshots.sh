#!/usr/bin/env bash
# Writes PNG pictures of the wizard's five pages and of an error box into
# build/screenshots (or the folder given), under a virtual display. Needs a
# configured win32 build (cmake --preset win32).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/build/screenshots}")
mkdir -p "$out"
cmake --build --preset win32 -j2 --target wizard_screenshots >/dev/null

xvfb_pid=
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true; }
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 130 160); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
  done
  sleep 1
fi

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
