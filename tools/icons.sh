#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the icon's PNG sizes in packaging/icons/ from packaging/pemmarover.svg
# (needs rsvg-convert, librsvg2-bin). They are kept in the repository so that
# building needs no SVG renderer: run this after changing the SVG.
#   --check   makes them in a temporary folder and fails where a kept one
#             differs from its fresh copy in any pixel (needs ImageMagick)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
SIZES=(16 32 48 64 128 256)
OUT=$ROOT/packaging/icons
TMP=
if [ "${1:-}" = --check ]; then
    TMP=$(mktemp -d)
    trap 'rm -rf "$TMP"' EXIT
    OUT=$TMP
fi
for size in "${SIZES[@]}"; do
    mkdir -p "$OUT/$size"
    rsvg-convert -w "$size" -h "$size" -o "$OUT/$size/pemmarover.png" "$ROOT/packaging/pemmarover.svg"
done
if [ -n "$TMP" ]; then
    status=0
    for size in "${SIZES[@]}"; do
        n=$(compare -metric AE "$TMP/$size/pemmarover.png" "$ROOT/packaging/icons/$size/pemmarover.png" null: 2>&1) || true
        [ "$n" = 0 ] || { echo "packaging/icons/$size/pemmarover.png is not made from the SVG as it is now: run tools/icons.sh" >&2; status=1; }
    done
    [ $status = 0 ] && echo "icons: all ${#SIZES[@]} sizes match the SVG"
    exit $status
fi
