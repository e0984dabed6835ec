#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: built with CPack into a temporary folder, clean for
# lintian, depending on Qt and on what Qt loads at run time, holding exactly
# the listed files under /usr; the unpacked program answers --version.
#
# Other tests run the programs of the build folder meanwhile, so nothing is
# built there: the build is installed (stripped, as CPack would) into a
# private folder, and CPack packs that folder with the build's own package
# settings, instead of building and installing the project itself.
# Usage: package_test.sh <build folder> <source folder>
set -u
BUILD=$1
SRC=$2
HERE=$(dirname "$0")
. "$HERE/lib.sh"
T=$E2E_TMP

DESTDIR="$T/stage" cmake --install "$BUILD" --prefix /usr --strip >"$T/install.log" 2>&1 \
    || { cat "$T/install.log"; fail "cmake --install failed"; }
cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$T/out" \
    -D CPACK_INSTALL_CMAKE_PROJECTS= -D "CPACK_INSTALLED_DIRECTORIES=$T/stage;." >"$T/cpack.log" 2>&1 \
    || { cat "$T/cpack.log"; fail "cpack failed"; }
DEB=$(echo "$T"/out/pemmarover_*.deb)
[ -f "$DEB" ] || fail "no package was made"
lintian --fail-on error,warning "$DEB" 2>&1 | grep -v 'running with root privileges'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "lintian found errors or warnings"

DEPENDS=$(dpkg-deb -f "$DEB" Depends)
echo "Depends: $DEPENDS"
for p in libqt6core6 libqt6gui6 libqt6widgets6 qt6-image-formats-plugins qt6-translations-l10n fonts-ipafont-gothic; do
    [[ ", $DEPENDS," == *", $p "* || ", $DEPENDS," == *", $p,"* ]] || fail "the package does not depend on $p"
done

[[ ", $(dpkg-deb -f "$DEB" Recommends)," == *", qt6-wayland,"* ]] || fail "the package does not recommend qt6-wayland"

dpkg-deb -x "$DEB" "$T/root" || fail "dpkg-deb -x failed"
diff <(cd "$T/root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort) \
     <(sed 's|^|usr/|' "$HERE/installed_files.txt" | LC_ALL=C sort) \
    || fail "the package's files differ from installed_files.txt"
file "$T/root/usr/bin/pemmarover" | grep -q ', stripped' || fail "the packaged program is not stripped"

# The option comes with the command-line handling; a build without it skips
# this last check (ctest shows the test as skipped, not passed).
if ! grep -rqE -- '--version|addVersionOption' "$SRC/src"; then
    echo "SKIP: this build has no --version option yet; everything else passed"
    exit 77
fi
QT_QPA_PLATFORM=offscreen timeout 300 "$T/root/usr/bin/pemmarover" --version >"$T/version" 2>"$T/version.err"
rc=$?
[ $rc -eq 0 ] || fail "--version ended with $rc: $(cat "$T/version.err")"
printf 'Pemmarover 1.1\n' | cmp -s - "$T/version" || fail "--version printed: $(od -c "$T/version")"
echo "package: passed"
