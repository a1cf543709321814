#pragma once
// The one QNetworkAccessManager of the running program. The download engines
// use it, and the embedded browser's profile mirrors its cookies into its
// cookie jar, so that a sign-in in the browser pane carries over to the
// downloads. Create it on the user-interface thread.
#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QUrl>

class QNetworkAccessManager;

// The download engines' cookie jar, one store with the browser profile's in
// both directions: the profile feeds it the cookies its pages receive (one
// at a time, as its store reports them), and cookies that arrive on the
// engines' own responses (a renewed session on a document) are reported
// through cookiesFromServer so that the profile takes them too. Only
// responses report: what the profile feeds in is not echoed back.
class SharedCookieJar final : public QNetworkCookieJar
{
    Q_OBJECT
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    using QNetworkCookieJar::allCookies;

    bool setCookiesFromUrl(const QList<QNetworkCookie> &cookies, const QUrl &url) override;

signals:
    // The cookies of a response that the jar accepted, with the response's address.
    void cookiesFromServer(const QList<QNetworkCookie> &cookies, const QUrl &url);
};

QNetworkAccessManager &SharedNetworkAccess();
SharedCookieJar &SharedCookies();
