// libFuzzer target: form files and the stored property bags inside them. Any bytes must
// be read or refused without a crash or a sanitizer report; every stored value must read
// as its type, and what is read must survive being written and read again.
#include "platform/EventLog.h"
#include "platform/FormFile.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <cstdlib>

using platform::PropertyBag;

namespace {

template <typename T> bool same(const T& a, const T& b)
{
    return a == b;
}

bool same(const QFont& a, const QFont& b)
{
    return a.family() == b.family() && a.pointSizeF() == b.pointSizeF() &&
           a.weight() == b.weight() && a.italic() == b.italic() && a.underline() == b.underline() &&
           a.strikeOut() == b.strikeOut();
}

// Reads the value as one type and checks that writing it back reads the same.
template <typename T, typename Arg, typename Default>
void roundTrip(const PropertyBag& bag, const QString& key, const T& fallback,
               T (PropertyBag::*read)(const QString&, Arg) const,
               void (PropertyBag::*write)(const QString&, Arg, std::optional<Default>))
{
    const T value = (bag.*read)(key, fallback);
    PropertyBag written;
    (written.*write)(key, value, std::nullopt);
    if (!same((written.*read)(key, fallback), value)) {
        std::abort();
    }
}

void readEverything(const PropertyBag& bag)
{
    for (const QString& key : bag.toJson().keys()) {
        roundTrip(bag, key, qint16(7), &PropertyBag::readInteger, &PropertyBag::writeInteger);
        roundTrip(bag, key, qint32(7), &PropertyBag::readLong, &PropertyBag::writeLong);
        roundTrip(bag, key, quint8(7), &PropertyBag::readByte, &PropertyBag::writeByte);
        roundTrip(bag, key, true, &PropertyBag::readBoolean, &PropertyBag::writeBoolean);
        roundTrip(bag, key, 7.5f, &PropertyBag::readSingle, &PropertyBag::writeSingle);
        roundTrip(bag, key, 7.5, &PropertyBag::readDouble, &PropertyBag::writeDouble);
        roundTrip(bag, key, QStringLiteral("x"), &PropertyBag::readString,
                  &PropertyBag::writeString);
        roundTrip(bag, key, platform::OleColor(7), &PropertyBag::readColor,
                  &PropertyBag::writeColor);
        roundTrip(bag, key, QFont(QStringLiteral("Sans"), 9), &PropertyBag::readFont,
                  &PropertyBag::writeFont);
        (void)bag.readPicture(key);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts and pictures need a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Bad stored values are logged; keep them out of the system log.
    platform::EventLogCapture log;
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));

    // The same bytes as one control's stored properties.
    readEverything(PropertyBag(QJsonDocument::fromJson(json).object()));

    const std::optional<platform::FormFile> form = platform::FormFile::parse(json);
    if (!form) {
        return 0;
    }
    readEverything(form->properties);
    for (const platform::FormControl& control : form->controls) {
        readEverything(control.properties);
    }
    // A form written back reads as the same form.
    const QByteArray saved = form->toJson();
    const std::optional<platform::FormFile> again = platform::FormFile::parse(saved);
    if (!again || again->toJson() != saved) {
        std::abort();
    }
    return 0;
}
