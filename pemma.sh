#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Set-up on a Debian 12 machine: installs what is missing, builds, then
#   ./pemma.sh run    starts the painter
#   ./pemma.sh test   runs every test (unit, window, end-to-end)
#   ./pemma.sh package   builds the Debian package build/pemmarover_<version>_<arch>.deb
#   ./pemma.sh gallery   makes the README's pictures in docs/ with the real program
#   ./pemma.sh check     (developers) the sanitizer build in build-check/: every
#                        test there, then each fuzzer for FUZZ_SECONDS (default 60)
set -euo pipefail
cd "$(dirname "$0")"
# Compiler caches hit across clones of the project wherever they lie.
export CCACHE_BASEDIR="$PWD"

# What each command needs on top of building and running the program.
RUN_PACKAGES=(cmake g++ ninja-build qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n
              fonts-ipafont-gothic)
# The package: CPack's dependency list and strip, and lintian.
PACKAGE_PACKAGES=(dpkg-dev file lintian)
# The tests: GoogleTest and Google Benchmark, the end-to-end tests under Xvfb
# (and the gallery script they run), the window measurements (XTest and
# Damage), the install and package tests, the icon check.
TEST_PACKAGES=(ccache libgtest-dev libbenchmark-dev libx11-dev libxtst-dev libxdamage-dev libxfixes-dev xvfb xdotool
               imagemagick x11-utils desktop-file-utils appstream librsvg2-bin xclip weston qt6-wayland
               "${PACKAGE_PACKAGES[@]}")
# The sanitizer build with clang and the fuzzers.
CHECK_PACKAGES=("${TEST_PACKAGES[@]}" clang libclang-rt-14-dev llvm-14)

# install_missing PACKAGE...: installs those of the packages that are missing.
install_missing() {
    local missing=() p
    for p in "${RUN_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

# build ON|OFF: builds build/, with or without the tests, benchmarks and tools.
build() {
    # PEMMA_WERROR=ON (as CI sets it) makes any compiler warning an error.
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING="$1" \
        -DPEMMA_WERROR="${PEMMA_WERROR:-OFF}"
    cmake --build build -j"$(nproc)"
}

FUZZERS=(settings_line picture_open stroke_machine kept_file)

# Every fuzzer over its seed corpus and what earlier runs found, for
# FUZZ_SECONDS each, with low limits on time and memory per input. New
# inputs go to build-check/fuzz/corpus/<name>; a crash is saved as a file in
# build-check/fuzz/findings/ and its path printed.
run_fuzzers() {
    local seconds=${FUZZ_SECONDS:-60} name failed=0 out findings
    findings="$PWD/build-check/fuzz/findings"
    mkdir -p "$findings"
    for name in "${FUZZERS[@]}"; do
        out="$PWD/build-check/fuzz/corpus/$name"
        mkdir -p "$out"
        local dict=()
        [ -f "fuzz/$name.dict" ] && dict=("-dict=fuzz/$name.dict")
        echo "== fuzzing $name for ${seconds} s"
        if ! QT_QPA_PLATFORM=offscreen "./build-check/fuzz/fuzz_$name" -max_total_time="$seconds" \
                -rss_limit_mb=2048 -timeout=10 -max_len=16384 -print_final_stats=1 "${dict[@]}" \
                -artifact_prefix="$findings/$name-" "$out" "fuzz/corpus/$name" >"$findings/$name.log" 2>&1; then
            tail -n 60 "$findings/$name.log"
            echo "FAILED: fuzzer $name found a fault; the input is saved as:" >&2
            grep -o "Test unit written to .*" "$findings/$name.log" | sed 's/^Test unit written to /  /' >&2 || true
            failed=1
        else
            grep -E "^#[0-9]+.*(DONE|pulse)" "$findings/$name.log" | tail -n 1 || true
        fi
    done
    return $failed
}

# The sanitizer build (clang, AddressSanitizer with leak detection and
# UndefinedBehaviorSanitizer, warnings as errors) with the fuzzers.
check() {
    # Sanitizer reports name files and lines through LLVM's symbolizer.
    if [ -x /usr/lib/llvm-14/bin/llvm-symbolizer ]; then
        export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
    fi
    cmake -S . -B build-check -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
        -DCMAKE_CXX_COMPILER=clang++ -DPEMMA_SANITIZE=ON -DPEMMA_BUILD_FUZZERS=ON \
        -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DPEMMA_WERROR=ON
    cmake --build build-check -j"$(nproc)"
    # Every sanitizer report also lands in a file, so that one from a
    # process whose exit status nobody checks still fails the run.
    local logs="$PWD/build-check/sanitizer-reports"
    rm -rf "$logs"
    mkdir -p "$logs"
    local status=0
    ASAN_OPTIONS="log_path=$logs/asan" UBSAN_OPTIONS="log_path=$logs/ubsan" \
        ctest --test-dir build-check --output-on-failure -j"$(nproc)" || status=1
    if [ -n "$(ls -A "$logs")" ]; then
        cat "$logs"/* >&2
        echo "FAILED: sanitizer reports above (files in $logs)" >&2
        status=1
    fi
    run_fuzzers || status=1
    return $status
}

case "${1:-}" in
run)
    install_missing
    build OFF
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        echo "Built build/pemmarover, but there is no display to show it on: run this from a desktop session." >&2
        exit 1
    fi
    exec ./build/pemmarover
    ;;
test)
    install_missing "${TEST_PACKAGES[@]}"
    build ON
    ctest --test-dir build --output-on-failure -j"$(nproc)"
    ;;
package)
    install_missing "${PACKAGE_PACKAGES[@]}"
    build OFF
    (cd build && cpack -G DEB)
    lintian build/pemmarover_*.deb
    ;;
gallery)
    # The gallery script comes with the end-to-end tests, which run it.
    install_missing "${TEST_PACKAGES[@]}"
    build ON
    tools/gallery.sh --binary build/pemmarover --captions build/tools/pemma_captions --out docs
    ;;
check)
    install_missing "${CHECK_PACKAGES[@]}"
    check
    ;;
*)
    echo "usage: $0 run | test | package | gallery | check" >&2
    exit 2
    ;;
esac
