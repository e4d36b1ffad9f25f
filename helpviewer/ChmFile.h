#pragma once

#include "helpviewer/ChmSitemap.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QRect>
#include <QString>
#include <optional>

// A compiled HTML help file (.chm), read with chmlib into memory together with the
// tables the viewer needs: the project's options, window types, the context-id map,
// the contents and the index.
namespace helpviewer {

// One window type of the file's #WINDOWS table.
struct ChmWindowType
{
    QString name;
    QString caption;
    QString contentsFile;
    QString indexFile;
    QString defaultFile;
    QString homeFile;
    // The window's place on the screen in pixels; empty when the type sets none.
    QRect geometry;
    // Width of the contents/index/search pane in pixels; 0 when the type sets none.
    int navigationWidth = 0;
};

// What the file's #SYSTEM record says about the project.
struct ChmSystemInfo
{
    QString contentsFile;
    QString indexFile;
    QString defaultTopic;
    QString title;
    QString defaultWindow;
};

struct ChmSearchHit
{
    QString path;
    QString title;
};

class ChmFile
{
public:
    enum class Status { Ok, Missing, NotHelpFile, Damaged };

    // Objects bigger than this are left unread: no help page comes near it, and a
    // damaged directory can claim any size.
    static constexpr qint64 MaxObjectSize = qint64(16) * 1024 * 1024;
    static constexpr qint64 MaxTotalSize = qint64(96) * 1024 * 1024;

    ChmFile() = default;

    // Reads the whole file. chmlib trusts the file's own sizes and offsets and can
    // crash or loop on a damaged file, so it runs in a child process with a time limit;
    // this process only ever sees the extracted objects.
    static ChmFile open(const QString& path, int timeLimitMs = 5000);

    Status status() const { return m_status; }
    bool isOpen() const { return m_status == Status::Ok; }
    // A sentence for the user when the file could not be opened.
    QString errorString() const { return m_error; }
    QString fileName() const { return m_fileName; }

    // Paths inside the file are matched without regard to case and with or without
    // the leading slash; "./" and "../" are resolved.
    static QString normalizePath(const QString& path);
    bool contains(const QString& path) const;
    std::optional<QByteArray> object(const QString& path) const;
    // Every object that could be read, with its stored spelling.
    QStringList paths() const;
    // Objects the directory lists but whose data could not be read.
    QStringList unreadablePaths() const { return m_unreadable; }

    const ChmSystemInfo& system() const { return m_system; }
    const QList<ChmWindowType>& windowTypes() const { return m_windows; }
    std::optional<ChmWindowType> windowType(const QString& name) const;

    // The topic a context id stands for, through #IVB and #STRINGS.
    std::optional<QString> topicForContextId(quint32 id) const;

    // The page the file opens on: the default topic, else the first page of the contents.
    QString defaultTopic() const;
    QList<ChmSitemapEntry> contents() const;
    QList<ChmSitemapEntry> index() const;

    QString pageTitle(const QString& path) const;
    // HTML pages, in the order the file stores them.
    QStringList pages() const;
    // Pages containing every word of the query, best first.
    QList<ChmSearchHit> search(const QString& query) const;
    // Pages declaring one of these associative-link names (names split at ';').
    QStringList topicsForALink(const QString& names) const;
    // Pages the index lists under one of these keywords (split at ';').
    QStringList topicsForKeyword(const QString& keywords) const;

    // Text in a file's declared or guessed encoding.
    static QString decodeText(const QByteArray& data);

    // The same parsing that open() does, over objects already in memory; fuzzing and
    // tests use it.
    static ChmFile fromObjects(const QHash<QString, QByteArray>& objects);

private:
    void parseTables();
    QString stringAt(quint32 offset) const;
    QString plainTextOf(const QString& path) const;
    std::optional<QString> resolveSuffix(const QString& storedPath) const;

    Status m_status = Status::Missing;
    QString m_error;
    QString m_fileName;
    QHash<QString, QByteArray> m_objects; // by normalized, lower-case path
    QStringList m_order;                  // stored spellings, in file order
    QStringList m_unreadable;
    QByteArray m_strings;
    ChmSystemInfo m_system;
    QList<ChmWindowType> m_windows;
    QHash<quint32, quint32> m_contextIds;
    mutable QHash<QString, QString> m_plainText;
};

} // namespace helpviewer
