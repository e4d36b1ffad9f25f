#!/usr/bin/env bash
# Regenerates the document samples the opening tests read, from the plain sources
# sample.html and sample.md (sample.expected.txt is the text each must give):
#   sample.docx, sample.odt, sample.pdf, sample.rtf  written by LibreOffice from the page
#   sample.epub      a two-chapter book made here from the page's two sections
#   damaged.docx     sample.docx cut in half
#   encrypted.pdf    sample.pdf with an opening password (LibreOffice's export options)
#   encrypted.odt    sample.odt marked as encrypted in its manifest, its content scrambled
#   drm.epub         sample.epub with its chapters listed as encrypted
#   scanned.pdf      a page with a drawing and no text layer
#   boxes.rtf, boxes-word.rtf  rich text with a text frame, a shape with text, a footnote,
#                    lists and fields, written by LibreOffice from boxes.fodt directly and
#                    by way of a Word document (boxes.expected.txt is the text of both)
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d /tmp/parlanza-samples-XXXXXX)
trap 'rm -rf "$work"' EXIT
office=(soffice "-env:UserInstallation=file://$work/profile" --headless --norestore)

for format in docx odt pdf rtf; do
    "${office[@]}" --infilter="HTML (StarWriter)" --convert-to "$format" --outdir "$work" \
        sample.html >/dev/null
    cp "$work/sample.$format" "sample.$format"
done
"${office[@]}" --convert-to \
    'pdf:writer_pdf_Export:{"EncryptFile":{"type":"boolean","value":"true"},"DocumentOpenPassword":{"type":"string","value":"secret"}}' \
    --outdir "$work/encrypted" sample.odt >/dev/null
cp "$work/encrypted/sample.pdf" encrypted.pdf
head -c "$(($(stat -c %s sample.docx) / 2))" sample.docx > damaged.docx
"${office[@]}" --convert-to rtf --outdir "$work" boxes.fodt >/dev/null
cp "$work/boxes.rtf" boxes.rtf
"${office[@]}" --convert-to 'doc:MS Word 97' --outdir "$work" boxes.fodt >/dev/null
"${office[@]}" --convert-to rtf --outdir "$work/word" "$work/boxes.doc" >/dev/null
cp "$work/word/boxes.rtf" boxes-word.rtf

python3 - <<'PY'
import re
import zipfile

page = open("sample.html", encoding="utf-8").read()
body = page[page.index("<body>") + 6:page.index("</body>")]
chapters = ["<h1>" + part for part in body.split("<h1>")[1:]]
xhtml = ('<?xml version="1.0" encoding="UTF-8"?>\n<html xmlns="http://www.w3.org/1999/xhtml">'
         '<head><title>Sample</title></head><body>{}</body></html>')
container = ('<?xml version="1.0"?>\n<container version="1.0" '
             'xmlns="urn:oasis:names:tc:opendocument:xmlns:container"><rootfiles>'
             '<rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/>'
             '</rootfiles></container>')
# The manifest lists the chapters backwards: the spine alone gives the reading order.
opf = ('<?xml version="1.0" encoding="UTF-8"?>\n<package xmlns="http://www.idpf.org/2007/opf" '
       'version="3.0" unique-identifier="id"><metadata xmlns:dc="http://purl.org/dc/elements/1.1/">'
       '<dc:identifier id="id">parlanza-sample</dc:identifier><dc:title>Sample</dc:title>'
       '<dc:language>en</dc:language></metadata><manifest>'
       '<item id="nav" href="nav.xhtml" media-type="application/xhtml+xml" properties="nav"/>'
       '<item id="c2" href="text/chapter%202.xhtml" media-type="application/xhtml+xml"/>'
       '<item id="c1" href="text/chapter1.xhtml" media-type="application/xhtml+xml"/>'
       '</manifest><spine><itemref idref="c1"/><itemref idref="c2"/></spine></package>')
nav = xhtml.format('<nav xmlns:epub="http://www.idpf.org/2007/ops" epub:type="toc"><ol>'
                   '<li><a href="text/chapter1.xhtml">Chapter One</a></li></ol></nav>')
members = {
    "META-INF/container.xml": container,
    "OEBPS/content.opf": opf,
    "OEBPS/nav.xhtml": nav,
    "OEBPS/text/chapter1.xhtml": xhtml.format(chapters[0]),
    "OEBPS/text/chapter 2.xhtml": xhtml.format(chapters[1]),
}
encryption = ('<?xml version="1.0"?>\n<encryption xmlns="urn:oasis:names:tc:opendocument:xmlns:container" '
              'xmlns:enc="http://www.w3.org/2001/04/xmlenc#">' + "".join(
                  '<enc:EncryptedData><enc:EncryptionMethod '
                  'Algorithm="http://www.w3.org/2001/04/xmlenc#aes128-cbc"/><enc:CipherData>'
                  '<enc:CipherReference URI="{}"/></enc:CipherData></enc:EncryptedData>'.format(name)
                  for name in ("OEBPS/text/chapter1.xhtml", "OEBPS/text/chapter 2.xhtml")) +
              '</encryption>')


def book(path, extra):
    with zipfile.ZipFile(path, "w") as out:
        out.writestr(zipfile.ZipInfo("mimetype"), "application/epub+zip")
        for name, text in {**members, **extra}.items():
            out.writestr(name, text, zipfile.ZIP_DEFLATED)


book("sample.epub", {})
book("drm.epub", {"META-INF/encryption.xml": encryption})

with zipfile.ZipFile("sample.odt") as odt, zipfile.ZipFile("encrypted.odt", "w") as out:
    for info in odt.infolist():
        data = odt.read(info.filename)
        if info.filename == "META-INF/manifest.xml":
            data = data.replace(
                b'manifest:full-path="content.xml" manifest:media-type="text/xml"/>',
                b'manifest:full-path="content.xml" manifest:media-type="text/xml">'
                b'<manifest:encryption-data manifest:checksum-type="SHA1/1K" '
                b'manifest:checksum="AAAA"><manifest:algorithm '
                b'manifest:algorithm-name="Blowfish CFB" manifest:initialisation-vector="AAAA"/>'
                b'</manifest:encryption-data></manifest:file-entry>')
            assert b"encryption-data" in data
        elif info.filename == "content.xml":
            data = bytes(b ^ 0x5A for b in data)
        out.writestr(info, data)

# A page with a filled square and no text at all, as a scanner's page holds only a picture.
stream = b"0.2 0.2 0.2 rg 100 100 300 300 re f"
objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
           b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
           b"<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R >>",
           b"<< /Length %d >>\nstream\n" % len(stream) + stream + b"\nendstream"]
pdf = bytearray(b"%PDF-1.4\n")
offsets = []
for number, body in enumerate(objects, 1):
    offsets.append(len(pdf))
    pdf += b"%d 0 obj\n" % number + body + b"\nendobj\n"
xref = len(pdf)
pdf += b"xref\n0 %d\n0000000000 65535 f \n" % (len(objects) + 1)
pdf += b"".join(b"%010d 00000 n \n" % offset for offset in offsets)
pdf += b"trailer\n<< /Size %d /Root 1 0 R >>\nstartxref\n%d\n%%%%EOF\n" % (len(objects) + 1, xref)
open("scanned.pdf", "wb").write(pdf)
PY
