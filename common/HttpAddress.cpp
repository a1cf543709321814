#include "common/HttpAddress.h"

#include <QUrl>

bool HasHttpScheme(const QString &text)
{
    return text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive);
}

bool IsHttpUrl(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

bool IsStrictHttpAddress(const QString &text)
{
    return IsHttpUrl(QUrl(text, QUrl::StrictMode));
}
