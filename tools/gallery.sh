#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the README's pictures with the real program: starts it under a private
# Xvfb at 1920x1080 with a fixed settings file, drives it with xdotool through
# its menus, sliders and file dialogs, and writes
#   screenshot.png  the window with a few strokes, a picture and an open menu
#   brushes.png     one labelled tile per brush: the same zig-zag stroke on a
#                   fresh canvas, cut from a screenshot
#   operations.png  one labelled tile per picture operation, applied to the
#                   same landscape, cut from the BMP the program saved
# Every tile is what the program painted; ImageMagick only makes the input
# landscape, cuts, shrinks and labels.
#
# The captions, the menus' lengths and the thicknesses and colour modes come
# from the program's own tables, printed by pemma_captions (tools/captions.cpp).
#
# Usage: tools/gallery.sh [--binary FILE] [--captions FILE] [--out DIR] [--work DIR]
#                         [--brushes "N ..."] [--operations "N ..."]
#   --binary      the program (default build/pemmarover)
#   --captions    the table printer (default build/tools/pemma_captions)
#   --out         where the three pictures go (default docs)
#   --work        keep the full-size cuts there (default: a temporary folder)
#   --brushes     brush numbers to show (default all)
#   --operations  operation numbers to show (default all)
set -u
ROOT=$(cd "$(dirname "$0")/.." && pwd)
. "$ROOT/tests/e2e/lib.sh"

BIN=$ROOT/build/pemmarover
CAPTIONS_TOOL=$ROOT/build/tools/pemma_captions
OUT=$ROOT/docs
WORK=
unset BRUSHES OPERATIONS
while [ $# -gt 0 ]; do
    case "$1" in
    --binary) BIN=$2; shift 2 ;;
    --captions) CAPTIONS_TOOL=$2; shift 2 ;;
    --out) OUT=$2; shift 2 ;;
    --work) WORK=$2; shift 2 ;;
    --brushes) BRUSHES=$2; shift 2 ;;
    --operations) OPERATIONS=$2; shift 2 ;;
    *) echo "usage: $0 [--binary FILE] [--captions FILE] [--out DIR] [--work DIR] [--brushes \"N ...\"] [--operations \"N ...\"]" >&2
       exit 2 ;;
    esac
done

[ -x "$BIN" ] || fail "no program at $BIN: build it first"
[ -x "$CAPTIONS_TOOL" ] || fail "no pemma_captions at $CAPTIONS_TOOL: build it first"
for tool in Xvfb xdotool convert montage fc-list; do
    command -v "$tool" >/dev/null || fail "$tool is missing (see PACKAGES in pemma.sh)"
done
FONT=$(fc-list ':lang=ja' file | grep -i 'ipag\.ttf' | head -n 1 | sed 's/: *$//')
[ -n "$FONT" ] || FONT=$(fc-list ':lang=ja' file | head -n 1 | sed 's/: *$//')
[ -n "$FONT" ] || fail "no Japanese font found (fonts-ipafont-gothic)"

[ -n "$WORK" ] || WORK="$E2E_TMP/work"
mkdir -p "$OUT" "$WORK/brushes" "$WORK/operations" || fail "cannot create $OUT or $WORK"
WORK=$(cd "$WORK" && pwd)
TMP=$E2E_TMP

# ---------------------------------------------------------------- the tables

TABLES=$("$CAPTIONS_TOOL") || fail "$CAPTIONS_TOOL failed"
# Lines "<table> <number> [<caption>]" of one table, in menu order.
table() { awk -v t="$1" '$1 == t { n = $2; sub(/^[^ ]+ [^ ]+ ?/, ""); print n, $0 }' <<<"$TABLES"; }

BRUSH_CAPTIONS=() OPERATION_CAPTIONS=() MODE_CAPTIONS=() THICKNESSES=()
while read -r n caption; do BRUSH_CAPTIONS[n]=$caption; done < <(table brush)
while read -r n caption; do OPERATION_CAPTIONS[n]=$caption; done < <(table operation)
while read -r n caption; do MODE_CAPTIONS+=("$caption"); done < <(table colour_mode)
while read -r n _; do THICKNESSES+=("$n"); done < <(table thickness)
[ ${#BRUSH_CAPTIONS[@]} -gt 0 ] && [ ${#OPERATION_CAPTIONS[@]} -gt 0 ] && [ ${#MODE_CAPTIONS[@]} -gt 0 ] \
    && [ ${#THICKNESSES[@]} -gt 0 ] || fail "$CAPTIONS_TOOL printed an empty table"
[ -n "${BRUSHES+set}" ] || BRUSHES="${!BRUSH_CAPTIONS[*]}"
[ -n "${OPERATIONS+set}" ] || OPERATIONS="${!OPERATION_CAPTIONS[*]}"

# How each brush is shown: thickness, colour mode, what lies under the stroke
# (white, or the landscape for the brushes that rework what is already there)
# and the zoom of the tile (the sampling brushes change only a narrow band,
# so their tiles show half the area at twice the scale).
brush_setup() {
    case "$1" in
    0) echo "20 連続2 white 1" ;;
    1 | 2 | 3) echo "30 単色 white 1" ;;
    4 | 19 | 20) echo "10 連続2 white 1" ;;
    5) echo "5 ランダム white 1" ;;
    6) echo "3 ランダム white 1" ;;
    7) echo "2 ランダム white 1" ;;
    8) echo "8 単色 white 1" ;;
    9) echo "10 連続2 white 1" ;;
    10) echo "4 連続2 white 1" ;;
    11) echo "1 連続2 white 1" ;;
    12 | 13 | 14 | 15 | 16 | 17 | 18 | 21 | 22) echo "3 連続2 white 1" ;;
    23 | 24 | 25 | 26) echo "15 ランダム white 1" ;;
    27) echo "10 ランダム white 1" ;;
    28 | 29) echo "60 単色 white 1" ;;
    30) echo "10 単色 white 1" ;;
    31 | 32 | 35) echo "1 連続2 white 1" ;;
    44 | 45) echo "2 連続2 white 1" ;;
    33) echo "10 単色 white 1" ;;
    34 | 36) echo "3 連続2 white 1" ;;
    37 | 38 | 39) echo "10 単色 photo 2" ;;
    40) echo "30 単色 white 1" ;;
    41 | 42 | 43) echo "60 単色 white 1" ;;
    *) fail "no way to show brush $1 (add it to brush_setup)" ;;
    esac
}
# The fixed colour of "単色" tiles, set with the sliders before each of them.
SOLID_RGB=(30 80 200)

# Settings file: colour 30,80,200, thickness 10, "単色", "通常", white background.
SETTINGS='30,80,200,10,1,0,,,16777215\r\n'

# PNG written the same way every time: no dates or other text chunks.
# Usage: png_out INPUT [OPTION ...] OUTPUT
png_out() {
    convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time,tEXt,zTXt,iTXt "${!#}"
}

# ---------------------------------------------------------------- menus

# Menu bar order: 0 "メニュー", 1 "画像処理", 2 "色選択", 3 "描画筆選択", 4 "筆太さ".
MENU_SIZES=(7 ${#OPERATION_CAPTIONS[@]} ${#MODE_CAPTIONS[@]} ${#BRUSH_CAPTIONS[@]} ${#THICKNESSES[@]})

# Opens menu $1 of the bar and highlights its item $2 (counted from 0): Right
# from "メニュー" to the menu wanted, then Up Down, which lands on the first
# item whether or not one was highlighted.
open_menu_at() {
    local menu=$1 item=$2 keys=() i
    for ((i = 0; i < menu; i++)); do keys+=(Right); done
    keys+=(Up Down)
    if [ "$item" -le $((MENU_SIZES[menu] / 2)) ]; then
        for ((i = 0; i < item; i++)); do keys+=(Down); done
    else
        keys+=(Up)
        for ((i = MENU_SIZES[menu] - 1; i > item; i--)); do keys+=(Up); done
    fi
    menu "${keys[@]}"
}

# Chooses item $2 of menu $1 and waits until its menu has closed, so that the
# next click reaches the window and not the menu's grab of the pointer.
choose() {
    open_menu_at "$1" "$2"
    xdotool key Return
    wait_menus_closed
}

# Chooses item $2 of menu $1 and waits for the dialog it opens; sets DIALOG.
choose_dialog() {
    open_menu_at "$1" "$2"
    xdotool key Return
    wait_dialog "" "$3"
}

# "メニュー" items.
OPEN=0 SAVE_BMP=1 BLACK=4 WHITE=5 CLEAR=6

# "画像開く": opens picture $1 as the canvas's background picture.
open_picture() {
    choose_dialog 0 $OPEN "open dialog for $1"
    enter_name_until_gone "$1" "$DIALOG" "after opening $1"
}

# "bmp完全保存": saves the whole canvas as BMP file $1, answering Yes.
save_bmp() {
    rm -f "$1"
    choose_dialog 0 $SAVE_BMP "BMP save dialog"
    enter_name "$1"
    wait_dialog "$DIALOG" "question before saving"
    xdotool key y
    wait_file "$1" "the BMP save"
}

# Sets the three colour sliders to r, g, b with the keyboard: a click on a
# slider's left arrow gives it the focus, Home goes to 0, Page Up adds 16 and
# Right adds 1. Done when the swatch beside the sliders shows the colour.
set_colour() {
    local n v keys i rgb="$1,$2,$3"
    for n in 0 1 2; do
        v=$(($1))
        shift
        click 20 $((MENU_BAR + 16 * n + 8))
        keys=(Home)
        for ((i = 0; i < v / 16; i++)); do keys+=(Prior); done
        for ((i = 0; i < v % 16; i++)); do keys+=(Right); done
        xdotool key --delay 15 "${keys[@]}"
    done
    move_to 1900 1060
    expect_screen "$TMP/swatch.png" 68 $((MENU_BAR + 20)) "$rgb" "the swatch shows the colour set with the sliders"
}

# ---------------------------------------------------------------- strokes

# Client-area points of the zig-zag stroke around (cx, cy): four legs, each
# starting and ending slowly and fastest in its middle, so the brushes that
# follow the pointer's speed show thick and thin parts.
zigzag_points() {
    awk -v cx="$1" -v cy="$2" 'BEGIN {
        n = split("-270 70 -135 -80 0 80 135 -80 270 70", v, " ")
        steps = 16; pi = atan2(0, -1)
        printf "%d %d\n", cx + v[1], cy + v[2]
        for (leg = 0; leg < 4; leg++) {
            x0 = v[2 * leg + 1]; y0 = v[2 * leg + 2]; x1 = v[2 * leg + 3]; y1 = v[2 * leg + 4]
            for (k = 1; k <= steps; k++) {
                t = (1 - cos(pi * k / steps)) / 2
                printf "%d %d\n", cx + x0 + t * (x1 - x0), cy + y0 + t * (y1 - y0)
            }
        }
    }'
}

# Drags with the left button along the client-area points on stdin. One
# xdotool process runs the whole drag, 35 ms between moves.
drag() {
    local args=() x y
    while read -r x y; do
        args+=(mousemove "$x" $((y + MENU_BAR)) sleep 0.035)
        [ ${#args[@]} = 5 ] && args+=(mousedown 1 sleep 0.035)
    done
    # "毛筆" fades out on the moves within 0.1 s of the release; after a
    # pause the next move ends its stroke without painting.
    xdotool "${args[@]}" mouseup 1 sleep 0.3 mousemove 1900 1060 sleep 0.2 </dev/null
}

# Draws the landscape the operations work on, $1 x $2 pixels, into $3:
# sky, sun, two ranges of mountains and their reflection in a lake, the
# mountains textured with plasma of a fixed seed.
make_landscape() {
    local w=$1 h=$2 out=$3 t="$TMP/landscape"
    # Positions in per cent of the width and the height.
    at_x() { echo $(($1 * w / 100)); }
    at_y() { echo $(($1 * h / 100)); }
    mkdir -p "$t"
    convert -size "${w}x$h" gradient:'#3a6fd0-#f6dcb0' -depth 8 "$t/sky.png" &&
    convert -seed 11 -size "${w}x$h" plasma:'#5a6a80-#a0a8b8' -blur 0x0.8 -depth 8 "$t/far.png" &&
    convert -seed 12 -size "${w}x$h" plasma:'#2f6b2a-#7fa040' -blur 0x0.8 -depth 8 "$t/near.png" &&
    convert -size "${w}x$h" xc:black -fill white -draw "polygon 0,$(at_y 55) $(at_x 18),$(at_y 34) $(at_x 33),$(at_y 45) \
        $(at_x 52),$(at_y 26) $(at_x 74),$(at_y 48) $(at_x 88),$(at_y 38) $w,$(at_y 50) $w,$h 0,$h" "$t/farmask.png" &&
    convert -size "${w}x$h" xc:black -fill white -draw "polygon 0,$(at_y 62) $(at_x 25),$(at_y 52) $(at_x 45),$(at_y 60) \
        $(at_x 70),$(at_y 50) $w,$(at_y 64) $w,$h 0,$h" "$t/nearmask.png" &&
    convert "$t/sky.png" -fill '#fff4c0' -draw "circle $(at_x 72),$(at_y 20) $(at_x 72),$(at_y 28)" \
        "$t/far.png" "$t/farmask.png" -composite "$t/near.png" "$t/nearmask.png" -composite "$t/land.png" &&
    convert "$t/land.png" -crop "${w}x$(at_y 72)+0+0" +repage \( +clone -flip -crop "${w}x$((h - $(at_y 72)))+0+0" +repage \
        -fill '#1d4f8a' -colorize 45% -blur 0x1 \) -append -depth 8 "$t/out.png" &&
    png_out "$t/out.png" "$out"
}

# ---------------------------------------------------------------- cells

TILE_W=240 TILE_H=150 OP_TILE=200 LABEL_H=24

# Adds a label under picture $1 (already tile-sized) and writes cell $3.
label_cell() {
    local w
    w=$(identify -format '%w' "$1")
    convert "$1" \( -size "${w}x$LABEL_H" -background white -fill black -font "$FONT" -pointsize 15 \
        -gravity center label:"$2" \) -append "$3"
}

# Writes gallery $1 from the cells $3... in rows of at most $2. The gallery
# and the screenshot keep 256 colours, dithered: a third of the bytes.
gallery() {
    local out=$1 cols=$2
    shift 2
    [ $# -lt "$cols" ] && cols=$#
    montage "$@" -tile "${cols}x" -geometry +4+4 -background white "$TMP/montage.png" \
        || fail "montage failed for $out"
    png_out "$TMP/montage.png" -dither FloydSteinberg -colors 256 "PNG8:$out"
}

# ---------------------------------------------------------------- the run

start_xvfb 1920x1080
mkdir -p "$TMP/app"
printf "$SETTINGS" >"$TMP/app/pic-ini.dat"
start_app "$TMP/app" "$BIN"

# The canvas starts below the menu bar: its first row turns black with "背景黒".
choose 0 $BLACK
expect_screen "$TMP/black.png" 960 100 "0,0,0" "the black background"
MENU_BAR=$(convert "$TMP/black.png" -crop 1x81+960+0 +repage -depth 8 txt:- | awk -F'[ ,:]+' '/\(0,0,0\)/ { print $2; exit }')
[ -n "$MENU_BAR" ] || fail "could not find the canvas below the menu bar"
choose 0 $WHITE

# The landscape the operations work on, and a screen filled with it for the
# brushes that rework the canvas.
PHOTO="$WORK/landscape.png"
BACKDROP="$WORK/backdrop.png"
make_landscape 340 340 "$PHOTO" || fail "could not make the landscape"
convert -size 1920x1080 tile:"$PHOTO" "$BACKDROP" || fail "could not make the backdrop"

# Chooses brush $1, thickness $2 and colour mode $3 in their menus, each only
# when it differs from the last choice.
current_brush='' current_size='' current_mode=''
select_tools() {
    local i item=
    [ "$1" != "$current_brush" ] && { choose 3 "$1"; current_brush=$1; }
    if [ "$2" != "$current_size" ]; then
        for i in "${!THICKNESSES[@]}"; do [ "${THICKNESSES[$i]}" = "$2" ] && item=$i; done
        [ -n "$item" ] || fail "no thickness $2"
        choose 4 "$item"
        current_size=$2
    fi
    if [ "$3" != "$current_mode" ]; then
        item=
        for i in "${!MODE_CAPTIONS[@]}"; do [ "${MODE_CAPTIONS[$i]}" = "$3" ] && item=$i; done
        [ -n "$item" ] || fail "no colour mode $3"
        choose 2 "$item"
        current_mode=$3
    fi
}

# 1. The screenshot: the landscape, a few strokes, the brush menu open.
open_picture "$PHOTO"
stamp() { # brush thickness mode; the client points on stdin
    select_tools "$@"
    drag
}
set_colour 200 40 60
awk 'BEGIN { for (i = 0; i <= 60; i++) printf "%d %d\n", 450 + 20 * i, 820 + 90 * sin(i / 6) }' | stamp 8 10 単色
set_colour 30 80 200
awk 'BEGIN { for (i = 0; i <= 50; i++) printf "%d %d\n", 520 + 12 * i, 250 + 60 * sin(i / 4) + i * 3 }' | stamp 2 30 単色
awk 'BEGIN { for (i = 0; i <= 2; i++) printf "%d %d\n", 1450 + 30 * i, 330 + 10 * i }' | stamp 33 20 連続2
awk 'BEGIN { for (i = 0; i <= 40; i++) printf "%d %d\n", 1150 + 15 * i, 600 - 4 * i }' | stamp 27 10 ランダム
awk 'BEGIN { for (i = 0; i <= 30; i++) printf "%d %d\n", 700 + 12 * i, 560 + 40 * cos(i / 3) }' | stamp 6 3 ランダム
open_menu_at 3 8
settled_screenshot "$TMP/screen.png"
xdotool key Escape
wait_menus_closed
png_out "$TMP/screen.png" -resize 1440x810 -dither FloydSteinberg -colors 256 "PNG8:$OUT/screenshot.png" || fail "could not write the screenshot"

# 2. The brushes: each on a fresh canvas with the same zig-zag stroke.
CX=960 CY=540 CUT_W=720 CUT_H=450
zigzag_points $CX $CY >"$TMP/zigzag.txt"
cells=()
for b in $BRUSHES; do
    read -r size mode under zoom <<<"$(brush_setup "$b")"
    if [ "$under" = photo ]; then open_picture "$BACKDROP"; else choose 0 $CLEAR; fi
    select_tools "$b" "$size" "$mode"
    [ "$mode" = 単色 ] && set_colour "${SOLID_RGB[@]}"
    drag <"$TMP/zigzag.txt"
    settled_screenshot "$TMP/shot.png"
    cut="$WORK/brushes/$(printf '%02d' "$b").png"
    w=$((CUT_W / zoom)) h=$((CUT_H / zoom))
    png_out "$TMP/shot.png" -crop "${w}x$h+$((CX - w / 2))+$((MENU_BAR + CY - h / 2))" +repage "$cut" \
        || fail "could not cut brush $b"
    convert "$cut" -resize "${TILE_W}x$TILE_H" "$TMP/tile.png"
    label="$b ${BRUSH_CAPTIONS[$b]}"
    [ "$zoom" != 1 ] && label="$label (×$zoom)"
    label_cell "$TMP/tile.png" "$label" "$TMP/brush-$b.png"
    cells+=("$TMP/brush-$b.png")
    echo "brush $b ${BRUSH_CAPTIONS[$b]} (${SECONDS} s)"
done
[ ${#cells[@]} -gt 0 ] && gallery "$OUT/brushes.png" 6 "${cells[@]}"

# 3. The operations: the landscape opened afresh, one operation, saved as BMP.
# The operations work on an area 1.76 times the picture's size in pixels (the
# opened size is taken in hundredths of a millimetre as twips): 600 x 600 here.
OP_CUT=600
cells=()
for op in 0 $OPERATIONS; do
    open_picture "$PHOTO"
    [ "$op" != 0 ] && choose 1 $((op - 1))
    save_bmp "$TMP/saved.bmp"
    cut="$WORK/operations/$(printf '%02d' "$op").png"
    png_out "$TMP/saved.bmp" -crop "${OP_CUT}x$OP_CUT+0+0" +repage "$cut" || fail "could not cut operation $op"
    convert "$cut" -resize "${OP_TILE}x$OP_TILE" "$TMP/tile.png"
    if [ "$op" = 0 ]; then label="元の画像"; else label="$op ${OPERATION_CAPTIONS[$op]}"; fi
    label_cell "$TMP/tile.png" "$label" "$TMP/op-$op.png"
    cells+=("$TMP/op-$op.png")
    echo "operation $op $label (${SECONDS} s)"
done
gallery "$OUT/operations.png" 6 "${cells[@]}"

stop_app
ls -l "$OUT/screenshot.png" "$OUT/brushes.png" "$OUT/operations.png"
