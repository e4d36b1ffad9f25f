#!/usr/bin/env bash
# Builds the speech benchmarks optimised and runs them; each prints its own figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${PARLANZA_BENCH_BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_render bench_latency bench_device bench_reverb -j 2
export QT_QPA_PLATFORM=offscreen
echo "== render =="
"$build/bench/speech/bench_render" "${RENDER_RUNS:-3}"
echo "== latency =="
"$build/bench/speech/bench_latency" "${LATENCY_RUNS:-15}"
echo "== device =="
"$build/bench/speech/bench_device" "${DEVICE_RUNS:-5}"
echo "== reverb =="
"$build/bench/speech/bench_reverb" "${REVERB_SENTENCES:-20}"
