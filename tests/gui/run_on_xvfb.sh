#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs window tests ($1, further arguments passed on) on a real X server
# (Xvfb) with Qt's X11 plugin, where the window's backing store is an image
# in memory that the program reads and writes.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e/lib.sh
source "$here/../e2e/lib.sh"
start_xvfb 1920x1080
binary=$1
shift
QT_QPA_PLATFORM=xcb "$binary" "$@"
