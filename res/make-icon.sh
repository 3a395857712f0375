#!/usr/bin/env bash
# Draws the application icon: a receipt slip with printed lines and a green tick, as PNG at the
# icon theme's usual sizes, 16 to 256 (for the desktop), and as XPM at 16 and 32 (compiled into
# the program). Run by hand after changing the drawing; the outputs are kept in the tree so that
# a build needs no ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"

draw() {  # size, output
  local s=$1 out=$2
  # The drawing is made on a 32x32 grid, scaled by a whole factor to at least the size wanted,
  # then resized: every size shows the same picture, and 16 and 32 stay exactly what they were.
  local k=$(( (s + 31) / 32 ))
  local c=$(( 32 * k ))
  convert -size "${c}x${c}" xc:none \
    -draw "scale $k,$k fill white stroke #555555 stroke-width 1
           polygon 6,1 25,1 25,27 22,30 19,27 16,30 13,27 10,30 6,27" \
    -draw "scale $k,$k stroke #8a8a8a stroke-width 2 line 9,6 22,6 line 9,10 22,10 line 9,14 18,14" \
    -draw "scale $k,$k stroke #1e8c2e stroke-width 4 fill none
           stroke-linecap round stroke-linejoin round polyline 11,20 16,25 28,11" \
    -resize "${s}x${s}" -depth 8 -strip "$out"
}

for s in 16 32 48 64 128 256; do
  draw "$s" "icon-$s.png"
done
for s in 32 16; do
  # XPM is C source: give the array a name of its own and make it const, as C++ requires.
  convert "icon-$s.png" -depth 8 xpm:- |
    sed -e "s/^static[^[]*\[\]/static const char* const tq_icon_${s}_xpm[]/" > "icon-$s.xpm"
done
