#!/usr/bin/env bash
# Builds the lexicon benchmark optimised and runs it; it prints its own figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${PARLANZA_BENCH_BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_lexicon -j 2
export QT_QPA_PLATFORM=offscreen
"$build/bench/lexicon/bench_lexicon" "${LEXICON_RUNS:-5}"
