#!/usr/bin/env bash
# Builds the rich-text reader's libFuzzer target with clang (address and undefined-
# behaviour sanitizers) and runs it for a while, seeded with the committed rich-text
# files. Needs clang-14 and libclang-rt-14-dev; the normal build does not.
#
#   scripts/fuzz-rtf.sh [seconds]     (default 120)
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
SECONDS_TO_RUN="${1:-120}"
WORK="${PARLANZA_FUZZ_DIR:-$ROOT/build-fuzz}"
CXX="${CXX_FUZZ:-clang++-14}"

if ! command -v "$CXX" >/dev/null; then
    echo "clang is needed: apt-get install clang-14 libclang-rt-14-dev" >&2
    exit 1
fi

mkdir -p "$WORK/corpus" "$WORK/crashes"
cp -n "$ROOT"/tests/documents/data/*.rtf "$WORK/corpus/" 2>/dev/null || true

# shellcheck disable=SC2046
"$CXX" -std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -I"$ROOT" \
    $(pkg-config --cflags Qt6Core Qt6Gui) \
    "$ROOT/tests/fuzz/fuzz_RtfReader.cpp" \
    "$ROOT/documents/RtfReader.cpp" "$ROOT/documents/CodePage.cpp" \
    "$ROOT/documents/DocumentFile.cpp" \
    $(pkg-config --libs Qt6Core Qt6Gui) \
    -o "$WORK/fuzz_RtfReader"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$ROOT/.ci/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$WORK/fuzz_RtfReader" -max_total_time="$SECONDS_TO_RUN" -max_len=65536 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$WORK/crashes/" "$WORK/corpus"
echo "No crash, hang or sanitizer report in ${SECONDS_TO_RUN} s."
