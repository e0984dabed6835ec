#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end: the painting survives every end. After a kill the next start
# asks whether to put it back (a SIGTERM while it asks leaves the question for
# the start after), and Yes does as one undo step; when the X server goes away
# under the window the settings are still written and the painting kept, and
# the next start is blank with the painting one Ctrl+Z away.
# Usage: keep_e2e.sh <pemmarover binary>
set -u
BIN=$1
. "$(dirname "$0")/lib.sh"
KEPT="$XDG_STATE_HOME/pemmarover"

# A horizontal stroke from x 300 to 600 at height $1.
stroke() {
    move_to 300 "$1"
    xdotool mousedown 1
    for x in $(seq 320 20 600); do move_to "$x" "$1"; done
    xdotool mouseup 1
    move_to 900 900
}

# The kept painting's flags byte: 0 while its program runs (or after a
# kill), 1 once it ended normally.
kept_file() { ls "$KEPT"/*.kept 2>/dev/null | head -n 1; }
kept_flags() { od -An -tu1 -j12 -N1 "$(kept_file)" | tr -d ' '; }
kept_with() { [ -n "$(kept_file)" ] && [ "$(kept_flags)" = "$1" ]; }

# The program's windows as "id width": the main window is as wide as the
# screen, a question over it narrower.
windows() {
    local w
    for w in $(xdotool search --onlyvisible --name '^Pemmarover1\.1$' 2>/dev/null); do
        echo "$w $(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')"
    done
}
question_shown() {
    QUESTION=$(windows | awk '$2 < 1000 { print $1; exit }')
    APP_WINDOW=$(windows | awk '$2 >= 1000 { print $1; exit }')
    [ -n "$QUESTION" ] && [ -n "$APP_WINDOW" ]
}
no_question() { [ -z "$(windows | awk '$2 < 1000')" ]; }

start_xvfb

# 1. Painted, kept, killed: the next start asks.
start_app "$E2E_TMP/killed" "$BIN"
stroke 500
expect_screen "$E2E_TMP/painted.png" 450 500 "0,0,0" "the stroke is painted"
wait_for kept_with 0 || fail "the painting was not kept while the program ran"
kill -KILL "$APP_PID"
wait "$APP_PID" 2>/dev/null
APP_PID=
start_app "$E2E_TMP/killed" "$BIN"
wait_for question_shown || fail "no question after a kill"
# Ended while the question is open: nothing is put back or marked, and the
# next start asks again.
stop_app
kept_with 0 || fail "the painting was marked as answered without an answer"
start_app "$E2E_TMP/killed" "$BIN"
wait_for question_shown || fail "no question after the question was left unanswered"
# Yes is the default: Return puts the painting back as one step.
xdotool windowfocus "$QUESTION"
xdotool key Return
wait_for no_question || fail "the question stayed open after Return"
expect_screen "$E2E_TMP/restored.png" 450 500 "0,0,0" "Yes puts the painting back"
xdotool windowfocus "$APP_WINDOW"
xdotool key ctrl+z
expect_screen "$E2E_TMP/undone.png" 450 500 "255,255,255" "Ctrl+Z gives the blank canvas"
xdotool key ctrl+y
expect_screen "$E2E_TMP/redone.png" 450 500 "0,0,0" "Ctrl+Y gives the painting again"
stop_app
grep -q 'could not' "$E2E_TMP/killed/out.log" && fail "the program reported: $(cat "$E2E_TMP/killed/out.log")"

# 2. The X server goes away under a window with a fresh stroke, kept by
# nothing yet: the settings are written and the painting kept, closed
# normally, before the program ends.
rm -rf "$KEPT"
DIR="$E2E_TMP/lost"
start_app "$DIR" "$BIN"
stroke 700
expect_screen "$E2E_TMP/fresh.png" 450 700 "0,0,0" "the stroke is painted (no question stands in the way)"
no_question || fail "a question after a normal end"
kill "$XVFB_PID"
wait "$XVFB_PID" 2>/dev/null
XVFB_PID=
wait_app
[ $? = 1 ] || fail "the program did not end with Qt's status 1 when the display went away"
printf '0,0,0,5,1,0,,,16777215\r\n' | cmp -s - "$DIR/pic-ini.dat" \
    || fail "the settings were not written when the display went away: $(od -c "$DIR/pic-ini.dat" 2>&1)"
kept_with 1 || fail "the painting was not kept, closed normally, when the display went away"

# 3. The next start is blank and asks nothing; Ctrl+Z brings the painting back.
start_xvfb
start_app "$DIR" "$BIN"
expect_screen "$E2E_TMP/blank.png" 450 700 "255,255,255" "the start is blank"
xdotool windowfocus "$APP_WINDOW"
xdotool key ctrl+z
expect_screen "$E2E_TMP/back.png" 450 700 "0,0,0" "Ctrl+Z brings the painting of the lost display back"
no_question || fail "a question after the display went away"
stop_app

echo "keep e2e: passed"
