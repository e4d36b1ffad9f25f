#pragma once

#include <QHash>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

// The few registry services the program uses: keys under the classic roots, each
// holding named values, kept in one file per user. Every change is written through
// at once with a safe save, so a crash never leaves a half-written file.
namespace platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig, DynData };

enum class RegistryValueType { String = 1, ExpandString = 2, DWord = 4 };

// Access rights a key is opened with (the classic numbers).
namespace registry_access {
constexpr quint32 QueryValue = 0x0001;
constexpr quint32 SetValue = 0x0002;
constexpr quint32 CreateSubKey = 0x0004;
constexpr quint32 EnumerateSubKeys = 0x0008;
constexpr quint32 Read = 0x20019;
constexpr quint32 Write = 0x20006;
constexpr quint32 AllAccess = 0xF003F;
} // namespace registry_access

struct RegistryValue
{
    QString name; // empty: the key's default value
    RegistryValueType type = RegistryValueType::String;
    QString data; // a DWord value as its decimal digits
};

// An open key: where it is and what it was opened for.
struct RegistryKey
{
    RegistryRoot root = RegistryRoot::CurrentUser;
    QString path;
    quint32 access = 0;
    bool open = false;
};

class Registry
{
public:
    // A registry kept in that file (created on the first change).
    explicit Registry(QString storageFile);

    // The user's registry unless a test installed another.
    static Registry& current();
    // Installs a registry; nullptr puts the user's back. The caller keeps ownership.
    static void setCurrent(Registry* registry);
    // Where the user's registry lives.
    static QString defaultStorageFile();

    // "HKCU", "HKLM", "HKU", "HKDD", "HKCC", "HKCR" and the long names.
    static std::optional<RegistryRoot> rootFromName(const QString& name);
    // "%NAME%" replaced by the variable's value; unknown names stay as written.
    static QString expandEnvironmentStrings(const QString& text);

    QString storageFile() const { return m_file; }
    // Why the file could not be read, when it could not; it is then treated as empty.
    QString loadError() const;

    std::optional<RegistryKey> openKey(RegistryRoot root, const QString& subKey, quint32 access);
    // Opens the key, creating it and any missing parents first.
    std::optional<RegistryKey> createKey(RegistryRoot root, const QString& subKey, quint32 access);
    void closeKey(RegistryKey& key);

    // A value by name, without regard to case; expandable strings come back expanded.
    std::optional<RegistryValue> queryValue(const RegistryKey& key, const QString& name);
    // Every value of the key, in the order they were written, expanded like queryValue.
    std::optional<QList<RegistryValue>> values(const RegistryKey& key);
    bool setValue(const RegistryKey& key, const RegistryValue& value);
    bool deleteValue(const RegistryKey& key, const QString& name);

private:
    struct StoredKey
    {
        QString path;
        QList<RegistryValue> values;
    };
    using Hive = QHash<QString, StoredKey>; // by lower-case path

    void ensureLoaded();
    bool save(const QMap<RegistryRoot, Hive>& hives);
    // The hive and path a key really lives in (the classes root is a view of the
    // machine's classes).
    static std::pair<RegistryRoot, QString> locate(RegistryRoot root, const QString& subKey);
    StoredKey* find(const RegistryKey& key);

    QString m_file;
    bool m_loaded = false;
    QString m_loadError;
    QMap<RegistryRoot, Hive> m_hives;
};

} // namespace platform
