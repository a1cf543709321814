#pragma once
// The per-user settings store: text values addressed by the application's
// title, a section and a key. Everything that persists goes through here
// (download settings, harvest delay, window layouts, tool settings); nothing
// else in the program touches QSettings. Tests point it at a temporary file.
#include <QString>
#include <memory>

class QSettings;

class SettingsStore final
{
public:
    // The application title the store is addressed by.
    static QString applicationTitle();

    // The store of the running program (native per-user location).
    static SettingsStore &instance();
    // Replace the store of the running program, e.g. by one over a
    // temporary file in tests. Pass an empty path to go back to the native one.
    static void useFile(const QString &iniPath);

    explicit SettingsStore(const QString &iniPath = QString());
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    QString read(const QString &section, const QString &key, const QString &defaultValue = QString()) const;
    void write(const QString &section, const QString &key, const QString &value);
    bool contains(const QString &section, const QString &key) const;
    void remove(const QString &section, const QString &key);
    void sync();

    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
