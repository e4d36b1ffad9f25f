#!/usr/bin/env bash
# Regenerates the rich-text and Word fixtures from the *.expected.txt texts with
# LibreOffice. The password-protected document needs python3-uno as well (it is not
# needed for building or testing): make-protected-doc.py writes protected.doc.
# corrupt.doc is an OLE signature followed by random bytes.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d /tmp/parlanza-fixtures-XXXXXX)
trap 'rm -rf "$work"' EXIT
profile="-env:UserInstallation=file://$work/profile"

for name in accents greek cyrillic cjk emoji plain; do
    cp "$name.expected.txt" "$work/$name.txt"
    soffice "$profile" --headless --norestore --convert-to rtf --outdir . "$work/$name.txt"
done
for name in plain mixed; do
    cp "$name.expected.txt" "$work/$name.txt"
    soffice "$profile" --headless --norestore --convert-to 'doc:MS Word 97' --outdir . \
        "$work/$name.txt"
done
{ printf '\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1garbagegarbage'; head -c 3000 /dev/urandom; } > corrupt.doc
