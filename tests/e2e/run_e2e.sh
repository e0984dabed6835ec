#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end: the built program under Xvfb, driven with xdotool. Paints a
# stroke, closes the window like a window manager would and checks the
# settings file; restarts from a settings file and checks what it restored;
# ends the program with SIGTERM and checks the file is written again.
# Usage: run_e2e.sh <pemmarover binary> <wm_close binary>
set -u
BIN=$1
WM_CLOSE=$2
. "$(dirname "$0")/lib.sh"

start_xvfb

# 1. A fresh start (no settings file): black, thickness 5, plain line.
DIR1="$E2E_TMP/first"
start_app "$DIR1" "$BIN"
move_to 400 500
xdotool mousedown 1
for x in $(seq 420 20 700); do move_to "$x" 500; done
xdotool mouseup 1
move_to 800 700
expect_screen "$E2E_TMP/stroke.png" 550 500 "0,0,0" "the stroke is painted in black"
expect_screen "$E2E_TMP/stroke.png" 550 520 "255,255,255" "beside the stroke the canvas stays white"
expect_screen "$E2E_TMP/stroke.png" 550 480 "255,255,255" "beside the stroke the canvas stays white"

# A right-button stroke paints alike.
move_to 400 600
xdotool mousedown 3
for x in $(seq 420 20 600); do move_to "$x" 600; done
xdotool mouseup 3
move_to 800 700
expect_screen "$E2E_TMP/stroke2.png" 500 600 "0,0,0" "the right button paints too"

"$WM_CLOSE" "$APP_WINDOW"
wait_app || fail "the program ended with an error after the close request"
[ -f "$DIR1/pic-ini.dat" ] || fail "closing did not write pic-ini.dat"
printf '0,0,0,5,1,0,,,16777215\r\n' | cmp -s - "$DIR1/pic-ini.dat" \
    || fail "unexpected settings after the first run: $(od -c "$DIR1/pic-ini.dat")"

# 2. A start from a settings file restores colour, background and the rest.
DIR2="$E2E_TMP/second"
mkdir -p "$DIR2"
printf '200,100,50,10,3,0,,"abc",0\r\n' >"$DIR2/pic-ini.dat"
start_app "$DIR2" "$BIN"
expect_screen "$E2E_TMP/restored.png" 68 40 "200,100,50" "the swatch shows the restored colour"
expect_screen "$E2E_TMP/restored.png" 640 600 "0,0,0" "the background is the restored black"
stop_app
printf '200,100,50,10,3,0,,"abc",0\r\n' | cmp -s - "$DIR2/pic-ini.dat" \
    || fail "unexpected settings after SIGTERM: $(od -c "$DIR2/pic-ini.dat")"

echo "e2e: passed"
