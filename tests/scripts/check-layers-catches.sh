#!/usr/bin/env bash
# check-layers.sh must pass a tree that keeps the rules and fail each planted breach.
set -euo pipefail
check="$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-layers.sh"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

plant() { # plant <name> <file> <contents>: a fresh tree of speech over audio, and <file>
    rm -rf "$work/tree"
    mkdir -p "$work/tree/speech" "$work/tree/audio"
    printf '#pragma once\n#include "audio/Y.h"\nnamespace speech {\nclass X;\n} // namespace speech\n' \
        > "$work/tree/speech/X.h"
    printf '#pragma once\nnamespace audio {\nclass Y;\n} // namespace audio\n' \
        > "$work/tree/audio/Y.h"
    [ -z "$2" ] || printf '%b' "$3" > "$work/tree/$2"
}

failures=0
expect() { # expect pass|fail <what>
    local got=pass
    "$check" "$work/tree" > "$work/out" 2>&1 || got=fail
    if [ "$got" != "$1" ]; then
        echo "check-layers should $1 $2, but did not:" >&2
        cat "$work/out" >&2
        failures=$((failures + 1))
    fi
}

plant clean "" ""
expect pass "a tree that keeps the rules"
plant wrong-namespace speech/Z.h '#pragma once\nnamespace audio {\nclass Z;\n} // namespace audio\n'
expect fail "a speech header in the namespace of the folder below"
plant global speech/Z.h '#pragma once\nclass Z;\n'
expect fail "a speech header outside any namespace"
plant nested-wrong speech/Z.cpp 'namespace speech {\n} // namespace speech\nnamespace documents::x {\n} // namespace documents::x\n'
expect fail "a second namespace of another folder"
plant nested-right speech/Z.h '#pragma once\nnamespace speech::inner {\nnamespace {\n} // namespace\n} // namespace speech::inner\n'
expect pass "a namespace nested in the folder's own"
plant upward audio/Z.h '#pragma once\n#include "speech/X.h"\nnamespace audio {\n} // namespace audio\n'
expect fail "an include that reaches up"
plant tangled speech/Z.h '#pragma once\n#include "speech/X.h"\nnamespace speech {\n} // namespace speech\n'
printf '#include "speech/Z.h"\nnamespace speech {\n} // namespace speech\n' > "$work/tree/speech/X.cpp"
expect fail "two classes that include each other"
exit "$failures"
