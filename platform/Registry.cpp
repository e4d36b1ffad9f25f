#include "platform/Registry.h"

#include "platform/EventLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStandardPaths>

namespace platform {
namespace {

Registry* g_current = nullptr;

struct RootName
{
    RegistryRoot root;
    const char* shortName;
    const char* longName;
};

constexpr RootName RootNames[] = {
    {RegistryRoot::CurrentUser, "HKCU", "HKEY_CURRENT_USER"},
    {RegistryRoot::LocalMachine, "HKLM", "HKEY_LOCAL_MACHINE"},
    {RegistryRoot::Users, "HKU", "HKEY_USERS"},
    {RegistryRoot::DynData, "HKDD", "HKEY_DYN_DATA"},
    {RegistryRoot::CurrentConfig, "HKCC", "HKEY_CURRENT_CONFIG"},
    {RegistryRoot::ClassesRoot, "HKCR", "HKEY_CLASSES_ROOT"},
};

QString longName(RegistryRoot root)
{
    for (const RootName& name : RootNames) {
        if (name.root == root) {
            return QLatin1String(name.longName);
        }
    }
    return {};
}

QString typeName(RegistryValueType type)
{
    switch (type) {
    case RegistryValueType::String:
        return QStringLiteral("REG_SZ");
    case RegistryValueType::ExpandString:
        return QStringLiteral("REG_EXPAND_SZ");
    case RegistryValueType::DWord:
        return QStringLiteral("REG_DWORD");
    }
    return {};
}

std::optional<RegistryValueType> typeFromName(const QString& name)
{
    for (RegistryValueType type :
         {RegistryValueType::String, RegistryValueType::ExpandString, RegistryValueType::DWord}) {
        if (typeName(type) == name) {
            return type;
        }
    }
    return std::nullopt;
}

QString cleanPath(const QString& subKey)
{
    QStringList parts = subKey.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return parts.join(QLatin1Char('\\'));
}

RegistryValue expanded(RegistryValue value)
{
    if (value.type == RegistryValueType::ExpandString) {
        value.data = Registry::expandEnvironmentStrings(value.data);
    }
    return value;
}

} // namespace

Registry::Registry(QString storageFile) : m_file(std::move(storageFile)) {}

Registry& Registry::current()
{
    if (g_current) {
        return *g_current;
    }
    static Registry user(defaultStorageFile());
    return user;
}

void Registry::setCurrent(Registry* registry)
{
    g_current = registry;
}

QString Registry::defaultStorageFile()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath() + QStringLiteral("/.config");
    }
    return folder + QStringLiteral("/Parlanza/registry.json");
}

std::optional<RegistryRoot> Registry::rootFromName(const QString& name)
{
    for (const RootName& root : RootNames) {
        if (name.compare(QLatin1String(root.shortName), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String(root.longName), Qt::CaseInsensitive) == 0) {
            return root.root;
        }
    }
    return std::nullopt;
}

QString Registry::expandEnvironmentStrings(const QString& text)
{
    static const QRegularExpression variable(QStringLiteral("%([^%=]+)%"));
    QString result;
    qsizetype last = 0;
    for (auto it = variable.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += QStringView(text).mid(last, match.capturedStart() - last);
        const QString name = match.captured(1);
        result += qEnvironmentVariableIsSet(name.toLocal8Bit().constData())
                      ? qEnvironmentVariable(name.toLocal8Bit().constData())
                      : match.captured();
        last = match.capturedEnd();
    }
    result += QStringView(text).mid(last);
    return result;
}

QString Registry::loadError() const
{
    return m_loadError;
}

void Registry::ensureLoaded()
{
    if (m_loaded) {
        return;
    }
    m_loaded = true;
    m_hives.clear();
    QFile file(m_file);
    if (!file.exists()) {
        return;
    }
    auto broken = [this](const QString& why) {
        m_hives.clear();
        m_loadError = QStringLiteral("The registry file %1 cannot be read (%2); it is treated "
                                     "as empty and left as it is until the next change.")
                          .arg(m_file, why);
        eventlog::error(m_loadError);
    };
    if (!file.open(QIODevice::ReadOnly)) {
        broken(file.errorString());
        return;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        broken(error.error != QJsonParseError::NoError ? error.errorString()
                                                       : QStringLiteral("not a set of hives"));
        return;
    }
    const QJsonObject hives = document.object();
    for (auto hive = hives.begin(); hive != hives.end(); ++hive) {
        const std::optional<RegistryRoot> root = rootFromName(hive.key());
        if (!root || !hive.value().isObject()) {
            broken(QStringLiteral("unknown hive \"%1\"").arg(hive.key()));
            return;
        }
        const QJsonObject keys = hive.value().toObject();
        for (auto key = keys.begin(); key != keys.end(); ++key) {
            StoredKey stored;
            stored.path = cleanPath(key.key());
            if (!key.value().isArray()) {
                broken(QStringLiteral("key \"%1\" is not a list of values").arg(key.key()));
                return;
            }
            for (const QJsonValue& entry : key.value().toArray()) {
                const QJsonObject object = entry.toObject();
                const std::optional<RegistryValueType> type =
                    typeFromName(object.value(QLatin1String("type")).toString());
                if (!type || !object.value(QLatin1String("name")).isString() ||
                    !object.value(QLatin1String("data")).isString()) {
                    broken(QStringLiteral("a value of key \"%1\" is malformed").arg(key.key()));
                    return;
                }
                stored.values.append({object.value(QLatin1String("name")).toString(), *type,
                                      object.value(QLatin1String("data")).toString()});
            }
            m_hives[*root].insert(stored.path.toLower(), stored);
        }
    }
}

bool Registry::save(const QMap<RegistryRoot, Hive>& hives)
{
    QJsonObject document;
    for (auto hive = hives.begin(); hive != hives.end(); ++hive) {
        QJsonObject keys;
        for (const StoredKey& key : hive.value()) {
            QJsonArray values;
            for (const RegistryValue& value : key.values) {
                values.append(QJsonObject{{QStringLiteral("name"), value.name},
                                          {QStringLiteral("type"), typeName(value.type)},
                                          {QStringLiteral("data"), value.data}});
            }
            keys.insert(key.path, values);
        }
        document.insert(longName(hive.key()), keys);
    }
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly)) {
        eventlog::error(QStringLiteral("The registry file %1 cannot be written: %2")
                            .arg(m_file, file.errorString()));
        return false;
    }
    file.write(QJsonDocument(document).toJson(QJsonDocument::Indented));
    if (!file.commit()) {
        eventlog::error(QStringLiteral("The registry file %1 cannot be written: %2")
                            .arg(m_file, file.errorString()));
        return false;
    }
    m_loadError.clear();
    return true;
}

std::pair<RegistryRoot, QString> Registry::locate(RegistryRoot root, const QString& subKey)
{
    const QString path = cleanPath(subKey);
    if (root == RegistryRoot::ClassesRoot) {
        return {RegistryRoot::LocalMachine,
                cleanPath(QStringLiteral("SOFTWARE\\Classes\\") + path)};
    }
    return {root, path};
}

Registry::StoredKey* Registry::find(const RegistryKey& key)
{
    if (!key.open) {
        return nullptr;
    }
    ensureLoaded();
    const auto [root, path] = locate(key.root, key.path);
    auto hive = m_hives.find(root);
    if (hive == m_hives.end()) {
        return nullptr;
    }
    auto stored = hive->find(path.toLower());
    return stored == hive->end() ? nullptr : &*stored;
}

std::optional<RegistryKey> Registry::openKey(RegistryRoot root, const QString& subKey,
                                             quint32 access)
{
    ensureLoaded();
    const auto [hiveRoot, path] = locate(root, subKey);
    // A root itself always opens.
    if (!path.isEmpty() && !m_hives.value(hiveRoot).contains(path.toLower())) {
        return std::nullopt;
    }
    return RegistryKey{root, cleanPath(subKey), access, true};
}

std::optional<RegistryKey> Registry::createKey(RegistryRoot root, const QString& subKey,
                                               quint32 access)
{
    ensureLoaded();
    const auto [hiveRoot, path] = locate(root, subKey);
    if (path.isEmpty()) {
        return RegistryKey{root, QString(), access, true};
    }
    if (!m_hives.value(hiveRoot).contains(path.toLower())) {
        QMap<RegistryRoot, Hive> changed = m_hives;
        const QStringList parts = path.split(QLatin1Char('\\'));
        for (qsizetype depth = 1; depth <= parts.size(); ++depth) {
            const QString partial = parts.mid(0, depth).join(QLatin1Char('\\'));
            if (!changed[hiveRoot].contains(partial.toLower())) {
                changed[hiveRoot].insert(partial.toLower(), {partial, {}});
            }
        }
        if (!save(changed)) {
            return std::nullopt;
        }
        m_hives = changed;
    }
    return RegistryKey{root, cleanPath(subKey), access, true};
}

void Registry::closeKey(RegistryKey& key)
{
    key.open = false;
}

std::optional<RegistryValue> Registry::queryValue(const RegistryKey& key, const QString& name)
{
    if (!(key.access & registry_access::QueryValue)) {
        return std::nullopt;
    }
    const StoredKey* stored = find(key);
    if (!stored) {
        return std::nullopt;
    }
    for (const RegistryValue& value : stored->values) {
        if (value.name.compare(name, Qt::CaseInsensitive) == 0) {
            return expanded(value);
        }
    }
    return std::nullopt;
}

std::optional<QList<RegistryValue>> Registry::values(const RegistryKey& key)
{
    if (!(key.access & registry_access::QueryValue)) {
        return std::nullopt;
    }
    const StoredKey* stored = find(key);
    if (!stored) {
        return key.open && key.path.isEmpty() ? std::optional(QList<RegistryValue>())
                                              : std::nullopt;
    }
    QList<RegistryValue> result;
    for (const RegistryValue& value : stored->values) {
        result.append(expanded(value));
    }
    return result;
}

bool Registry::setValue(const RegistryKey& key, const RegistryValue& value)
{
    if (!(key.access & registry_access::SetValue) || !find(key)) {
        return false;
    }
    QMap<RegistryRoot, Hive> changed = m_hives;
    const auto [root, path] = locate(key.root, key.path);
    StoredKey& stored = changed[root][path.toLower()];
    bool replaced = false;
    for (RegistryValue& existing : stored.values) {
        if (existing.name.compare(value.name, Qt::CaseInsensitive) == 0) {
            existing = value;
            replaced = true;
        }
    }
    if (!replaced) {
        stored.values.append(value);
    }
    if (!save(changed)) {
        return false;
    }
    m_hives = changed;
    return true;
}

bool Registry::deleteValue(const RegistryKey& key, const QString& name)
{
    if (!(key.access & registry_access::SetValue) || !find(key)) {
        return false;
    }
    QMap<RegistryRoot, Hive> changed = m_hives;
    const auto [root, path] = locate(key.root, key.path);
    StoredKey& stored = changed[root][path.toLower()];
    const qsizetype removed = stored.values.removeIf([&](const RegistryValue& value) {
        return value.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (removed == 0) {
        return false;
    }
    if (!save(changed)) {
        return false;
    }
    m_hives = changed;
    return true;
}

} // namespace platform
