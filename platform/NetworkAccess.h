#pragma once
// The one QNetworkAccessManager of the running program. The download engines
// use it, and the embedded browser's profile mirrors its cookies into its
// cookie jar, so that a sign-in in the browser pane carries over to the
// downloads. Create it on the user-interface thread.
#include <QNetworkCookieJar>

class QNetworkAccessManager;

// A cookie jar the browser profile can feed: cookies are added and removed
// one at a time as the browser's store reports them.
class SharedCookieJar final : public QNetworkCookieJar
{
    Q_OBJECT
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    using QNetworkCookieJar::allCookies;
};

QNetworkAccessManager &SharedNetworkAccess();
SharedCookieJar &SharedCookies();
