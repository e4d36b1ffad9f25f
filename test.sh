#!/usr/bin/env bash
# Sets up everything Parlanza needs on Debian 12, builds it and runs the whole test suite.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
source "$PARLANZA_ROOT/scripts/test-services.sh"

parlanza_start_test_services
trap parlanza_stop_test_services EXIT
ctest --test-dir "$PARLANZA_BUILD_DIR" --output-on-failure -j "$(nproc)"
