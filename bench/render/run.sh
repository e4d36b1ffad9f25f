#!/usr/bin/env bash
# Builds parlanza-render and its benchmark optimised and runs it; it prints its figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${PARLANZA_BENCH_BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_render_command parlanza-render -j 2
export QT_QPA_PLATFORM=offscreen
# RENDER_FORMATS="mp3 opus" measures only those; "formats" as a second argument only the
# encodings; PARLANZA_RENDER_PROGRAM measures another build of the renderer.
"$build/bench/render/bench_render_command" "${RENDER_RUNS:-3}" ${RENDER_ONLY:-}
