#!/bin/bash
# Draws the sample site's picture (samples/site/images/loaf.png): a loaf on
# a crust-coloured disc, 96 pixels square. Needs ImageMagick; the picture is
# committed, so the demo does not.
set -euo pipefail
out="$(cd "$(dirname "$0")/.." && pwd)/samples/site/images/loaf.png"
convert -size 96x96 xc:'#fffdf8' -fill '#d9a066' -draw 'circle 48,48 48,10' \
  -fill '#8a4b2a' -draw 'ellipse 48,52 26,14 0,360' -fill '#fbf1e6' -draw 'line 30,50 66,50' \
  -strip PNG8:"$out"
