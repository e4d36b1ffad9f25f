#!/usr/bin/env bash
# Rebuilds the compiled help file resources/help/Parlanza.chm from its sources in
# resources/help-source/. Needs chmcmd (Debian package fp-utils). The compiled file is
# committed, so a normal build never needs this.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source_dir="$root/resources/help-source"
output="$root/resources/help/Parlanza.chm"

if ! command -v chmcmd >/dev/null 2>&1; then
    echo "chmcmd is missing: install it with  apt-get install fp-utils" >&2
    exit 1
fi

# Compile in a scratch copy: the compiler writes beside the project and records the
# folder it ran in, which should be neither a developer's home nor a random name that
# changes the file on every rebuild.
work="${TMPDIR:-/tmp}/parlanza-help-build"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
cp -r "$source_dir"/. "$work/"
(cd "$work" && chmcmd Parlanza.hhp) >"$work/build.log" 2>&1 || {
    cat "$work/build.log" >&2
    echo "chmcmd failed" >&2
    exit 1
}
if grep -qi 'error' "$work/build.log"; then
    cat "$work/build.log" >&2
    exit 1
fi
mkdir -p "$(dirname "$output")"
cp "$work/Parlanza.chm" "$output"
echo "Wrote $output ($(stat -c %s "$output") bytes)"
