#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# End to end on a real Wayland compositor (Weston, headless, 1920x1080, with
# a panel along its top): the window lies wholly on the screen and covers its
# free area, a screenshot shows the canvas down to the window's bottom edge,
# and a termination request closes it with its settings written.
# Usage: wayland_e2e.sh <pemmarover binary>
set -u
BIN=$1
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/weston.sh"
trap 'stop_weston; e2e_cleanup' EXIT

start_weston "$E2E_TMP" || fail "no Wayland display could be started"
convert -size 1920x1080 'xc:rgb(10,200,30)' "$E2E_TMP/green.png"
APP="$E2E_TMP/app"
mkdir -p "$APP"
cp "$BIN" "$APP/pemmarover"
APP_LOG="$APP/out.log"
(cd "$APP" && exec ./pemmarover "$E2E_TMP/green.png" >"$APP_LOG" 2>&1) &
APP_PID=$!

# The program's window in the compositor's scene graph: "x1 y1 x2 y2".
window_box() {
    weston-debug scene-graph 2>/dev/null | awk -v pid="$APP_PID" '
        /role xdg_toplevel/ && index($0, "PID " pid ",") { found = 1; next }
        found && /position:/ { gsub(/->/, " "); gsub(/[(),]/, " "); print $2, $3, $4, $5; exit }'
}

# The compositor sizes a maximized window once it is on the screen: wait
# until the window's place has stood for three looks in a row.
box= same=0
for _ in $(seq 1 100); do
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
    now=$(window_box)
    if [ -n "$now" ] && [ "$now" = "$box" ]; then
        same=$((same + 1))
        [ $same -ge 3 ] && break
    else
        same=0
    fi
    box=$now
    sleep 0.1
done
[ -n "$box" ] || { cat "$E2E_TMP/weston.log" >&2; fail "the window did not appear"; }
read -r x1 y1 x2 y2 <<<"$box"
echo "window on the screen at ($x1, $y1) -> ($x2, $y2)"
[ "$x1" -ge 0 ] && [ "$y1" -ge 0 ] && [ "$x2" -le 1920 ] && [ "$y2" -le 1080 ] \
    || fail "the window ($box) does not lie within the 1920x1080 screen"
[ "$x1" -eq 0 ] && [ "$x2" -eq 1920 ] && [ "$y2" -eq 1080 ] && [ "$y1" -gt 0 ] && [ "$y1" -lt 100 ] \
    || fail "the window ($box) does not cover the screen below the panel"

# The screenshot: the picture on the canvas reaches the window's bottom edge
# (its last rows are on the screen), left and right; the title bar above it.
mkdir -p "$E2E_TMP/shots"
green="10,200,30"
shot=
for _ in $(seq 1 50); do
    rm -f "$E2E_TMP/shots"/*.png
    (cd "$E2E_TMP/shots" && weston-screenshooter >/dev/null 2>&1)
    shot=$(ls "$E2E_TMP/shots"/*.png 2>/dev/null | head -n 1)
    [ -n "$shot" ] && check_pixel "$shot" 960 $((y2 - 8)) "$green" && break
    sleep 0.1
done
[ -n "$shot" ] || fail "weston-screenshooter wrote no picture"
cp "$shot" "$E2E_TMP/screen.png"
[ "$(identify -format '%wx%h' "$E2E_TMP/screen.png")" = "1920x1080" ] || fail "the screenshot is not of the whole screen"
expect_pixel "$E2E_TMP/screen.png" 960 $((y2 - 8)) "$green" "the canvas at the window's bottom edge"
expect_pixel "$E2E_TMP/screen.png" $((x1 + 8)) $((y2 - 8)) "$green" "the canvas at the window's bottom-left corner"
expect_pixel "$E2E_TMP/screen.png" $((x2 - 8)) $((y2 - 8)) "$green" "the canvas at the window's bottom-right corner"
check_pixel "$E2E_TMP/screen.png" 960 $((y1 + 8)) "$green" && fail "no title bar at the window's top"

# A termination request (a session ending) closes the window as its close
# button would: the settings file is written and the program ends normally.
kill -TERM "$APP_PID"
wait_app || fail "the program ended with status $? on a termination request"
[ -s "$APP/pic-ini.dat" ] || fail "the close wrote no settings file"
echo "PASS: wayland_e2e"
