#include "download/signin/CookiesFile.h"

#include <QDateTime>
#include <QFile>
#include <QNetworkCookieJar>

namespace {

bool readFlag(const QByteArray &field, bool &out)
{
    if (field == "TRUE")
        out = true;
    else if (field == "FALSE")
        out = false;
    else
        return false;
    return true;
}

// The cookie of one data line, or an error text.
bool parseLine(QByteArray line, QNetworkCookie &cookie, bool &expired, QString &error)
{
    bool httpOnly = false;
    static const QByteArray httpOnlyPrefix = QByteArrayLiteral("#HttpOnly_");
    if (line.startsWith(httpOnlyPrefix)) {
        httpOnly = true;
        line.remove(0, httpOnlyPrefix.size());
    }
    const QList<QByteArray> fields = line.split('\t');
    if (fields.size() != 7) {
        error = QStringLiteral("wants 7 fields separated by TAB, found %1").arg(fields.size());
        return false;
    }
    QString domain = QString::fromUtf8(fields[0]).toLower();
    bool subdomains = false;
    bool secure = false;
    if (domain.isEmpty() || domain == u"." || domain.contains(u' ') || domain.contains(u'/')) {
        error = QStringLiteral("bad domain \"%1\"").arg(domain);
        return false;
    }
    if (!readFlag(fields[1], subdomains) || !readFlag(fields[3], secure)) {
        error = QStringLiteral("the include-subdomains and secure fields want TRUE or FALSE");
        return false;
    }
    const QString path = QString::fromUtf8(fields[2]);
    if (!path.startsWith(u'/')) {
        error = QStringLiteral("the path must start with \"/\", not \"%1\"").arg(path);
        return false;
    }
    bool ok = false;
    const qint64 expiry = fields[4].toLongLong(&ok);
    if (!ok || expiry < 0) {
        error = QStringLiteral("bad expiry \"%1\"").arg(QString::fromUtf8(fields[4]));
        return false;
    }
    if (fields[5].isEmpty()) {
        error = QStringLiteral("the cookie has no name");
        return false;
    }
    // The flag decides: with subdomains the domain carries the leading dot,
    // a host-only cookie names its host without one.
    if (domain.startsWith(u'.'))
        domain.remove(0, 1);
    if (subdomains)
        domain.prepend(u'.');

    cookie = QNetworkCookie(fields[5], fields[6]);
    cookie.setDomain(domain);
    cookie.setPath(path);
    cookie.setSecure(secure);
    cookie.setHttpOnly(httpOnly);
    expired = false;
    if (expiry > 0) {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(expiry, Qt::UTC);
        cookie.setExpirationDate(when);
        expired = when <= QDateTime::currentDateTimeUtc();
    }
    return true;
}

} // namespace

CookiesFileResult ParseCookiesText(const QByteArray &text)
{
    CookiesFileResult result;
    const QList<QByteArray> lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (line.startsWith('#') && !line.startsWith("#HttpOnly_"))
            continue;
        QNetworkCookie cookie;
        bool expired = false;
        QString error;
        if (!parseLine(line, cookie, expired, error)) {
            result.cookies.clear();
            result.errorLine = i + 1;
            result.error = error;
            return result;
        }
        if (!expired)
            result.cookies.append(cookie);
    }
    return result;
}

CookiesFileResult ReadCookiesFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        CookiesFileResult result;
        result.error = QStringLiteral("cannot read the file: %1").arg(file.errorString());
        return result;
    }
    return ParseCookiesText(file.readAll());
}

void AddCookiesToJar(QNetworkCookieJar &jar, const QList<QNetworkCookie> &cookies)
{
    for (const QNetworkCookie &cookie : cookies)
        jar.insertCookie(cookie);
}
