#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program. `cmake --install` into a temporary prefix (and with
# DESTDIR) puts exactly the listed files there and nothing elsewhere; the
# desktop entry and the AppStream file pass their validators. Under Xvfb the
# installed program, started from its read-only folder as an ordinary user,
# shows its icon, writes its settings to $XDG_CONFIG_HOME/pemmarover at close
# and reads them back at the next start; a copy in a folder of its own, whose name is not
# UTF-8, keeps them beside itself.
# Usage: install_e2e.sh <build folder>
set -u
BUILD=$1
HERE=$(dirname "$0")
. "$HERE/lib.sh"
trap 'chmod -R u+w "$E2E_TMP" 2>/dev/null; e2e_cleanup' EXIT
chmod 755 "$E2E_TMP"

listed() { (cd "$1" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort); }
expected() { sed "s|^|$1|" "$HERE/installed_files.txt" | LC_ALL=C sort; }

# 1. The files.
P="$E2E_TMP/prefix"
cmake --install "$BUILD" --prefix "$P" >"$E2E_TMP/install.log" 2>&1 || { cat "$E2E_TMP/install.log"; fail "cmake --install failed"; }
diff <(listed "$P") <(expected "") || fail "the files installed into the prefix differ from installed_files.txt"
while read -r f; do
    case "$f" in "$P"/*) ;; *) fail "installed outside the prefix: $f" ;; esac
done <"$BUILD/install_manifest.txt"
DESTDIR="$E2E_TMP/staged" cmake --install "$BUILD" --prefix /usr >/dev/null 2>&1 || fail "cmake --install with DESTDIR failed"
diff <(listed "$E2E_TMP/staged") <(expected "usr/") || fail "the files installed with DESTDIR differ from installed_files.txt"

out=$(desktop-file-validate "$P"/share/applications/*.desktop 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$P"/share/metainfo/*.metainfo.xml 2>&1) || fail "appstreamcli validate: $out"
# The tree as a whole: the metainfo's launchable is the installed entry.
out=$(appstreamcli validate-tree --no-net "$P" 2>&1) || fail "appstreamcli validate-tree: $out"

# 2. The installed program keeps its settings in the user's folder.
start_xvfb
CFG="$E2E_TMP/user-config" HOMEDIR="$E2E_TMP/user-home" RUNTIME="$E2E_TMP/user-runtime"
mkdir -p "$CFG" "$HOMEDIR" "$RUNTIME"
chmod 700 "$RUNTIME"
chmod -R a-w "$P"
AS_USER=()
if [ "$(id -u)" -eq 0 ]; then
    # root writes into any folder: run as nobody, for whom the prefix is read-only.
    chown 65534:65534 "$CFG" "$HOMEDIR" "$RUNTIME"
    AS_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi

has_icon() { xprop -id "$APP_WINDOW" _NET_WM_ICON | grep -q 'Icon ('; }

run_installed() {
    start_program "$E2E_TMP/installed.log" "$P/bin" "${AS_USER[@]}" env HOME="$HOMEDIR" XDG_CONFIG_HOME="$CFG" \
        XDG_CACHE_HOME="$HOMEDIR/.cache" XDG_STATE_HOME="$HOMEDIR/.local/state" XDG_DATA_HOME="$HOMEDIR/.local/share" \
        XDG_RUNTIME_DIR="$RUNTIME" "$P/bin/pemmarover"
    # The icon comes just after the window is shown.
    wait_for has_icon || fail "the window has no icon"
    kill -TERM "$APP_PID"
    wait_app || fail "the installed program ended with an error"
}

SETTINGS="$CFG/pemmarover/pic-ini.dat"
run_installed
printf '0,0,0,5,1,0,,,16777215\r\n' | cmp -s - "$SETTINGS" \
    || fail "the first close did not write the default settings to $SETTINGS: $(cat "$E2E_TMP/installed.log")"
[ "$(ls "$P/bin")" = pemmarover ] || fail "a file appeared beside the installed program"
# The next start reads them: 10.4 comes back as the slider's 10.
printf '10.4,20,30,8,2,3,"x",7,255\r\n' >"$SETTINGS"
run_installed
printf '10,20,30,8,2,3,"x",7,255\r\n' | cmp -s - "$SETTINGS" \
    || fail "the second start did not read $SETTINGS back: $(od -c "$SETTINGS")"

# 3. A copy in a folder of its own keeps them beside itself, whatever the
# folder's name and wherever it is started from.
PORTABLE="$E2E_TMP/caf"$'\xe9'
mkdir -p "$PORTABLE" "$E2E_TMP/elsewhere" "$E2E_TMP/runtime2"
chmod 700 "$E2E_TMP/runtime2"
cp "$P/bin/pemmarover" "$PORTABLE/"
start_program "$E2E_TMP/portable.log" "$E2E_TMP/elsewhere" env XDG_CONFIG_HOME="$E2E_TMP/config2" \
    XDG_RUNTIME_DIR="$E2E_TMP/runtime2" "$PORTABLE/pemmarover"
kill -TERM "$APP_PID"
wait_app || fail "the portable copy ended with an error"
printf '0,0,0,5,1,0,,,16777215\r\n' | cmp -s - "$PORTABLE/pic-ini.dat" \
    || fail "the portable copy did not write its settings beside itself: $(cat "$E2E_TMP/portable.log")"
[ ! -e "$E2E_TMP/elsewhere/pic-ini.dat" ] && [ ! -e "$E2E_TMP/config2" ] \
    || fail "the portable copy wrote its settings elsewhere too"

echo "install_e2e: passed"
