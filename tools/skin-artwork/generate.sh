#!/usr/bin/env bash
# Rebuilds the skin bitmaps in resources/bitmaps from the generator in this folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${PARLANZA_BUILD_DIR:-$root/build}"
cmake --build "$build" --target skin-artwork
QT_QPA_PLATFORM=offscreen "$build/tools/skin-artwork/skin-artwork" "$root/resources/bitmaps"
