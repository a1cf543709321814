#include "harvest/flow/PortalAddress.h"

#include "common/TextCodec.h"
#include "platform/SettingsStore.h"

#include <QUrl>

namespace {
const QString kSection = QStringLiteral("fWebSearch");
const QString kKeyBase = QStringLiteral("门户网址");
const QString kKeyName = QStringLiteral("门户名称");
} // namespace

QString PortalAddress::defaultBase()
{
    return QStringLiteral("http://127.0.0.1:%1/").arg(kDefaultPort);
}

QString PortalAddress::defaultName()
{
    return QStringLiteral("文献门户");
}

PortalAddress &PortalAddress::instance()
{
    static PortalAddress portal = [] {
        PortalAddress p;
        p.load();
        return p;
    }();
    return portal;
}

QString PortalAddress::normalizedBase(const QString &address)
{
    QString text = address.trimmed();
    if (text.isEmpty())
        return QString();
    if (!text.contains(QStringLiteral("://")))
        text.prepend(QStringLiteral("http://"));
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return QString();
    const QString scheme = url.scheme().toLower();
    if (scheme != QStringLiteral("http") && scheme != QStringLiteral("https"))
        return QString();
    QString base = url.toString(QUrl::RemoveQuery | QUrl::RemoveFragment);
    if (!base.endsWith(u'/'))
        base += u'/';
    return base;
}

QString PortalAddress::home() const
{
    return m_base.endsWith(u'/') ? m_base.left(m_base.size() - 1) : m_base;
}

void PortalAddress::load()
{
    SettingsStore &store = SettingsStore::instance();
    const QString base = normalizedBase(store.read(kSection, kKeyBase, defaultBase()));
    m_base = base.isEmpty() ? defaultBase() : base;
    const QString name = TrimSpaces(store.read(kSection, kKeyName, defaultName()));
    m_name = name.isEmpty() ? defaultName() : name;
}

bool PortalAddress::overrideBase(const QString &address)
{
    const QString base = normalizedBase(address);
    if (base.isEmpty())
        return false;
    m_base = base;
    return true;
}
