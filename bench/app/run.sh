#!/usr/bin/env bash
# Builds the workbench benchmarks optimised and runs them on a virtual X server; each
# prints its own figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${PARLANZA_BENCH_BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_startup bench_speaking_cpu -j 2
export QT_QPA_PLATFORM=xcb
echo "== start-up =="
xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/app/bench_startup" "${STARTUP_RUNS:-10}"
echo "== GUI thread while speaking =="
xvfb-run -a -s "-screen 0 1024x768x24" "$build/bench/app/bench_speaking_cpu" "${SPEAKING_SECONDS:-30}"
