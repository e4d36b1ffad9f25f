#!/usr/bin/env bash
# Runs one accessibility-bus test (test_*.py) on this virtual screen with a session bus and
# accessibility bus of its own: run.sh <test.py> <parlanza executable> [--with-help]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../../scripts/test-services.sh"
parlanza_start_atspi
trap parlanza_stop_atspi EXIT
# Debian's client module lives with Debian's Python, not one found earlier on PATH.
PYTHONPATH="$here" /usr/bin/python3 "$@"
