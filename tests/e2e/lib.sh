# SPDX-License-Identifier: GPL-3.0-or-later
# The X session helpers of the end-to-end scripts and of tools/gallery.sh: a
# private Xvfb display, the program started and driven with xdotool, menus,
# file dialogs, screenshots and their pixels.
#
# Nothing here waits for a fixed time to let the program catch up: every wait
# polls its condition (a window shown, a menu open, a dialog focused, a file
# written, a pixel of the screen) until E2E_DEADLINE seconds have passed
# (default 300). A busy machine makes a run slower, never failing; a real
# fault costs one deadline. The only pauses are the short ones xdotool needs
# between pointer moves.
# shellcheck shell=bash

E2E_TMP=$(mktemp -d)
E2E_DEADLINE=${E2E_DEADLINE:-300}
XVFB_PID=
APP_PID=
APP_LOG=
APP_WINDOW=
ROOT_WINDOW=
DIALOG=

# Whatever a script starts keeps its files (Qt's file-dialog history, caches,
# sockets) in the temporary folder, never in the user's home.
export HOME="$E2E_TMP/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache" XDG_STATE_HOME="$HOME/.local/state" \
    XDG_DATA_HOME="$HOME/.local/share" XDG_RUNTIME_DIR="$E2E_TMP/runtime"
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_STATE_HOME" "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

e2e_cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

# Ends the script with a message, and the program's and the X server's output
# for the record. Where E2E_FAILURE_DIR names a folder, the screen at that
# moment is kept there too.
fail() {
    if [ -n "${E2E_FAILURE_DIR:-}" ] && [ -n "$XVFB_PID" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
        mkdir -p "$E2E_FAILURE_DIR" && import -window root "$E2E_FAILURE_DIR/$(basename "$0" .sh)-$$.png"
    fi
    if [ -n "$APP_LOG" ] && [ -s "$APP_LOG" ]; then
        echo "--- program output:" >&2
        tail -n 40 "$APP_LOG" >&2
    fi
    if [ -s "$E2E_TMP/xvfb.log" ]; then
        echo "--- X server output:" >&2
        tail -n 20 "$E2E_TMP/xvfb.log" >&2
    fi
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the command "$@" every 0.1 s until it succeeds; returns 1 when it has
# not within the deadline. Nothing comes of waiting once the X server or the
# program has gone: that ends the script at once.
wait_for() {
    local end=$((SECONDS + E2E_DEADLINE))
    until "$@"; do
        [ -z "$XVFB_PID" ] || kill -0 "$XVFB_PID" 2>/dev/null || fail "the X server has ended"
        [ -z "$APP_PID" ] || kill -0 "$APP_PID" 2>/dev/null || fail "the program has ended"
        [ "$SECONDS" -ge "$end" ] && return 1
        sleep 0.1
    done
}

# ---------------------------------------------------------------- the display

# Starts a private Xvfb (default 1280x1024, black root) on a display number it
# picks itself; sets DISPLAY, SCREEN_W, SCREEN_H and ROOT_WINDOW.
# -noreset: by default the server resets whenever its last client leaves, and
# a client that connects during that reset (the program, right after an
# xdotool call) is refused and aborts.
start_xvfb() {
    local size=${1:-1280x1024}
    SCREEN_W=${size%x*} SCREEN_H=${size#*x}
    Xvfb -displayfd 3 -screen 0 "${size}x24" -br -nolisten tcp -noreset \
        3>"$E2E_TMP/display" >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    wait_for display_up || fail "no display could be started"
    ROOT_WINDOW=$(xdotool search --maxdepth 0 '' 2>/dev/null | head -n 1)
}

display_up() {
    kill -0 "$XVFB_PID" 2>/dev/null || fail "Xvfb ended at once"
    [ -s "$E2E_TMP/display" ] || return 1
    export DISPLAY=":$(head -n 1 "$E2E_TMP/display")"
    xdotool getmouselocation >/dev/null 2>&1
}

# ---------------------------------------------------------------- the program

# start_program LOG FOLDER COMMAND...: runs the command in the folder and waits
# until the window is mapped and its menu bar painted over the black root;
# sets APP_PID and APP_WINDOW.
start_program() {
    local log=$1 dir=$2
    shift 2
    (cd "$dir" && exec "$@" >"$log" 2>&1) &
    APP_PID=$! APP_LOG=$log APP_WINDOW=
    wait_for app_shown || fail "the window did not appear"
}

app_shown() {
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended before its window appeared"
    APP_WINDOW=$(xdotool search --onlyvisible --name '^Pemmarover1\.1$' 2>/dev/null | head -n 1)
    [ -n "$APP_WINDOW" ] && screen_changed "$E2E_TMP/started.png" $((SCREEN_W - 4)) 4 "0,0,0"
}

# start_app FOLDER BINARY ARGUMENTS...: copies the program into the folder (so
# its settings file lands there) and starts it there.
start_app() {
    local dir=$1 binary=$2
    shift 2
    mkdir -p "$dir"
    cp "$binary" "$dir/pemmarover"
    start_program "$dir/out.log" "$dir" ./pemmarover "$@"
}

# Waits for the program to end; returns its exit status.
wait_app() {
    local rc
    wait_for app_ended || fail "the program did not end"
    wait "$APP_PID"
    rc=$?
    APP_PID=
    return $rc
}

app_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

# Ends the program as the system would at log-out; it must end cleanly.
stop_app() {
    kill -TERM "$APP_PID"
    wait_app || fail "the program ended with an error on SIGTERM"
}

# ---------------------------------------------------------------- input

# Moves the pointer, with a pause so that no move is lost; moving with --sync
# to where the pointer already is would hang, so no --sync.
move_to() { xdotool mousemove "$1" "$2" </dev/null; sleep 0.04; }

# click X Y [BUTTON]
click() {
    move_to "$1" "$2"
    xdotool click "${3:-1}"
}

# Menus and dialogs are windows of their own: the visible ones other than the
# root and the main window.
windows_shown() {
    xdotool search --onlyvisible --maxdepth 1 --name '' 2>/dev/null | grep -cvxE "$ROOT_WINDOW|$APP_WINDOW"
}
menu_open() { [ "$(windows_shown)" -gt 0 ]; }
menus_closed() { [ "$(windows_shown)" -eq 0 ]; }

# menu KEY...: opens "メニュー", the first menu of the bar, and once it shows,
# walks on with the keys (Right to the next menus of the bar).
menu() {
    click 30 9
    wait_for menu_open || fail "the menu did not open"
    xdotool key --delay 15 "$@"
}

wait_menus_closed() { wait_for menus_closed || fail "a menu stayed open"; }

# Waits until a window other than the root, the main window and $1 has the
# focus (the next dialog) and sets DIALOG to it.
wait_dialog() { wait_for dialog_focused "$1" || fail "no dialog appeared: $2"; }

dialog_focused() {
    local f
    f=$(xdotool getwindowfocus 2>/dev/null) || return 1
    [ -n "$f" ] && [ "$f" -gt 1 ] && [ "$f" != "$ROOT_WINDOW" ] && [ "$f" != "$1" ] \
        && [ "$f" != "$APP_WINDOW" ] && DIALOG=$f
}

# Waits until dialog $1 has lost the focus (without a window manager the
# focus then goes back to the root, not to the main window).
wait_gone() { wait_for focus_left "$1" || fail "a dialog did not close: $2"; }

focus_left() { [ "$(xdotool getwindowfocus 2>/dev/null)" != "$1" ]; }

# Replaces the name in the open file dialog with $1 and confirms it.
enter_name() {
    xdotool key ctrl+a
    xdotool type --delay 8 "$1"
    xdotool key Return
}

# again_until_gone DIALOG WHAT COMMAND...: runs the command, and runs it
# again every five seconds while dialog DIALOG keeps the focus, until the
# dialog is gone (WHAT says what for, in a failure). A dialog still setting
# itself up on a busy machine can lose the first keys (its name field not
# yet focused, a completion popup taking the Return). For the last dialog of
# a step only: keys sent again could answer the next one.
again_until_gone() {
    local dialog=$1 what=$2 end=$((SECONDS + E2E_DEADLINE)) again=$((SECONDS + 5))
    shift 2
    "$@"
    until focus_left "$dialog"; do
        [ -z "$APP_PID" ] || kill -0 "$APP_PID" 2>/dev/null || fail "the program has ended"
        [ "$SECONDS" -ge "$end" ] && fail "a dialog did not close: $what"
        if [ "$SECONDS" -ge "$again" ]; then
            [ "$(xdotool getwindowfocus 2>/dev/null)" = "$dialog" ] && "$@"
            again=$((SECONDS + 5))
        fi
        sleep 0.1
    done
}

# Enters name $1 in open dialog $2 until the dialog is gone ($3 says what
# for, in a failure).
enter_name_until_gone() { again_until_gone "$2" "$3" enter_name "$1"; }

wait_file() { wait_for test -s "$1" || fail "$2: $1 was not written"; }

# ---------------------------------------------------------------- the screen

screenshot() { import -window root "$1"; }

# Prints the colour of pixel x, y of a picture as "r,g,b".
pixel_of() {
    convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}

check_pixel() { [ "$(pixel_of "$1" "$2" "$3")" = "$4" ]; }

# expect_pixel PICTURE X Y R,G,B WHAT
expect_pixel() {
    check_pixel "$@" || fail "pixel $2,$3 of $(basename "$1") is $(pixel_of "$1" "$2" "$3"), expected $4 ($5)"
}

# expect_screen SCREENSHOT X Y R,G,B WHAT: takes screenshots until pixel x, y
# shows the colour, since the program may not have repainted yet.
expect_screen() { wait_for screen_shows "$@" || expect_pixel "$@"; }

screen_shows() { screenshot "$1" && check_pixel "$@"; }

# screen_changed SCREENSHOT X Y R,G,B: takes a screenshot; true when pixel
# x, y no longer shows the colour.
screen_changed() { screenshot "$1" && ! check_pixel "$@"; }

# Writes a screenshot once the screen has stopped changing: three captures
# a quarter of a second apart that are the same to the byte.
settled_screenshot() {
    local a="$E2E_TMP/settle-a.rgb" b="$E2E_TMP/settle-b.rgb"
    import -window root -depth 8 "rgb:$a"
    wait_for screen_still "$a" "$b" || fail "the screen did not settle"
    convert -size "${SCREEN_W}x$SCREEN_H" -depth 8 "rgb:$a" "$1"
}

screen_still() {
    local i
    for i in 1 2; do
        sleep 0.25
        import -window root -depth 8 "rgb:$2"
        cmp -s "$1" "$2" || { mv "$2" "$1"; return 1; }
    done
}
