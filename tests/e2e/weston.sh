# SPDX-License-Identifier: GPL-3.0-or-later
# A private Wayland display for tests: Weston's headless backend at
# 1920x1080 with its debug protocols (screenshots, the scene graph), in a
# runtime folder of its own.
# shellcheck shell=bash

WESTON_PID=

# Starts Weston with its files in folder $1 (which must exist) and exports
# what a Wayland client needs to reach it. Fails when no socket comes up.
start_weston() {
    local dir=$1 name
    name="pemma-weston-$$"
    export XDG_RUNTIME_DIR="$dir/runtime"
    mkdir -p -m 0700 "$XDG_RUNTIME_DIR"
    # --idle-time=0: no screen lock in the middle of a long run.
    weston --backend=headless-backend.so --use-pixman --socket="$name" --width=1920 --height=1080 \
        --idle-time=0 --debug >"$dir/weston.log" 2>&1 &
    WESTON_PID=$!
    local _
    for _ in $(seq 1 200); do
        if [ -S "$XDG_RUNTIME_DIR/$name" ]; then
            export WAYLAND_DISPLAY="$name" QT_QPA_PLATFORM=wayland
            # This compositor has no seat (no input devices), and Qt 6.4's
            # Wayland text-input context reads the seat's without looking:
            # a text field's cursor would crash the client. A module name
            # that does not exist leaves Qt without an input context.
            export QT_IM_MODULE=none
            return 0
        fi
        kill -0 "$WESTON_PID" 2>/dev/null || break
        sleep 0.05
    done
    cat "$dir/weston.log" >&2
    echo "FAIL: Weston did not start" >&2
    return 1
}

stop_weston() {
    if [ -n "$WESTON_PID" ]; then
        kill "$WESTON_PID" 2>/dev/null
        wait "$WESTON_PID" 2>/dev/null
        WESTON_PID=
    fi
}
