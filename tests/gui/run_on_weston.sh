#!/usr/bin/env bash
# Runs the window tests ($1, further arguments passed on) on a real Wayland
# compositor: Weston's headless backend, with Qt's Wayland plugin.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e/weston.sh
source "$here/../e2e/weston.sh"
dir=$(mktemp -d)
trap 'stop_weston; rm -rf "$dir"' EXIT
start_weston "$dir" || exit 1
binary=$1
shift
"$binary" "$@"
