# Shared helpers of the end-to-end scripts: a private Xvfb display, starting
# the program from a folder of its own, reading screenshot pixels.
# shellcheck shell=bash

E2E_TMP=$(mktemp -d)
# Paintings the programs keep go to a folder of the run's own, never the
# user's.
export XDG_STATE_HOME="$E2E_TMP/state"
XVFB_PID=
APP_PID=

e2e_cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts a private Xvfb at 1280x1024 on a display number it picks itself.
# -noreset: by default the server resets whenever its last client leaves, and
# a client that connects during that reset (the program, right after an
# xdotool call) is refused and aborts.
start_xvfb() {
    local fdfile="$E2E_TMP/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 1 100); do
        if [ -s "$fdfile" ]; then
            export DISPLAY=":$(head -n 1 "$fdfile")"
            xdotool getmouselocation >/dev/null 2>&1 && return 0
        fi
        sleep 0.1
    done
    fail "no display could be started"
}

# Copies the program into folder $1 (so its settings file lands there) and
# starts it with the arguments after $2; sets APP_PID and APP_WINDOW.
start_app() {
    local dir=$1 binary=$2
    shift 2
    mkdir -p "$dir"
    cp "$binary" "$dir/pemmarover"
    (cd "$dir" && exec ./pemmarover "$@" >"$dir/out.log" 2>&1) &
    APP_PID=$!
    APP_WINDOW=
    for _ in $(seq 1 100); do
        APP_WINDOW=$(xdotool search --name '^Pemmarover1\.1$' 2>/dev/null | head -n 1)
        [ -n "$APP_WINDOW" ] && break
        kill -0 "$APP_PID" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$APP_WINDOW" ]; then
        echo "--- program output:" >&2
        cat "$dir/out.log" >&2
        echo "--- X server output:" >&2
        cat "$E2E_TMP/xvfb.log" >&2
        fail "the window did not appear"
    fi
    sleep 0.5
}

# Waits up to 10 s for the program to end; returns its exit status.
wait_app() {
    local i
    for i in $(seq 1 100); do
        if ! kill -0 "$APP_PID" 2>/dev/null; then
            wait "$APP_PID"
            local rc=$?
            APP_PID=
            return $rc
        fi
        sleep 0.1
    done
    fail "the program did not end"
}

# Moves the pointer, with a pause so that no move is lost.
move_to() { xdotool mousemove "$1" "$2"; sleep 0.04; }

screenshot() { import -window root "$1"; }

# Prints the colour of pixel x, y of a screenshot as "r,g,b".
pixel_of() {
    convert "$1" -format '%[fx:int(255*p{'"$2"','"$3"'}.r)],%[fx:int(255*p{'"$2"','"$3"'}.g)],%[fx:int(255*p{'"$2"','"$3"'}.b)]' info:
}

check_pixel() {
    local got
    got=$(pixel_of "$1" "$2" "$3")
    [ "$got" = "$4" ]
}

# Checks pixel x, y of picture file $1.
expect_pixel() {
    check_pixel "$@" || fail "pixel $2,$3 of $(basename "$1") is $(pixel_of "$1" "$2" "$3"), expected $4 ($5)"
}

# Checks pixel x, y of screenshot $1; while it differs, takes the screenshot
# again for up to 5 s, since a busy machine may not have repainted yet.
expect_screen() {
    local i
    for i in $(seq 1 50); do
        check_pixel "$@" && return 0
        sleep 0.1
        screenshot "$1"
    done
    expect_pixel "$@"
}
