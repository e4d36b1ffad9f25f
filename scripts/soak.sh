#!/usr/bin/env bash
# Runs the whole test suite N times in a row (default 10) and prints each test's failures
# out of N. Every second run has both cores (all of them) kept busy by busy loops started
# here, so a test that only passes on a quiet machine shows up. Builds first, as test.sh
# does; the test services run for the whole soak. Exit status 1 when any run failed.
#   scripts/soak.sh [N]
set -euo pipefail
runs="${1:-10}"
source "$(dirname "$0")/setup.sh"
source "$PARLANZA_ROOT/scripts/test-services.sh"

logs="$(mktemp -d "${TMPDIR:-/tmp}/parlanza-soak.XXXXXX")"
load_pids=()
stop_load() {
    if [ "${#load_pids[@]}" -gt 0 ]; then
        kill "${load_pids[@]}" 2>/dev/null || true
        wait "${load_pids[@]}" 2>/dev/null || true
    fi
    load_pids=()
}
finish() {
    stop_load
    parlanza_stop_test_services
}
trap finish EXIT
parlanza_start_test_services

for run in $(seq 1 "$runs"); do
    loaded=no
    if [ $((run % 2)) -eq 0 ]; then
        loaded=yes
        for _ in $(seq 1 "$(nproc)"); do
            (while :; do :; done) &
            load_pids+=($!)
        done
    fi
    started=$SECONDS
    ctest --test-dir "$PARLANZA_BUILD_DIR" --output-on-failure -j "$(nproc)" \
        >"$logs/run$run.log" 2>&1 || true
    stop_load
    summary="$(grep -E 'tests passed' "$logs/run$run.log" || echo 'no summary')"
    echo "run $run/$runs (load: $loaded, $((SECONDS - started)) s): $summary"
    # ctest lists failures as "  12 - tst_Name (Failed)" after "The following tests FAILED:".
    sed -n '/The following tests FAILED:/,$p' "$logs/run$run.log" |
        sed -n -E 's/^[[:space:]]*[0-9]+ - ([^ ]+) .*/\1/p' >"$logs/run$run.failed"
done

echo
echo "Failures out of $runs runs (logs in $logs):"
ctest --test-dir "$PARLANZA_BUILD_DIR" -N | sed -n -E 's/^[[:space:]]*Test +#[0-9]+: (.+)$/\1/p' |
    while read -r name; do
        failed=$(cat "$logs"/run*.failed | grep -c -x -F "$name" || true)
        loaded=$(for run in $(seq 2 2 "$runs"); do cat "$logs/run$run.failed"; done |
            grep -c -x -F "$name" || true)
        printf '  %-40s %d/%d (under load %d/%d)\n' "$name" "$failed" "$runs" "$loaded" \
            "$((runs / 2))"
    done
! cat "$logs"/run*.failed | grep -q .
