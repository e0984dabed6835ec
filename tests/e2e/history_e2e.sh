#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end: undo and redo from the keyboard, a picture named on the command
# line (also by a name that is no UTF-8), and the program's own options.
# Usage: history_e2e.sh <pemmarover binary>
set -u
BIN=$1
. "$(dirname "$0")/lib.sh"

# 1. The options need no display.
[ "$(DISPLAY= "$BIN" --version)" = "Pemmarover 1.1" ] || fail "--version printed: $("$BIN" --version)"
DISPLAY= "$BIN" --help | grep -q '^Usage: pemmarover' || fail "--help printed no usage"
OUT=$(DISPLAY= "$BIN" --no-such-option 2>"$E2E_TMP/err.txt")
[ $? = 2 ] || fail "an unknown option did not end with status 2"
[ -z "$OUT" ] || fail "an unknown option printed on standard output: $OUT"
grep -q '^Usage: pemmarover' "$E2E_TMP/err.txt" || fail "an unknown option printed no usage on standard error"

start_xvfb

# 2. Paint a stroke, take it back with Ctrl+Z, bring it again with Ctrl+Y.
start_app "$E2E_TMP/keys" "$BIN"
xdotool windowfocus "$APP_WINDOW"
move_to 400 500
xdotool mousedown 1
for x in $(seq 420 20 700); do move_to "$x" 500; done
xdotool mouseup 1
move_to 800 700
expect_screen "$E2E_TMP/stroke.png" 550 500 "0,0,0" "the stroke is painted"
xdotool key ctrl+z
expect_screen "$E2E_TMP/undone.png" 550 500 "255,255,255" "Ctrl+Z shows the background again"
xdotool key ctrl+y
expect_screen "$E2E_TMP/redone.png" 550 500 "0,0,0" "Ctrl+Y brings the stroke back"
xdotool key ctrl+z
expect_screen "$E2E_TMP/undone2.png" 550 500 "255,255,255" "Ctrl+Z takes it back again"
xdotool key ctrl+shift+z
expect_screen "$E2E_TMP/redone2.png" 550 500 "0,0,0" "Ctrl+Shift+Z brings the stroke back"
stop_app

# 3. A picture named on the command line is open once the window shows.
PICTURE="$E2E_TMP/a picture.png"
convert -size 400x300 xc:'rgb(200,30,60)' -fill 'rgb(20,90,240)' -draw 'rectangle 200,0 399,299' \
    "$PICTURE" || fail "could not make the picture"
start_app "$E2E_TMP/named" "$BIN" "$PICTURE"
expect_screen "$E2E_TMP/named.png" 150 200 "200,30,60" "left half of the named picture"
expect_screen "$E2E_TMP/named.png" 300 200 "20,90,240" "right half of the named picture"
expect_screen "$E2E_TMP/named.png" 600 200 "255,255,255" "the background beside the picture"
stop_app

# 4. A name that is no UTF-8 (Latin-1 "été") opens all the same.
LATIN1="$E2E_TMP/"$'\xe9t\xe9'".png"
convert -size 300x200 xc:'rgb(20,110,190)' "$LATIN1" || fail "could not make the Latin-1 named picture"
start_app "$E2E_TMP/latin1" "$BIN" "$LATIN1"
screenshot "$E2E_TMP/latin1.png"
expect_screen "$E2E_TMP/latin1.png" 150 150 "20,110,190" "the picture of a name that is no UTF-8"
kill -TERM "$APP_PID"
wait_app || fail "the program ended with an error on SIGTERM"

echo "history e2e: passed"
