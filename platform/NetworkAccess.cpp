#include "platform/NetworkAccess.h"

#include <QNetworkAccessManager>

QNetworkAccessManager &SharedNetworkAccess()
{
    static QNetworkAccessManager *manager = [] {
        auto *m = new QNetworkAccessManager;
        auto *jar = new SharedCookieJar;
        m->setCookieJar(jar); // the manager owns the jar
        return m;
    }();
    return *manager;
}

SharedCookieJar &SharedCookies()
{
    return *static_cast<SharedCookieJar *>(SharedNetworkAccess().cookieJar());
}

bool SharedCookieJar::setCookiesFromUrl(const QList<QNetworkCookie> &cookies, const QUrl &url)
{
    QList<QNetworkCookie> accepted;
    for (const QNetworkCookie &cookie : cookies) {
        QNetworkCookie normalized = cookie; // the jar checks it with the response's host filled in
        normalized.normalize(url);
        if (validateCookie(normalized, url))
            accepted.append(cookie);
    }
    const bool added = QNetworkCookieJar::setCookiesFromUrl(cookies, url);
    if (!accepted.isEmpty())
        emit cookiesFromServer(accepted, url);
    return added;
}
