#!/usr/bin/env bash
# Builds the Debian package, checks it (lintian, desktop-file-validate, appstreamcli),
# installs it, starts the program from its menu entry's command on a virtual screen,
# removes the package and checks that nothing of it is left. Needs root (apt).
# PARLANZA_PACKAGE_BUILD_DIR chooses the build folder (default build-package).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${PARLANZA_PACKAGE_BUILD_DIR:-$root/build-package}"
app_id=io.parlanza.Parlanza
failed=0
step() { printf '\n== %s\n' "$*"; }
fail() { echo "FAILED: $*"; failed=1; }

step "Tools"
tools="desktop-file-utils lintian appstream dpkg-dev fakeroot xvfb xauth xdotool"
# shellcheck disable=SC2086
dpkg-query -W $tools >/dev/null 2>&1 ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $tools >/dev/null
echo "lintian $(lintian --version | awk '{print $2}'), appstreamcli $(appstreamcli --version | awk '{print $NF}')"

step "Building the package"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON ${PARLANZA_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j "$(nproc)" --target parlanza parlanza-render parlanza_desktop_files
rm -f "$build"/parlanza_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/parlanza_*.deb)
echo "$deb"
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends

step "lintian"
lintian_out=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
echo "${lintian_out:-no tags}"
grep -q '^E:' <<<"$lintian_out" && fail "lintian reports errors"

step "desktop-file-validate and appstreamcli validate"
desktop-file-validate "$root/packaging/$app_id.desktop" || fail "desktop entry"
appstreamcli validate --no-net "$root/packaging/$app_id.metainfo.xml" || fail "metainfo"

step "Installing"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed_files=$(dpkg -L parlanza)
desktop_file=/usr/share/applications/$app_id.desktop
exec_line=$(sed -n 's/^Exec=//p' "$desktop_file")
echo "menu entry runs: $exec_line"

step "Starting the menu entry's command on a virtual screen"
scratch=$(mktemp -d)
# The %f field code stands for no file when started from the menu.
command=${exec_line//%f/}
if XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state TMPDIR=$scratch \
    xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
        '"$command"' >"'"$scratch"'/out.log" 2>&1 &
        pid=$!
        sleep 5
        kill -0 $pid || { echo "the program ended early"; exit 1; }
        windows=$(xdotool search --onlyvisible --pid $pid 2>/dev/null | wc -l)
        echo "running as process $pid with $windows visible window(s)"
        kill $pid; wait $pid 2>/dev/null || true
        [ "$windows" -gt 0 ]'; then
    echo "started and showed a window"
else
    fail "the program did not start with a window"; cat "$scratch/out.log"
fi
rm -rf "$scratch"

step "Removing"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq parlanza >/dev/null
left=$(while read -r path; do
    # Folders the system shares (/usr, /usr/share/icons...) stay; the package's own go.
    if [ -L "$path" ] || [ -f "$path" ] || { [ -d "$path" ] && [[ "$path" == */parlanza* ]]; }; then
        echo "$path"
    fi
done <<<"$installed_files")
if [ -n "$left" ]; then
    fail "left behind:"; echo "$left"
else
    echo "nothing left behind ($(wc -l <<<"$installed_files") paths checked)"
fi

[ "$failed" -eq 0 ] && echo && echo "PACKAGE OK"
exit "$failed"
