#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end: copy, paste and save as PNG through the real X clipboard, with
# xclip as the other program. Copies the drawing out (Ctrl+C) and saves it
# (Ctrl+S), pastes a PNG and a file's URL in (Ctrl+V), undoes a paste, and
# pastes a picture large enough to come in pieces, and pastes text and from
# an owner that does not answer, which give a message.
# Usage: clipboard_e2e.sh <pemmarover binary>
set -u
BIN=$1
. "$(dirname "$0")/lib.sh"
command -v xclip >/dev/null || fail "xclip is needed: apt-get install xclip"

OWNER_PIDS=()
cleanup() {
    local p
    for p in "${OWNER_PIDS[@]}"; do
        kill -CONT "$p" 2>/dev/null
        kill "$p" 2>/dev/null
    done
    e2e_cleanup
}
trap cleanup EXIT

# (lib.sh gives the script a home and XDG folders of its own.)
start_xvfb
start_app "$E2E_TMP/app" "$BIN"

# wait_or_fail WHAT COMMAND...: waits as wait_for does until the command
# succeeds, and fails with WHAT when it never does.
wait_or_fail() {
    local what=$1
    shift
    wait_for "$@" || fail "$what"
}

# The keys go to the window once it has the input focus (asked for again
# until it has it: a window not yet shown refuses it).
take_focus() {
    xdotool windowfocus "$APP_WINDOW" 2>/dev/null
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$APP_WINDOW" ]
}
app_key() {
    wait_or_fail "the window did not get the focus (for $*)" take_focus
    xdotool key "$@"
}

# A message or question box is a window of its own (see windows_shown).
box_shown() { [ "$(windows_shown)" -gt 0 ]; }
box_gone() { [ "$(windows_shown)" -eq 0 ]; }

offers() { xclip -selection clipboard -t TARGETS -o 2>/dev/null | grep -qx "$1"; }

# Another program (xclip, in the foreground of a background job) offers file
# $2 as type $1 on the clipboard.
offer() {
    xclip -quiet -selection clipboard -t "$1" -i "$2" >/dev/null 2>&1 &
    OWNER_PIDS+=($!)
    wait_or_fail "xclip did not take the clipboard" offers "$1"
}

same_pixels() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0 ]; }

drag() {
    move_to "$1" "$2"
    xdotool mousedown 1
    move_to $(( ($1 + $3) / 2 )) $(( ($2 + $4) / 2 ))
    move_to "$3" "$4"
    xdotool mouseup 1
}

PICS="$E2E_TMP/pictures"
mkdir -p "$PICS"

# 1. Ctrl+C: the whole drawing, as PNG and BMP, for any program to read.
drag 300 300 700 500
app_key ctrl+c
wait_or_fail "the copy is not offered as PNG" offers image/png
offers image/bmp || fail "the copy is not offered as BMP"
xclip -selection clipboard -t image/png -o >"$E2E_TMP/copied.png" || fail "xclip could not read the PNG"
xclip -selection clipboard -t image/bmp -o >"$E2E_TMP/copied.bmp" || fail "xclip could not read the BMP"
[ "$(identify -format '%m %w %h' "$E2E_TMP/copied.png")" = "PNG 1280 1024" ] \
    || fail "the copy is not the whole drawing: $(identify -format '%m %w %h' "$E2E_TMP/copied.png")"
same_pixels "$E2E_TMP/copied.png" "$E2E_TMP/copied.bmp" || fail "the PNG and the BMP of the copy differ"
convert -size 1280x1024 xc:white "$E2E_TMP/white.png"
same_pixels "$E2E_TMP/copied.png" "$E2E_TMP/white.png" && fail "the copy does not hold the stroke"

# 2. Ctrl+S: the PNG save dialog, then the question; the file is the copy.
drag 300 600 700 700 # the copy stays as it was
app_key ctrl+s
wait_dialog "" "the PNG save dialog"
SAVE_DIALOG=$DIALOG
# Entered again while the dialog keeps the focus: on a busy machine it can
# lose the first keys, and the question must not be taken for it.
enter_name_until_gone "$PICS/saved" "$SAVE_DIALOG" "the PNG save dialog"
wait_dialog "$SAVE_DIALOG" "the question after the name"
again_until_gone "$DIALOG" "the question before the PNG save" xdotool key y
wait_or_fail "the PNG was not written" test -s "$PICS/saved.png"
wait_or_fail "the question stayed" box_gone
xclip -selection clipboard -t image/png -o >"$E2E_TMP/again.png"
same_pixels "$E2E_TMP/copied.png" "$E2E_TMP/again.png" || fail "the clipboard changed with the drawing"
convert "$PICS/saved.png" "$E2E_TMP/saved-copy.png"
same_pixels "$E2E_TMP/saved-copy.png" "$E2E_TMP/copied.png" && fail "the saved PNG misses the second stroke"
[ "$(identify -format '%m %w %h' "$PICS/saved.png")" = "PNG 1280 1024" ] || fail "the saved PNG is not the whole drawing"

# 3. Ctrl+V of a PNG another program offers: the background picture, at the
# top-left of the canvas (below the menu bar); Ctrl+Z takes it back.
convert -size 400x300 xc:'rgb(200,30,60)' -fill 'rgb(20,90,240)' -draw 'rectangle 200,0 399,299' \
    "$PICS/in.png" || fail "could not make the input picture"
offer image/png "$PICS/in.png"
screenshot "$E2E_TMP/before.png"
STROKE=$(pixel_of "$E2E_TMP/before.png" 500 400)
[ "$STROKE" != "255,255,255" ] || fail "the stroke is not on the screen"
app_key ctrl+v
screenshot "$E2E_TMP/pasted.png"
expect_screen "$E2E_TMP/pasted.png" 150 200 "200,30,60" "left half of the pasted picture"
expect_screen "$E2E_TMP/pasted.png" 300 200 "20,90,240" "right half of the pasted picture"
expect_screen "$E2E_TMP/pasted.png" 500 400 "255,255,255" "the painting is gone under the pasted picture"
app_key ctrl+z
screenshot "$E2E_TMP/undone.png"
expect_screen "$E2E_TMP/undone.png" 150 200 "255,255,255" "undo takes the picture back"
expect_screen "$E2E_TMP/undone.png" 500 400 "$STROKE" "undo brings the stroke back"

# A picture larger than one X request (17 MB as BMP) comes in pieces (INCR).
convert -size 2400x2400 xc:'rgb(250,120,0)' -fill 'rgb(90,0,160)' -draw 'rectangle 0,0 199,99' \
    BMP3:"$PICS/large.bmp" || fail "could not make the large picture"
offer image/bmp "$PICS/large.bmp"
app_key ctrl+v
screenshot "$E2E_TMP/large.png"
expect_screen "$E2E_TMP/large.png" 100 60 "90,0,160" "the corner of the large picture"
expect_screen "$E2E_TMP/large.png" 600 500 "250,120,0" "the large picture"

# 4. Ctrl+V of a file copied in a file manager (its URL).
GREEN="$PICS/green picture.bmp"
convert -size 120x80 xc:'rgb(10,200,30)' BMP3:"$GREEN"
printf 'file://%s\r\n' "$(printf '%s' "$GREEN" | sed 's/ /%20/g')" >"$E2E_TMP/uri-list"
offer text/uri-list "$E2E_TMP/uri-list"
app_key ctrl+v
screenshot "$E2E_TMP/file.png"
expect_screen "$E2E_TMP/file.png" 100 60 "10,200,30" "the pasted file's picture"
expect_screen "$E2E_TMP/file.png" 300 200 "255,255,255" "beside the pasted file's picture"

# 5. Text is no picture: a message, and the canvas stays as it was.
printf 'just some text' >"$E2E_TMP/text"
offer UTF8_STRING "$E2E_TMP/text"
app_key ctrl+v
wait_or_fail "no message for text on the clipboard" box_shown
xdotool key Return
wait_or_fail "the message stayed" box_gone
screenshot "$E2E_TMP/text.png"
expect_screen "$E2E_TMP/text.png" 100 60 "10,200,30" "text changes nothing"

# 6. An owner that does not answer: the paste gives up with the message
# instead of waiting (Qt's own reader would freeze the window for 10 s).
offer image/png "$PICS/in.png"
kill -STOP "${OWNER_PIDS[-1]}"
START=$(date +%s%N)
app_key ctrl+v
wait_or_fail "no message for an owner that does not answer" box_shown
WAITED=$(( ($(date +%s%N) - START) / 1000000 ))
[ "$WAITED" -lt 4500 ] || fail "the paste waited $WAITED ms for an owner that does not answer"
xdotool key Return
wait_or_fail "the message stayed" box_gone
screenshot "$E2E_TMP/silent.png"
expect_screen "$E2E_TMP/silent.png" 100 60 "10,200,30" "an owner that does not answer changes nothing"
kill -CONT "${OWNER_PIDS[-1]}"

stop_app
echo "clipboard e2e: passed (paste from a silent owner gave up after $WAITED ms)"
