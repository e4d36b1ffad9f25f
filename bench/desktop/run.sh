#!/usr/bin/env bash
# Builds the desktop benchmark optimised and runs it on a virtual X server with a session
# bus and the test sound server of its own; it prints its own figures.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${PARLANZA_BENCH_BUILD_DIR:-$root/build-bench}"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target bench_speak_selection -j 2
source "$root/scripts/test-services.sh"
parlanza_start_pulseaudio
trap parlanza_stop_pulseaudio EXIT
export QT_QPA_PLATFORM=xcb
xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- \
    "$build/bench/desktop/bench_speak_selection" "${SPEAK_RUNS:-10}"
