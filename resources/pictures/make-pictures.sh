#!/usr/bin/env bash
# Draws the wizard's pictures with ImageMagick: the five page pictures
# (progressive JPEGs of 153 x 237 pixels, one per step, a page and lock motif
# on a calm blue ground) and the 16 x 16 button pictures (icons with alpha).
# Run it from anywhere; it rewrites the files beside itself.
set -euo pipefail
cd "$(dirname "$0")"

navy='#1e3a5f'
teal='#2f7f86'
paper='#fdfdfb'
line='#b9c6d6'
gold='#e0a43a'

# A sheet of paper with a folded corner and text lines: x y width height.
page() {
  local x=$1 y=$2 w=$3 h=$4 f=14
  local x2=$((x + w)) y2=$((y + h))
  printf 'fill %s stroke %s stroke-width 1.5 ' "$paper" "$navy"
  printf 'path "M %d,%d L %d,%d L %d,%d L %d,%d L %d,%d Z" ' \
    "$x" "$y" $((x2 - f)) "$y" "$x2" $((y + f)) "$x2" "$y2" "$x" "$y2"
  printf 'fill %s path "M %d,%d L %d,%d L %d,%d Z" ' "$line" $((x2 - f)) "$y" $((x2 - f)) $((y + f)) "$x2" $((y + f))
  printf 'stroke %s stroke-width 3 ' "$line"
  local ly
  for ((ly = y + 22; ly < y2 - 10; ly += 10)); do
    printf 'line %d,%d %d,%d ' $((x + 9)) "$ly" $((x2 - 9 - (ly % 3) * 6)) "$ly"
  done
}

# A padlock centred at cx, with its body's top at y; s is the body width.
lock() {
  local cx=$1 y=$2 s=$3 open=${4:-0}
  local h=$((s * 4 / 5)) r=$((s * 3 / 10))
  local sx=$((cx - r)) lift=$((open * s / 4))
  printf 'fill none stroke %s stroke-width %d ' "$navy" $((s / 7))
  printf 'path "M %d,%d L %d,%d A %d,%d 0 0,1 %d,%d L %d,%d" ' \
    "$sx" $((y - lift * 0 + 2)) "$sx" $((y - r / 2 - lift)) "$r" "$r" $((cx + r)) $((y - r / 2 - lift)) \
    $((cx + r)) $((y - (open ? lift + r / 2 : 0) + 2))
  printf 'stroke none fill %s roundrectangle %d,%d %d,%d 5,5 ' "$navy" $((cx - s / 2)) "$y" $((cx + s / 2)) $((y + h))
  printf 'fill %s circle %d,%d %d,%d ' "$gold" "$cx" $((y + h * 2 / 5)) "$cx" $((y + h * 2 / 5 + s / 10))
  printf 'rectangle %d,%d %d,%d ' $((cx - s / 24 - 1)) $((y + h * 2 / 5)) $((cx + s / 24 + 1)) $((y + h * 7 / 10))
}

# Five dots at the foot of the picture; the one of this step is filled.
steps() {
  local current=$1 i x
  for ((i = 0; i < 5; i++)); do
    x=$((49 + i * 14))
    if ((i == current)); then
      printf 'stroke none fill %s circle %d,222 %d,226 ' "$navy" "$x" "$x"
    else
      printf 'stroke %s stroke-width 1.5 fill none circle %d,222 %d,225 ' "$navy" "$x" "$x"
    fi
  done
}

picture() {
  local out=$1 top=$2 bottom=$3 draw=$4
  convert -size 153x237 "gradient:$top-$bottom" \
    -fill '#ffffff30' -stroke none -draw "circle 130,30 130,110" -draw "circle 10,200 10,260" \
    -draw "$draw" -strip -quality 90 -interlace JPEG -sampling-factor 2x2 "$out"
}

# Step 0: welcome, a page under a lock.
picture page0.jpg '#eef4fa' '#a8c2dd' "$(page 34 40 84 112) $(lock 86 132 52) $(steps 0)"
# Step 1: the page and its backup copy.
picture page1.jpg '#eef6f5' '#a3cbc8' "$(page 22 30 70 92) $(page 62 96 70 92)
  stroke $teal stroke-width 4 fill none path 'M 40,136 Q 40,160 56,160'
  stroke none fill $teal path 'M 54,152 L 64,160 L 54,168 Z' $(steps 1)"
# Step 2: the password, a row of hidden characters on a field, and a key.
picture page2.jpg '#f2f1f8' '#b9b4d8' "$(page 34 24 84 104)
  fill $paper stroke $navy stroke-width 1.5 roundrectangle 22,140 130,164 6,6
  stroke none fill $navy circle 40,152 40,156 circle 56,152 56,156 circle 72,152 72,156 circle 88,152 88,156
  fill $gold stroke $navy stroke-width 2 circle 52,190 52,202
  stroke $navy stroke-width 5 line 63,190 116,190 line 104,190 104,200 line 114,190 114,198 $(steps 2)"
# Step 3: templates, three sheets fanned out.
picture page3.jpg '#f6f3ec' '#d6c8a4' "$(page 20 44 66 90) $(page 44 56 66 90) $(page 68 68 66 90)
  stroke none fill $teal roundrectangle 76,80 126,92 3,3 fill $gold roundrectangle 76,98 110,104 2,2 $(steps 3)"
# Step 4: the locked page, done.
picture page4.jpg '#eef6ee' '#a6cfa8' "$(page 30 28 92 124) $(lock 76 122 48)
  fill '#2e8b57' stroke none circle 110,170 110,188
  stroke $paper stroke-width 4 fill none path 'M 101,170 L 108,177 L 120,164' $(steps 4)"

# The button pictures: 16 x 16 icons with a transparent ground.
icon() {
  local out=$1 draw=$2
  convert -size 16x16 xc:none -draw "$draw" -define icon:auto-resize=16 "$out"
}
icon help.ico "stroke none fill $navy circle 7.5,7.5 7.5,0 fill white
  path 'M 5,6 Q 5,3 8,3 Q 11,3 11,6 Q 11,8 8.5,9 L 8.5,10.5 L 6.8,10.5 L 6.8,8 Q 9.2,7.2 9.2,6 Q 9.2,4.6 8,4.6 Q 6.8,4.6 6.8,6 Z'
  rectangle 6.8,11.6 8.5,13"
icon prev.ico "stroke none fill $teal path 'M 1,8 L 8,1.5 L 8,5 L 15,5 L 15,11 L 8,11 L 8,14.5 Z'"
icon next.ico "stroke none fill $teal path 'M 15,8 L 8,1.5 L 8,5 L 1,5 L 1,11 L 8,11 L 8,14.5 Z'"
icon exit.ico "stroke none fill '#b23a3a' circle 7.5,7.5 7.5,0
  stroke white stroke-width 2.2 line 4.8,4.8 10.2,10.2 line 10.2,4.8 4.8,10.2"

# The program's own icon: a page under a lock on a blue tile, drawn at 256
# pixels and reduced to the sizes the shell asks for.
program_icon() {
  local work
  work=$(mktemp -d)
  convert -size 256x256 xc:none -fill "$navy" -stroke none -draw "roundrectangle 8,8 248,248 40,40" \
    -fill '#ffffff30' -draw "circle 200,56 200,150" \
    -draw "$(page 40 28 128 164 | sed "s/stroke-width 3 /stroke-width 8 /")" \
    -fill none -stroke "$paper" -strokewidth 26 -draw "path 'M 118,156 L 118,124 A 30,30 0 0,1 178,124 L 178,156'" \
    -stroke "$gold" -strokewidth 16 -draw "path 'M 118,156 L 118,124 A 30,30 0 0,1 178,124 L 178,156'" \
    -fill "$gold" -stroke "$paper" -strokewidth 4 -draw "roundrectangle 102,150 194,224 10,10" \
    -fill "$navy" -stroke none -draw "circle 148,182 148,194 rectangle 143,182 153,208" "PNG32:$work/256.png"
  local size
  for size in 48 32 16; do convert "$work/256.png" -resize "${size}x${size}" "PNG32:$work/$size.png"; done
  convert "$work/256.png" "$work/48.png" "$work/32.png" "$work/16.png" zendrel.ico
  rm -rf "$work"
}
program_icon

# The setup program's pictures (uncompressed BMPs, as NSIS reads them): the
# tall one of its first and last page and the small one of its page headers.
convert -size 164x314 "gradient:#eef6ee-#a6cfa8" -fill '#ffffff30' -stroke none -draw "circle 140,40 140,130" \
  -draw "$(page 34 70 96 128) $(lock 82 170 52)" -alpha off BMP3:setup_welcome.bmp
convert -size 150x57 xc:white -draw "$(page 104 6 34 44 | sed 's/stroke-width 3 /stroke-width 2 /')" \
  -draw "$(lock 121 34 18)" -alpha off BMP3:setup_header.bmp
echo "pictures written to $(pwd)"
