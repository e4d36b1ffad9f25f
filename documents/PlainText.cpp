#include "documents/PlainText.h"

#include "documents/CodePage.h"

#include <QStringDecoder>

namespace documents::plaintext {

namespace {

constexpr int kWindowsWestern = 1252;

QString decodeUtf16(QByteArrayView bytes, QStringDecoder::Encoding encoding)
{
    return QStringDecoder(encoding)(bytes);
}

} // namespace

QString decode(const QByteArray& bytes)
{
    const QByteArrayView view(bytes);
    if (view.startsWith("\xFF\xFE")) {
        return decodeUtf16(view.sliced(2), QStringDecoder::Utf16LE);
    }
    if (view.startsWith("\xFE\xFF")) {
        return decodeUtf16(view.sliced(2), QStringDecoder::Utf16BE);
    }
    const QByteArrayView body = view.startsWith("\xEF\xBB\xBF") ? view.sliced(3) : view;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(body);
    if (!utf8.hasError()) {
        return text;
    }
    return codepage::decode(body.toByteArray(), kWindowsWestern);
}

} // namespace documents::plaintext
