#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The README's picture script on a small scale: two brushes and two picture
# operations into a temporary folder. Checks that the three pictures are PNGs
# of the sizes their layout gives, and that the tiles show what was chosen:
# the rainbow's colours for "虹", the mosaic brush changing the landscape
# along the stroke, "色反転" the negative and "右90度回転" the quarter turn of
# the untouched landscape.
# Usage: gallery_e2e.sh <pemmarover binary> <pemma_captions binary> <gallery script>
set -u
BIN=$1
CAPTIONS=$2
SCRIPT=$3
. "$(dirname "$0")/lib.sh"
TMP=$E2E_TMP

bash "$SCRIPT" --binary "$BIN" --captions "$CAPTIONS" --out "$TMP/out" --work "$TMP/work" \
    --brushes "8 39" --operations "24 31" || fail "the gallery script failed"

expect_png() {
    local got
    got=$(identify -format '%m %w %h' "$TMP/out/$1" 2>&1) || fail "$1 is not a picture: $got"
    [ "$got" = "PNG $2 $3" ] || fail "$1 is '$got', expected 'PNG $2 $3'"
}
# Tiles of 240x150 (brushes) and 200x200 (operations), a 24-pixel label under
# each and a 4-pixel margin round it; the operations start with the original.
expect_png screenshot.png 1440 810
expect_png brushes.png $((2 * 248)) $((150 + 24 + 8))
expect_png operations.png $((3 * 208)) $((200 + 24 + 8))

# Pixels of picture $1 that differ from picture $2 by more than 2 %.
differing() { compare -metric AE -fuzz 2% "$1" "$2" null: 2>&1; }

# Number of pixels of exactly colour $2 in picture $1.
count_colour() {
    convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info:
}

B="$TMP/work/brushes" O="$TMP/work/operations"
for c in 'rgb(255,0,0)' 'rgb(255,255,0)' 'rgb(206,0,255)'; do
    n=$(count_colour "$B/08.png" "$c")
    [ "$n" -gt 1000 ] || fail "the 虹 tile has $n pixels of the rainbow colour $c"
done

# The mosaic tile is the middle of the landscape-filled screen, changed along
# the stroke only.
read -r W H <<<"$(identify -format '%w %h' "$B/39.png")"
convert "$TMP/work/backdrop.png" -crop "${W}x$H+$((960 - W / 2))+$((540 - H / 2))" +repage "$TMP/under.png"
n=$(differing "$B/39.png" "$TMP/under.png")
[ "$n" -gt $((W * H / 20)) ] && [ "$n" -lt $((W * H / 2)) ] \
    || fail "the モザイク筆 tile differs from the landscape in $n of $((W * H)) pixels"

# The operations leave the first row and column as they were: compare the rest.
convert "$O/00.png" -negate -crop 599x599+1+1 +repage "$TMP/negative.png"
convert "$O/24.png" -crop 599x599+1+1 +repage "$TMP/inverted.png"
n=$(differing "$TMP/inverted.png" "$TMP/negative.png")
[ "$n" = 0 ] || fail "the 色反転 tile differs from the negative in $n pixels"

# A quarter turn clockwise of the 600x600 area; the turned columns land one
# pixel further right.
convert "$O/00.png" -rotate 90 -roll +1+0 -crop 598x598+2+1 +repage "$TMP/turned.png"
convert "$O/31.png" -crop 598x598+2+1 +repage "$TMP/turned31.png"
n=$(differing "$TMP/turned31.png" "$TMP/turned.png")
[ "$n" = 0 ] || fail "the 右90度回転 tile differs from the turned landscape in $n pixels"
n=$(differing "$O/31.png" "$O/00.png")
[ "$n" -gt 50000 ] || fail "the 右90度回転 tile hardly differs from the landscape ($n pixels)"

echo "gallery e2e: passed"
