#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up time and idle memory against a bare Qt window at 1920x1080 and
# 3840x2160, then the pointer-to-pixel latency at 3840x2160, each on a private
# Xvfb display without a window manager.
#   bench/window/run.sh [BUILD_DIR]     (default: build)
# RUNS (default 15) starts of each program per size, MOVES (default 300)
# pointer moves per latency case; ONLY=startup or ONLY=latency runs one part.
set -euo pipefail
cd "$(dirname "$0")/../.."
BUILD=${1:-build}
RUNS=${RUNS:-15}
MOVES=${MOVES:-300}
ONLY=${ONLY:-}

for f in pemmarover bench/window/window_startup bench/window/window_latency bench/window/bare_qt_window; do
    if [ ! -x "$BUILD/$f" ]; then
        echo "window bench: $BUILD/$f is missing; build it with" >&2
        echo "  cmake --build $BUILD --target pemmarover window_startup window_latency bare_qt_window" >&2
        exit 1
    fi
done
command -v Xvfb >/dev/null || { echo "window bench: Xvfb is missing (apt-get install xvfb)" >&2; exit 1; }

TMP=$(mktemp -d)
# The measuring programs' own temporary folders go here too, so that an
# interrupted run leaves nothing behind.
export TMPDIR="$TMP"
XVFB_PID=
BENCH_PID=
stop_xvfb() {
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=
    fi
}
# A measuring program ends the program it started when it is ended itself.
stop_bench() {
    if [ -n "$BENCH_PID" ]; then
        kill "$BENCH_PID" 2>/dev/null || true
        wait "$BENCH_PID" 2>/dev/null || true
        BENCH_PID=
    fi
}
trap 'stop_bench; stop_xvfb; rm -rf "$TMP"' EXIT
trap 'exit 130' INT TERM HUP

# run COMMAND...: runs it in the background and waits for it, so that a
# signal to this script is handled at once rather than when it ends.
run() {
    local rc=0
    "$@" &
    BENCH_PID=$!
    wait "$BENCH_PID" || rc=$?
    BENCH_PID=
    return $rc
}

# start_xvfb WxH: a display of that size on a number Xvfb picks itself.
start_xvfb() {
    rm -f "$TMP/display"
    Xvfb -displayfd 3 -screen 0 "$1x24" -br -nolisten tcp -noreset 3>"$TMP/display" >"$TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 100); do
        [ -s "$TMP/display" ] && break
        kill -0 "$XVFB_PID" 2>/dev/null || { cat "$TMP/xvfb.log" >&2; echo "window bench: Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
    [ -s "$TMP/display" ] || { echo "window bench: Xvfb gave no display within 10 s" >&2; exit 1; }
    export DISPLAY=":$(head -n 1 "$TMP/display")"
}

echo "load: $(uptime)"
if [ "$ONLY" != latency ]; then
    for size in 1920x1080 3840x2160; do
        start_xvfb "$size"
        run "$BUILD/bench/window/window_startup" --program "$BUILD/pemmarover" \
            --bare "$BUILD/bench/window/bare_qt_window" --runs "$RUNS"
        stop_xvfb
        echo
    done
fi
if [ "$ONLY" != startup ]; then
    start_xvfb 3840x2160
    echo "load: $(uptime)"
    run "$BUILD/bench/window/window_latency" --program "$BUILD/pemmarover" --moves "$MOVES"
    stop_xvfb
fi
