#!/usr/bin/env bash
# Set-up on a Debian 12 machine: installs what is missing, builds, then
#   ./pemma.sh run    starts the painter
#   ./pemma.sh test   runs every test (unit, window, end-to-end)
#   ./pemma.sh package   builds the Debian package build/pemmarover_<version>_<arch>.deb
#   ./pemma.sh gallery   makes the README's pictures in docs/ with the real program
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake g++ ninja-build ccache libgtest-dev libbenchmark-dev libx11-dev
          qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n
          fonts-ipafont-gothic xvfb xdotool imagemagick
          librsvg2-bin desktop-file-utils appstream dpkg-dev file lintian x11-utils)

install_missing() {
    local missing=() p
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

build() {
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
    cmake --build build -j"$(nproc)"
}

case "${1:-}" in
run)
    install_missing
    build
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "Built build/pemmarover, but there is no display to show it on: run this from a desktop session." >&2
        exit 1
    fi
    exec ./build/pemmarover
    ;;
test)
    install_missing
    build
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
package)
    install_missing
    build
    (cd build && cpack -G DEB)
    lintian build/pemmarover_*.deb
    ;;
gallery)
    install_missing
    build
    tools/gallery.sh --binary build/pemmarover --out docs
    ;;
*)
    echo "usage: $0 run | test | package | gallery" >&2
    exit 2
    ;;
esac
