#!/usr/bin/env bash
# Builds the libFuzzer targets in this folder with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) straight from the library sources, and runs each for a
# while from the committed samples. Needs clang-14 and libclang-rt-14-dev; the normal
# build does not.
#
#   tests/fuzz/run.sh [seconds per target, default 60] [target...]   (default: all)
#
# Everything it writes (objects, programs, the growing corpus, findings, logs) stays in
# $PARLANZA_FUZZ_DIR (default /tmp/parlanza-fuzz). Exits non-zero when a target does not
# build or finds a crash, a hang, a leak or a sanitizer report.
set -uo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
seconds="${1:-60}"
shift $(($# > 0 ? 1 : 0))
work="${PARLANZA_FUZZ_DIR:-/tmp/parlanza-fuzz}"
cxx="${CXX_FUZZ:-clang++-14}"

# The library sources each target is built from, and the libraries beyond Qt.
declare -A sources=(
    [ChmFile]="helpviewer/ChmFile.cpp helpviewer/ChmSitemap.cpp platform/ChildProcess.cpp"
    [ChmTables]="helpviewer/ChmFile.cpp helpviewer/ChmSitemap.cpp platform/ChildProcess.cpp"
    [RtfReader]="documents/RtfReader.cpp documents/DocumentOutline.cpp documents/CodePage.cpp
                 documents/DocumentFile.cpp platform/FileError.cpp"
    [FormFile]="platform/FormFile.cpp platform/PropertyBag.cpp platform/Picture.cpp
                platform/Resources.cpp platform/EventLog.cpp platform/MessageBoxService.cpp
                platform/AppInfo.cpp"
    [LexiconFile]="speech/LexiconFile.cpp speech/Lexicon.cpp speech/PhonemeSpelling.cpp
                   speech/VoiceDefinition.cpp platform/SettingsFile.cpp platform/WriteBack.cpp
                   platform/FileError.cpp platform/EventLog.cpp"
    [ParseCoordinate]="controls/bevel/mdlSHPCLR.cpp platform/Units.cpp platform/OleColor.cpp
                       platform/MessageBoxService.cpp tests/support/FakeMessageBoxService.cpp
                       platform/AppInfo.cpp"
)
declare -A libs=([ChmFile]="-lchm" [ChmTables]="-lchm")

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "FUZZ FAILED: $cxx is missing (apt-get install clang-14 libclang-rt-14-dev)" >&2
    exit 2
fi
if ! [[ "$seconds" =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: tests/fuzz/run.sh [seconds per target] [target...]" >&2
    exit 2
fi
[[ $# -eq 0 ]] && set -- "${!sources[@]}"
targets=()
for name in "$@"; do
    name="${name#fuzz_}"
    if [[ -z "${sources[$name]:-}" ]]; then
        echo "unknown target $name; known: ${!sources[*]}" >&2
        exit 2
    fi
    targets+=("$name")
done
mapfile -t targets < <(printf '%s\n' "${targets[@]}" | sort)

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(ccache)
# shellcheck disable=SC2207
qt=($(pkg-config --cflags --libs Qt6Core Qt6Gui Qt6Widgets))
# The normal build's definitions, so that the code compiles as it does there.
flags=(-std=c++20 -g -O1 -fPIC -fno-omit-frame-pointer -fno-sanitize-recover=undefined
       -fsanitize=fuzzer-no-link,address,undefined -I"$root" -I"$root/tests" -DQT_NO_KEYWORDS_FOR_SIGNALS
       -DQT_NO_CAST_FROM_BYTEARRAY -DQT_USE_QSTRINGBUILDER)

build() {
    local target="$1" objects=() source object
    mkdir -p "$work/obj/$target"
    for source in tests/fuzz/fuzz_$target.cpp ${sources[$target]}; do
        object="$work/obj/$target/$(basename "$source" .cpp).o"
        "${launcher[@]}" "$cxx" "${flags[@]}" "${qt[@]}" -c "$root/$source" -o "$object" || return 1
        objects+=("$object")
    done
    # shellcheck disable=SC2086
    "$cxx" -fsanitize=fuzzer,address,undefined "${objects[@]}" "${qt[@]}" ${libs[$target]:-} \
        -o "$work/fuzz_$target"
}

# Seeds come from committed files only; what the fuzzer adds goes to the work corpus.
seed() {
    local target="$1" dir="$work/seeds/$1"
    rm -rf "$dir" && mkdir -p "$dir"
    [[ -d "$root/tests/fuzz/corpus/$target" ]] && cp "$root/tests/fuzz/corpus/$target"/* "$dir/"
    case "$target" in
    RtfReader) cp "$root"/tests/documents/data/*.rtf "$dir/" ;;
    ChmFile)
        # The help file whole and cut at many lengths, so that early parts get mutated too.
        local help="$root/resources/help/Parlanza.chm" size cut
        size=$(stat -c %s "$help")
        cp "$help" "$dir/whole.chm"
        for cut in 88 512 4096 $((size / 4)) $((size / 2)) $((size * 3 / 4)) $((size - 1)); do
            head -c "$cut" "$help" >"$dir/cut-$cut.chm"
        done
        ;;
    esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="suppressions=$root/.ci/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

mkdir -p "$work"
failed=()
for target in "${targets[@]}"; do
    echo "== fuzz_$target: building"
    if ! build "$target" >"$work/build-$target.log" 2>&1; then
        cat "$work/build-$target.log" >&2
        echo "FUZZ FAILED: fuzz_$target does not build (log: $work/build-$target.log)" >&2
        failed+=("$target")
        continue
    fi
    seed "$target"
    findings="$work/findings/$target"
    mkdir -p "$work/corpus/$target" "$findings"
    rm -rf "$work/refused/$target" && mkdir -p "$work/refused/$target"
    dict=()
    dictionary="$root/tests/fuzz/corpus/$target.dict"
    [[ -f "$dictionary" ]] && dict=(-dict="$dictionary")
    echo "== fuzz_$target: running for ${seconds}s"
    (cd "$work" && PARLANZA_FUZZ_REFUSED="$work/refused/$target/report" \
        ./"fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" \
        "$work/corpus/$target" "$work/seeds/$target") >"$work/$target.log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
    refused=$(find "$work/refused/$target" -type f | wc -l)
    note=""
    [[ $refused -gt 0 ]] && note=", $refused refused when chmlib faulted in the reading child"
    corpus=$(find "$work/corpus/$target" -type f | wc -l)
    echo "fuzz_$target: ${runs:-0} runs in ${seconds}s, corpus $corpus inputs$note"
    # Sanitizer reports of the reading child went to the refused folder: any left in
    # the log are this process's own.
    report='ERROR: (libFuzzer|[A-Za-z]+Sanitizer)|runtime error:'
    if [[ $status -ne 0 ]] || grep -q -E "$report" "$work/$target.log"; then
        grep -m1 -E "$report" "$work/$target.log" >&2
        echo "FUZZ FAILED: fuzz_$target found a problem (log: $work/$target.log;" \
            "inputs: $findings)" >&2
        failed+=("$target")
    fi
done

passed=$((${#targets[@]} - ${#failed[@]}))
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "FUZZ FAILED: ${failed[*]}" >&2
    echo "fuzz: $passed passed, ${#failed[@]} failed"
    exit 1
fi
echo "Fuzzing found nothing in ${targets[*]}."
echo "fuzz: $passed passed, 0 failed"
