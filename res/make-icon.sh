#!/usr/bin/env bash
# Draws the application icon: a receipt slip with printed lines and a green tick, at 32x32 and
# 16x16, as PNG (for the desktop's icon theme) and XPM (compiled into the program). Run by hand
# after changing the drawing; the outputs are kept in the tree so that a build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"

draw() {  # size, output
  local s=$1 out=$2
  # Drawn at 32x32 and scaled, so that both sizes show the same picture.
  convert -size 32x32 xc:none \
    -fill white -stroke '#555555' -strokewidth 1 \
    -draw "polygon 6,1 25,1 25,27 22,30 19,27 16,30 13,27 10,30 6,27" \
    -stroke '#8a8a8a' -strokewidth 2 \
    -draw "line 9,6 22,6" -draw "line 9,10 22,10" -draw "line 9,14 18,14" \
    -stroke '#1e8c2e' -strokewidth 4 -fill none \
    -draw "stroke-linecap round stroke-linejoin round polyline 11,20 16,25 28,11" \
    -resize "${s}x${s}" -depth 8 -strip "$out"
}

draw 32 icon-32.png
draw 16 icon-16.png
for s in 32 16; do
  # XPM is C source: give the array a name of its own and make it const, as C++ requires.
  convert "icon-$s.png" -depth 8 xpm:- |
    sed -e "s/^static[^[]*\[\]/static const char* const tq_icon_${s}_xpm[]/" > "icon-$s.xpm"
done
