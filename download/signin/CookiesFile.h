#pragma once
// A cookies file in the Netscape format that curl and wget read and browser
// extensions export: one cookie a line, seven fields separated by TAB
//     domain  include-subdomains  path  secure  expiry  name  value
// (TRUE/FALSE flags, expiry in seconds since 1970, 0 for a session cookie),
// "#HttpOnly_" before the domain of an HttpOnly cookie, other lines starting
// with "#" and empty lines skipped. The file is only read.
#include <QList>
#include <QNetworkCookie>
#include <QString>

class QNetworkCookieJar;

struct CookiesFileResult
{
    QList<QNetworkCookie> cookies; // empty when error is set
    int errorLine = 0;             // 1-based line of the first bad line, 0 for none
    QString error;                 // what is wrong, without the file's name
};

// Reads the whole file; on the first malformed line (or an unreadable file)
// no cookie is answered at all. Cookies that have expired are left out.
CookiesFileResult ReadCookiesFile(const QString &path);
CookiesFileResult ParseCookiesText(const QByteArray &text);

// Puts the cookies into the jar as they stand: each goes to the domain and
// path it names, and a host-only cookie to its host alone.
void AddCookiesToJar(QNetworkCookieJar &jar, const QList<QNetworkCookie> &cookies);
