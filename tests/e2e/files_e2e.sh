#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end: the picture file commands through the real file dialog and
# question box. Opens a BMP, saves the canvas back as BMP (answering No once,
# then Yes), saves a JPEG at quality 80, changes the background, clears the
# foreground and reopens the saved BMP; checks the screen and the files.
# Usage: files_e2e.sh <pemmarover binary>
set -u
BIN=$1
. "$(dirname "$0")/lib.sh"

start_xvfb

PICS="$E2E_TMP/pictures dir"
mkdir -p "$PICS"
IN="$PICS/in picture.bmp"
convert -size 400x300 xc:'rgb(200,30,60)' -fill 'rgb(20,90,240)' -draw 'rectangle 200,0 399,299' \
    BMP3:"$IN" || fail "could not make the input picture"

start_app "$E2E_TMP/app" "$BIN"

# 1. Open the BMP: it lies at the canvas's top-left corner (below the menu bar).
menu Down Return
wait_dialog "" "open dialog"
enter_name "$IN"
wait_gone "$DIALOG" "after opening"
expect_screen "$E2E_TMP/opened.png" 150 200 "200,30,60" "left half of the opened picture"
expect_screen "$E2E_TMP/opened.png" 300 200 "20,90,240" "right half of the opened picture"
expect_screen "$E2E_TMP/opened.png" 600 200 "255,255,255" "the background beside the picture"

# 2. Save as BMP: No to the first name, Yes to the second.
FIRST="$PICS/first try.bmp"
SAVED="$PICS/saved copy.bmp"
menu Down Down Return
wait_dialog "" "BMP save dialog"
enter_name "$FIRST"
wait_dialog "$DIALOG" "question after the first name"
xdotool key n
wait_dialog "$DIALOG" "BMP save dialog again after No"
enter_name "$SAVED"
wait_dialog "$DIALOG" "question after the second name"
xdotool key y
wait_file "$SAVED" "the BMP save"
# The program handles the answers in turn: had No written the first name,
# that file would be there before the second.
[ -e "$FIRST" ] && fail "a file was written although the answer was No"
[ "$(identify -format '%m %w %h' "$SAVED")" = "BMP3 1280 1024" ] \
    || fail "the BMP is not the whole canvas: $(identify -format '%m %w %h' "$SAVED")"
[ "$(od -An -tu1 -j28 -N1 "$SAVED" | tr -d ' ')" = 24 ] || fail "the BMP is not 24-bit"
convert "$SAVED" -crop 400x300+0+0 +repage "$E2E_TMP/crop.png"
[ "$(compare -metric AE "$IN" "$E2E_TMP/crop.png" null: 2>&1)" = 0 ] \
    || fail "the saved BMP differs from the opened picture"
expect_pixel "$SAVED" 600 200 "255,255,255" "the background in the saved BMP"

# 3. Save as JPEG at quality 80 ("jpg保存" > "80").
PHOTO="$PICS/photo.jpg"
menu Down Down Down Right Down Down Down Down Return
wait_dialog "" "JPEG save dialog"
enter_name "$PHOTO"
wait_dialog "$DIALOG" "question for the JPEG"
Q3=$DIALOG
xdotool key y
wait_file "$PHOTO" "the JPEG save"
[ "$(od -An -tx1 -N3 "$PHOTO" | tr -d ' ')" = ffd8ff ] || fail "the JPEG file does not start as a JPEG"
read -r FORMAT WIDTH HEIGHT QUALITY <<<"$(identify -format '%m %w %h %Q' "$PHOTO")"
[ "$FORMAT $WIDTH $QUALITY" = "JPEG 1280 80" ] || fail "unexpected JPEG: $FORMAT $WIDTH x $HEIGHT q$QUALITY"
[ "$HEIGHT" -lt 1024 ] && [ "$HEIGHT" -gt 900 ] || fail "the JPEG is not the client area: height $HEIGHT"

# 4. Black background, then clear the foreground, then reopen the saved BMP.
menu Down Down Down Down Down Return
wait_menus_closed
expect_screen "$E2E_TMP/black.png" 600 200 "0,0,0" "the black background beside the picture"
expect_screen "$E2E_TMP/black.png" 150 200 "200,30,60" "the picture stays over the black background"
menu Down Down Down Down Down Down Down Return
wait_menus_closed
expect_screen "$E2E_TMP/cleared.png" 150 200 "0,0,0" "the picture is removed"
menu Down Return
wait_dialog "$Q3" "open dialog for the saved BMP"
enter_name "$SAVED"
wait_gone "$DIALOG" "after reopening"
expect_screen "$E2E_TMP/reopened.png" 150 200 "200,30,60" "the reopened BMP shows the picture"
expect_screen "$E2E_TMP/reopened.png" 600 200 "255,255,255" "the reopened BMP shows the white it was saved with"

stop_app
echo "files e2e: passed"
