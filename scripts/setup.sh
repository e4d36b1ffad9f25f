#!/usr/bin/env bash
# Installs the Debian packages Parlanza needs, then configures and builds it.
# Sourced by run.sh and test.sh. PARLANZA_BUILD_DIR (default build) and
# PARLANZA_CMAKE_ARGS choose the build; PARLANZA_BUILD_TARGETS limits what is built
# (default everything).
set -euo pipefail

PARLANZA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PARLANZA_BUILD_DIR="${PARLANZA_BUILD_DIR:-$PARLANZA_ROOT/build}"
export PARLANZA_ROOT PARLANZA_BUILD_DIR

parlanza_missing_packages() {
    local package
    grep -v -E '^\s*(#|$)' "$PARLANZA_ROOT/scripts/packages.txt" | while read -r package; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            echo "$package"
        fi
    done
}

parlanza_install_packages() {
    local missing
    missing=$(parlanza_missing_packages | tr '\n' ' ')
    [ -z "${missing// /}" ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Parlanza needs these Debian packages. Install them, then run this again:" >&2
        echo "  sudo apt-get install -y --no-install-recommends $missing" >&2
        exit 1
    fi
    echo "Installing: $missing"
    apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
}

parlanza_build() {
    local args=()
    # shellcheck disable=SC2206
    [ -n "${PARLANZA_CMAKE_ARGS:-}" ] && args=($PARLANZA_CMAKE_ARGS)
    cmake -S "$PARLANZA_ROOT" -B "$PARLANZA_BUILD_DIR" -G Ninja \
        -DCMAKE_BUILD_TYPE="${PARLANZA_BUILD_TYPE:-RelWithDebInfo}" "${args[@]}" >/dev/null
    local targets=()
    # shellcheck disable=SC2206
    [ -n "${PARLANZA_BUILD_TARGETS:-}" ] && targets=(--target $PARLANZA_BUILD_TARGETS)
    cmake --build "$PARLANZA_BUILD_DIR" -j "$(nproc)" "${targets[@]}"
}

parlanza_install_packages
parlanza_build
