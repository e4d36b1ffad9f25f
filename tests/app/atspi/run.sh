#!/usr/bin/env bash
# Runs one accessibility-bus test (test_*.py) on this virtual screen with a session bus,
# accessibility bus and sound server of its own: run.sh <test.py> <parlanza executable>
# [--with-help]. With a sound server of its own the test reads the same whether the suite's
# services run or not: without one, the program's "No sound output" notice would take the
# keyboard from the window.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../scripts/test-services.sh"
sound="$(mktemp -d "${TMPDIR:-/tmp}/parlanza-atspi-sound.XXXXXX")"
stop() {
    parlanza_kill_pulseaudio_in "$sound"
    rm -rf "$sound"
    parlanza_stop_atspi
}
trap stop EXIT
parlanza_pulseaudio_in "$sound"
parlanza_start_atspi
# Debian's client module lives with Debian's Python, not one found earlier on PATH.
PYTHONPATH="$here" /usr/bin/python3 "$@"
