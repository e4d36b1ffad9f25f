#!/usr/bin/env bash
# Sets up everything Parlanza needs on Debian 12, builds it and runs the whole test suite.
# PARLANZA_LIVE_REPEAT=N (CI sets 3) runs each test that drives a real window, bus, sound
# server or process N times over, stopping at its first failure, so a flaky one fails
# there rather than on a newcomer's first run.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
source "$PARLANZA_ROOT/scripts/test-services.sh"

parlanza_start_test_services
trap parlanza_stop_test_services EXIT
repeat="${PARLANZA_LIVE_REPEAT:-1}"
if [ "$repeat" -gt 1 ]; then
    ctest --test-dir "$PARLANZA_BUILD_DIR" --output-on-failure -j "$(nproc)" -LE live
    ctest --test-dir "$PARLANZA_BUILD_DIR" --output-on-failure -j "$(nproc)" -L live \
        --repeat "until-fail:$repeat"
else
    ctest --test-dir "$PARLANZA_BUILD_DIR" --output-on-failure -j "$(nproc)"
fi
