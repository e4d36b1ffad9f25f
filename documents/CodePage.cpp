#include "documents/CodePage.h"

#include <QHash>
#include <cerrno>
#include <iconv.h>
#include <mutex>

namespace documents::codepage {

namespace {

constexpr int kWindowsWestern = 1252;

QByteArray iconvName(int codePage)
{
    switch (codePage) {
    case 437:
        return "CP437";
    case 850:
        return "CP850";
    case 874:
        return "CP874";
    case 932:
        return "CP932";
    case 936:
        return "CP936";
    case 949:
        return "CP949";
    case 950:
        return "CP950";
    case 1361:
        return "JOHAB";
    case 10000:
        return "MACINTOSH";
    case 20127:
        return "ASCII";
    case 28591:
        return "ISO-8859-1";
    case 65001:
        return "UTF-8";
    default:
        break;
    }
    if (codePage >= 1250 && codePage <= 1258) {
        return "CP" + QByteArray::number(codePage);
    }
    return {};
}

// iconv descriptors are costly to open (a rich-text file switches code page with every
// font change) but not safe to share between threads: keep one per code page and
// serialise their use.
class ConverterCache
{
public:
    ~ConverterCache()
    {
        for (iconv_t cd : std::as_const(m_converters)) {
            if (cd != reinterpret_cast<iconv_t>(-1)) {
                iconv_close(cd);
            }
        }
    }

    template <typename Fn> bool with(int codePage, Fn&& fn)
    {
        std::lock_guard lock(m_mutex);
        auto it = m_converters.find(codePage);
        if (it == m_converters.end()) {
            const QByteArray name = iconvName(codePage);
            iconv_t cd = name.isEmpty() ? reinterpret_cast<iconv_t>(-1)
                                        : iconv_open("UTF-16LE", name.constData());
            it = m_converters.insert(codePage, cd);
        }
        if (it.value() == reinterpret_cast<iconv_t>(-1)) {
            return false;
        }
        iconv(it.value(), nullptr, nullptr, nullptr, nullptr);
        fn(it.value());
        return true;
    }

private:
    std::mutex m_mutex;
    QHash<int, iconv_t> m_converters;
};

ConverterCache& cache()
{
    static ConverterCache instance;
    return instance;
}

QString decodeWith(iconv_t cd, const QByteArray& bytes)
{
    QString result;
    result.reserve(bytes.size());
    // Every byte gives at most two UTF-16 code units in the code pages we know.
    QByteArray out(qsizetype(4096), Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    while (inLeft > 0) {
        char* outPtr = out.data();
        size_t outLeft = static_cast<size_t>(out.size());
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        const qsizetype produced = out.size() - static_cast<qsizetype>(outLeft);
        result.append(reinterpret_cast<const QChar*>(out.constData()), produced / 2);
        if (rc != static_cast<size_t>(-1)) {
            break;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL (a lead byte at the very end): one byte is lost, not the rest.
        result.append(QChar::ReplacementCharacter);
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return result;
}

} // namespace

bool isSupported(int codePage)
{
    return cache().with(codePage, [](iconv_t) {});
}

QString decode(const QByteArray& bytes, int codePage)
{
    if (bytes.isEmpty()) {
        return {};
    }
    QString result;
    if (!cache().with(codePage, [&](iconv_t cd) { result = decodeWith(cd, bytes); })) {
        cache().with(kWindowsWestern, [&](iconv_t cd) { result = decodeWith(cd, bytes); });
    }
    return result;
}

} // namespace documents::codepage
