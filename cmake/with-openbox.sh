#!/usr/bin/env bash
# Runs a test program on the current X display with openbox as its window manager,
# started first and stopped after. parlanza_add_test(... XVFB WINDOW_MANAGERS openbox)
# runs it inside xvfb-run.
set -euo pipefail
marker="$(mktemp -u)"
openbox --sm-disable --startup "touch $marker" >/dev/null 2>&1 &
wm=$!
trap 'kill "$wm" 2>/dev/null || true; rm -f "$marker"' EXIT
for _ in $(seq 100); do
    [ -e "$marker" ] && break
    sleep 0.05
done
if [ ! -e "$marker" ]; then
    echo "openbox did not start" >&2
    exit 1
fi
"$@"
