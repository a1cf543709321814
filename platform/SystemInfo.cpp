#include "platform/SystemInfo.h"

#include <QFile>
#include <QStringList>

#include <sys/utsname.h>

namespace {

struct RunningSystem
{
    QString bits;
    QString description;
};

QString readOsRelease()
{
    for (const char *path : {"/etc/os-release", "/usr/lib/os-release"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly))
            return QString::fromUtf8(file.readAll());
    }
    return QString();
}

const RunningSystem &runningSystem()
{
    static const RunningSystem system = [] {
        RunningSystem s;
        utsname names {};
        QString machine;
        QString kernel;
        if (uname(&names) == 0) {
            machine = QString::fromLocal8Bit(names.machine);
            kernel = QString::fromLocal8Bit(names.release);
        }
        s.bits = SystemBitsFromMachine(machine);
        s.description = OsDescriptionFrom(readOsRelease(), kernel, s.bits);
        return s;
    }();
    return system;
}

// A value as the os-release format writes it: bare, or in single or double
// quotes, with backslash escapes inside double quotes.
QString unquote(const QString &raw)
{
    const QString value = raw.trimmed();
    if (value.size() >= 2 && value.front() == u'\'' && value.back() == u'\'')
        return value.mid(1, value.size() - 2);
    if (value.size() < 2 || value.front() != u'"' || value.back() != u'"')
        return value;
    QString out;
    const QString inner = value.mid(1, value.size() - 2);
    for (int i = 0; i < inner.size(); ++i) {
        if (inner.at(i) == u'\\' && i + 1 < inner.size())
            ++i;
        out += inner.at(i);
    }
    return out;
}

} // namespace

QString SystemBitsFromMachine(const QString &machine)
{
    const QString m = machine.trimmed().toLower();
    return m.contains(QStringLiteral("64")) || m == QStringLiteral("s390x") ? QStringLiteral("64")
                                                                            : QStringLiteral("32");
}

QString OsReleaseValue(const QString &osReleaseText, const QString &key)
{
    const QString prefix = key + u'=';
    for (const QString &line : osReleaseText.split(u'\n')) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(prefix))
            return unquote(trimmed.mid(prefix.size()));
    }
    return QString();
}

QString OsDescriptionFrom(const QString &osReleaseText, const QString &kernelRelease, const QString &bits)
{
    auto first = [&osReleaseText](std::initializer_list<const char *> keys, const QString &fallback) {
        for (const char *key : keys) {
            const QString value = OsReleaseValue(osReleaseText, QString::fromLatin1(key));
            if (!value.isEmpty())
                return value;
        }
        return fallback;
    };
    const QString product = first({"PRETTY_NAME", "NAME"}, QStringLiteral("Linux"));
    const QString release = first({"VERSION_ID", "VERSION", "BUILD_ID"}, QString());
    return product + QStringLiteral(" 版本:") + release + QStringLiteral(" (内部版本:") + kernelRelease
        + QStringLiteral(")[") + bits + QStringLiteral("位]");
}

const QString &SystemBits()
{
    return runningSystem().bits;
}

const QString &OsDescription()
{
    return runningSystem().description;
}
