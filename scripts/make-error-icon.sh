#!/bin/bash
# Draws icon 9000 of the error dialog (resources/error_report.ico): a red
# warning disc with a white exclamation mark, at 32 and 16 pixels. Needs
# ImageMagick; the icon is committed, so the build does not.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/resources/error_report.ico"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

draw() {  # size file
  local s=$1 m=$(( $1 / 2 )) w=$(( $1 / 8 ))
  convert -size "${s}x${s}" xc:none \
    -fill '#C62828' -stroke '#7F0000' -strokewidth 1 -draw "circle $m,$m $m,1" \
    -fill white -stroke none \
    -draw "rectangle $(( m - w / 2 - 1 )),$(( s / 5 )) $(( m + w / 2 )),$(( s * 3 / 5 ))" \
    -draw "rectangle $(( m - w / 2 - 1 )),$(( s * 7 / 10 )) $(( m + w / 2 )),$(( s * 4 / 5 ))" \
    "PNG32:$2"
}

draw 32 "$work/32.png"
draw 16 "$work/16.png"
convert "$work/32.png" "$work/16.png" "$out"
echo "wrote $out"
