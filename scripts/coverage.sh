#!/usr/bin/env bash
# Line coverage of Parlanza's libraries by the whole test suite.
# Builds with gcov instrumentation into its own folder (PARLANZA_COVERAGE_DIR, default
# build-coverage), runs every test with the test services started, and prints the
# coverage of the library folders only: tests, benchmarks and generators are left out,
# and so is the code moc writes into the build folder.
# A coverage build shares nothing with the normal build: expect a full build.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${PARLANZA_COVERAGE_DIR:-$root/build-coverage}"

if ! command -v gcovr >/dev/null 2>&1; then
    if [ "$(id -u)" -ne 0 ]; then
        echo "Coverage needs gcovr: sudo apt-get install -y --no-install-recommends gcovr" >&2
        exit 1
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends gcovr
fi

# setup.sh installs what the build needs, then configures and builds.
export PARLANZA_BUILD_DIR="$build" PARLANZA_BUILD_TYPE=Debug
export PARLANZA_CMAKE_ARGS="-DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage ${PARLANZA_CMAKE_ARGS:-}"
source "$root/scripts/setup.sh"
source "$root/scripts/test-services.sh"

# Counts from an earlier run would add up with this one.
find "$build" -name '*.gcda' -delete

parlanza_start_test_services
trap parlanza_stop_test_services EXIT
# A failing test still leaves its counts: report them, and the failure in the exit status.
status=0
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" || status=$?

libraries='app|documents|editor|help|helpviewer|platform|skin|audio|recording|speech|controls'
# CMake's compiler check leaves counters without sources: not ours, and noisy.
# Counters bumped from several threads at once can come out as a negative count; gcov's
# line for it is skipped rather than ending the report.
gcovr --root "$root" --object-directory "$build" \
    --filter "$root/($libraries)/" --exclude-directories '.*/CMakeFiles/[0-9][^/]*$' \
    --gcov-ignore-parse-errors --print-summary --sort-percentage
exit "$status"
