#include "platform/SettingsStore.h"

#include <QSettings>

namespace {
std::unique_ptr<SettingsStore> &globalStore()
{
    static std::unique_ptr<SettingsStore> store;
    return store;
}

// Sections and keys are Chinese words; QSettings would percent-escape them in
// INI files, which is harmless, but a "/" inside a key would open a group.
QString path(const QString &section, const QString &key)
{
    QString s = section;
    QString k = key;
    s.replace(QLatin1Char('/'), QLatin1Char('_'));
    k.replace(QLatin1Char('/'), QLatin1Char('_'));
    return s + QLatin1Char('/') + k;
}
} // namespace

QString SettingsStore::applicationTitle()
{
    return QStringLiteral("文献采集下载器");
}

SettingsStore &SettingsStore::instance()
{
    auto &store = globalStore();
    if (!store)
        store = std::make_unique<SettingsStore>();
    return *store;
}

void SettingsStore::useFile(const QString &iniPath)
{
    globalStore() = std::make_unique<SettingsStore>(iniPath);
}

SettingsStore::SettingsStore(const QString &iniPath)
{
    if (iniPath.isEmpty())
        m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                 QStringLiteral("litharvest"), applicationTitle());
    else
        m_settings = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

SettingsStore::~SettingsStore() = default;

QString SettingsStore::read(const QString &section, const QString &key, const QString &defaultValue) const
{
    const QVariant v = m_settings->value(path(section, key));
    if (!v.isValid())
        return defaultValue;
    return v.toString();
}

void SettingsStore::write(const QString &section, const QString &key, const QString &value)
{
    m_settings->setValue(path(section, key), value);
}

bool SettingsStore::contains(const QString &section, const QString &key) const
{
    return m_settings->contains(path(section, key));
}

void SettingsStore::remove(const QString &section, const QString &key)
{
    m_settings->remove(path(section, key));
}

void SettingsStore::sync()
{
    m_settings->sync();
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}
