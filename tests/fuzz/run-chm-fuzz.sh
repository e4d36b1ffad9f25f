#!/usr/bin/env bash
# Builds the help-file fuzz targets with clang's libFuzzer (plus AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a while over truncated and mutated
# copies of the committed help file. Needs: apt-get install clang-14 libclang-rt-14-dev
#
#   tests/fuzz/run-chm-fuzz.sh [seconds per target, default 120]
#
# Exit status 0 when no target found a crash; findings are left in the work folder.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
seconds="${1:-120}"
work="${PARLANZA_FUZZ_DIR:-/tmp/parlanza-chm-fuzz}"
cxx="${CXX_FUZZ:-clang++-14}"

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "$cxx is missing: apt-get install clang-14 libclang-rt-14-dev" >&2
    exit 1
fi
mkdir -p "$work"
flags=(-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$root" $(pkg-config --cflags Qt6Core))
libs=($(pkg-config --libs Qt6Core) -lchm)
sources=("$root/helpviewer/ChmFile.cpp" "$root/helpviewer/ChmSitemap.cpp")

for target in fuzz_ChmFile fuzz_ChmTables; do
    echo "== building $target"
    "$cxx" "${flags[@]}" "$root/tests/fuzz/$target.cpp" "${sources[@]}" "${libs[@]}" -o "$work/$target"
done

# Seeds: the help file, cut at many lengths, and its tables for the table target.
help_file="$root/resources/help/Parlanza.chm"
size=$(stat -c %s "$help_file")
rm -rf "$work/seeds-file" "$work/seeds-tables"
mkdir -p "$work/seeds-file" "$work/seeds-tables" "$work/corpus-file" "$work/corpus-tables"
cp "$help_file" "$work/seeds-file/whole.chm"
for cut in 0x58 0x200 0x1000 $((size / 4)) $((size / 2)) $((size * 3 / 4)) $((size - 1)); do
    head -c $((cut)) "$help_file" >"$work/seeds-file/cut-$((cut)).chm"
done
printf '\x03\x00\x00\x00\x03\x00\x05\x00Main\x00\xff\x01\x00\x00\x00\xc4\x00\x00\x00\xff\x08\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\xff\x00/x/page.htm\x00Main\x00\xff<ul><li><object type="text/sitemap"><param name="Name" value="A"><param name="Local" value="page.htm"></object></ul>\xff<ul><li><object type="text/sitemap"><param name="Name" value="k"><param name="Local" value="a/b/c.htm"></object></ul>\xff<html><title>T</title>x</html>\xff<p>a b</p>' \
    >"$work/seeds-tables/seed"

status=0
run() {
    local target="$1" corpus="$2" seeds="$3"
    echo "== running $target for ${seconds}s"
    (cd "$work" && ./"$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
        -max_len=65536 -artifact_prefix="$work/$target-" -print_final_stats=1 \
        "$corpus" "$seeds") >"$work/$target.log" 2>&1 || status=1
    grep -E '^stat::number_of_executed_runs|^stat::peak_rss_mb|^#[0-9]+.*DONE' "$work/$target.log" || true
    if grep -q 'ERROR: libFuzzer\|ERROR: AddressSanitizer\|runtime error' "$work/$target.log"; then
        echo "$target found a problem; see $work/$target.log" >&2
        status=1
    fi
}
run fuzz_ChmFile "$work/corpus-file" "$work/seeds-file"
run fuzz_ChmTables "$work/corpus-tables" "$work/seeds-tables"
[ "$status" -eq 0 ] && echo "No crashes."
exit "$status"
