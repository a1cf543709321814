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
