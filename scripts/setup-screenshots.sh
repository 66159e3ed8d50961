#!/usr/bin/env bash
# Writes PNG pictures of the setup program's pages into
# build/screenshots/setup (or the folder given): makes the setup program with
# cpack, runs it under wine in the screenshot prefix and presses Enter on
# each page with xdotool, capturing the window before each press. Needs a
# built win64 build (the 64-bit edition, under wine64), ImageMagick and
# xdotool, and a DISPLAY (an Xvfb will do).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/build/screenshots/setup}")
: "${DISPLAY:?set DISPLAY, for example to an Xvfb}"
command -v xdotool >/dev/null || { echo "xdotool is missing (apt-get install xdotool)" >&2; exit 1; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$here/build/win64" && cpack -G NSIS -B "$work" >/dev/null)
export ZENDREL_WINEPREFIX="$here/build/win64/wineprefix-screens-setup"
run="$here/build/win64/wine-run"
"$run" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
"$run" "$work"/zendrel-*-win64.exe &
setup=$!
sleep 6
# Welcome, notes, folder, Start-menu folder, installing, finish (its "Run"
# box unticked first, so that Enter only closes the setup program).
for page in 1 2 3 4 5; do
  window=$(xdotool search --name 'Zendrel' | head -1)
  import -window "$window" "$out/setup$page.png"
  if [ "$page" = 5 ]; then xdotool key --window "$window" space; fi
  xdotool key --window "$window" Return
  sleep 4
done
wait "$setup" || true
"$run" 'C:\Program Files\Zendrel\Uninstall.exe' /S
ls "$out"/*.png
