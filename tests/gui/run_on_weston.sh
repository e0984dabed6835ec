#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the window tests ($1, further arguments passed on) on a real Wayland
# compositor: Weston's headless backend, with Qt's Wayland plugin.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e/weston.sh
source "$here/../e2e/weston.sh"
dir=$(mktemp -d)
trap 'stop_weston; rm -rf "$dir"' EXIT
start_weston "$dir" || exit 1
# What Qt writes for a user goes to a home of the run's own.
export HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_CACHE_HOME="$dir/home/.cache" \
    XDG_STATE_HOME="$dir/home/.local/state" XDG_DATA_HOME="$dir/home/.local/share"
mkdir -p "$HOME"
binary=$1
shift
"$binary" "$@"
