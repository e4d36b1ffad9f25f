#!/usr/bin/env bash
# Sets up everything Parlanza needs on Debian 12, builds it and starts it.
set -euo pipefail
# Only the program and what it needs; ./test.sh builds the rest.
PARLANZA_BUILD_TARGETS="${PARLANZA_BUILD_TARGETS:-parlanza}"
source "$(dirname "$0")/scripts/setup.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Parlanza is a desktop program and found no display to open its window on." >&2
    echo "Run it from a graphical session, or on a virtual screen with:" >&2
    echo "  xvfb-run -a ./run.sh" >&2
    exit 1
fi
exec "$PARLANZA_BUILD_DIR/program/parlanza" "$@"
