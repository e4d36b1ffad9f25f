#include "documents/WordConverter.h"

#include "platform/ChildProcess.h"
#include "platform/EventLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QUrl>

namespace documents {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("WordConverter", text);
}

constexpr char kOleSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr int kOleSignatureLength = 8;
// What the converter says is only logged: more than this is cut.
constexpr qint64 kMaxConverterMessages = qint64(1) << 20;

// A profile LibreOffice made once, copied for each conversion: making a new profile is
// a second or two of every conversion otherwise. Each conversion still has its own copy,
// so that conversions running at once do not share one.
QString profileTemplate()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return cache.isEmpty() ? QString() : cache + QLatin1String("/office-profile");
}

bool copyTree(const QString& from, const QString& to)
{
    QDirIterator files(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        const QString target = to + file.mid(from.size());
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(file, target)) {
            return false;
        }
    }
    return true;
}

// Keeps the profile of a conversion that worked, unless one is kept already. The copy
// is made aside and renamed into place, so that a half-copied profile is never used.
void keepProfile(const QString& profile)
{
    const QString kept = profileTemplate();
    if (kept.isEmpty() || QFileInfo::exists(kept) || !QDir().mkpath(QFileInfo(kept).path())) {
        return;
    }
    QTemporaryDir aside(kept + QLatin1String("-XXXXXX"));
    if (!aside.isValid() || !copyTree(profile, aside.path())) {
        return;
    }
    if (QDir().rename(aside.path(), kept)) {
        aside.setAutoRemove(false);
    }
}

QString decodeOutput(const QByteArray& bytes)
{
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF")) {
        data.remove(0, 3);
    }
    return QStringDecoder(QStringDecoder::Utf8)(data);
}

} // namespace

bool WordConverter::hasOleSignature(const QByteArray& head)
{
    return head.startsWith(QByteArray(kOleSignature, kOleSignatureLength));
}

QString WordConverter::converterProgram()
{
    const QString configured = qEnvironmentVariable("PARLANZA_SOFFICE");
    if (!configured.isEmpty()) {
        return configured;
    }
    return QStandardPaths::findExecutable(QStringLiteral("soffice"));
}

platform::Result<QString> WordConverter::convertWord(const QByteArray& data, int timeoutMs)
{
    if (!hasOleSignature(data)) {
        return platform::Failure{tr("The file is not a Word document.")};
    }
    return convertData(data, Format::Word97, timeoutMs);
}

platform::Result<QString> WordConverter::convertData(const QByteArray& data, Format format,
                                                     int timeoutMs)
{
    // Without a fixed import filter a damaged document is read as plain text and
    // "converts" into garbage.
    struct Import
    {
        const char* suffix;
        const char* filter;
    };
    const Import import = format == Format::Word97          ? Import{"doc", "MS Word 97"}
                          : format == Format::OfficeOpenXml ? Import{"docx", "MS Word 2007 XML"}
                                                            : Import{"odt", "writer8"};
    const QString program = converterProgram();
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        return platform::Failure{
            tr("LibreOffice is needed to read Word documents and is not installed.")};
    }

    // The converter writes beside its input and keeps a profile: give it a folder of its
    // own for each, so that nothing lands beside the user's file and a running
    // LibreOffice of the user's is not disturbed. A space in the profile's address
    // makes the converter hang, hence the plain temporary folder names.
    QTemporaryDir work(QDir::tempPath() + QLatin1String("/parlanza-doc-XXXXXX"));
    if (!work.isValid()) {
        return platform::Failure{
            tr("No temporary folder for the conversion: %1.").arg(work.errorString())};
    }
    const QString inputDir = work.filePath(QStringLiteral("in"));
    const QString outputDir = work.filePath(QStringLiteral("out"));
    const QString profileDir = work.filePath(QStringLiteral("profile"));
    QDir().mkpath(inputDir);
    QDir().mkpath(outputDir);
    QDir().mkpath(profileDir);
    const QString kept = profileTemplate();
    const bool fromKept = !kept.isEmpty() && QFileInfo(kept).isDir() && copyTree(kept, profileDir);
    const QString input = inputDir + QLatin1String("/document.") + QLatin1String(import.suffix);
    {
        QFile copy(input);
        if (!copy.open(QIODevice::WriteOnly) || copy.write(data) != data.size()) {
            return platform::Failure{tr("The document cannot be copied for the conversion: %1.")
                                         .arg(copy.errorString())};
        }
    }

    // The "soffice" script starts the real program as a child, which outlives a signal
    // sent to the script alone: the helper ends the converter's whole group.
    const platform::Result<std::unique_ptr<platform::ChildProcess>> process =
        platform::ChildProcess::start(
            program,
            {QLatin1String("-env:UserInstallation=") +
                 QString::fromLatin1(QUrl::fromLocalFile(profileDir).toEncoded()),
             QStringLiteral("--headless"), QStringLiteral("--norestore"),
             QStringLiteral("--nolockcheck"),
             QLatin1String("--infilter=") + QLatin1String(import.filter),
             QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"),
             QStringLiteral("--outdir"), outputDir, input},
            platform::ChildProcess::Channel::OutputOnly);
    if (!process) {
        return platform::Failure{tr("LibreOffice could not be started: %1.").arg(process.error())};
    }
    const platform::ChildProcess::Collected run =
        process.value()->collect(timeoutMs, kMaxConverterMessages);
    const QByteArray& messages = run.output;
    if (run.timedOut) {
        return platform::Failure{tr("LibreOffice did not finish the conversion within %1 seconds.")
                                     .arg(timeoutMs / 1000.0, 0, 'f', 0)};
    }

    // The converter exits with 0 whether it converted or not: the output file tells.
    QFile output(outputDir + QLatin1String("/document.txt"));
    if (!output.open(QIODevice::ReadOnly)) {
        // A kept profile that LibreOffice could not use is not offered again.
        if (fromKept) {
            QDir(kept).removeRecursively();
        }
        const QString detail = QString::fromLocal8Bit(messages).trimmed();
        if (!detail.isEmpty()) {
            platform::eventlog::warning(QLatin1String("Document conversion: ") + detail);
        }
        return platform::Failure{
            tr("LibreOffice could not convert the document; it may be damaged or "
               "protected by a password.")};
    }
    keepProfile(profileDir);
    return decodeOutput(output.readAll());
}

} // namespace documents
