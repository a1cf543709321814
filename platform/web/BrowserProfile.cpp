#include "platform/web/BrowserProfile.h"

#include "platform/DialogService.h"
#include "platform/NetworkAccess.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QNetworkCookie>
#include <QStandardPaths>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>

namespace {
QWebEngineProfile *g_profile = nullptr;

std::function<void(bool)> &cacheClearing()
{
    static std::function<void(bool)> clearing;
    return clearing;
}

// The profile must die before the web engine shuts down, which happens in the
// application object's destructor after the post routines have run.
void destroyProfile()
{
    delete g_profile;
    g_profile = nullptr;
}

QWebEngineProfile *makeProfile()
{
    auto *profile = new QWebEngineProfile(BrowserProfileName());
    const QString root = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                         + QStringLiteral("/browser");
    QDir().mkpath(root);
    profile->setPersistentStoragePath(root + QStringLiteral("/storage"));
    profile->setCachePath(root + QStringLiteral("/cache"));
    profile->setHttpCacheType(QWebEngineProfile::DiskHttpCache);
    // Cookies with an expiry are kept between runs; session cookies end with
    // the program, as in any browser.
    profile->setPersistentCookiesPolicy(QWebEngineProfile::AllowPersistentCookies);

    QWebEngineCookieStore *store = profile->cookieStore();
    QObject::connect(store, &QWebEngineCookieStore::cookieAdded, store,
                     [](const QNetworkCookie &cookie) { SharedCookies().insertCookie(cookie); });
    QObject::connect(store, &QWebEngineCookieStore::cookieRemoved, store,
                     [](const QNetworkCookie &cookie) { SharedCookies().deleteCookie(cookie); });
    // Cookies the download engines receive go to the browser as well; an
    // expired one (a sign-out) takes the browser's copy away.
    QObject::connect(&SharedCookies(), &SharedCookieJar::cookiesFromServer, store,
                     [store](const QList<QNetworkCookie> &cookies, const QUrl &url) {
                         const QUrl origin = url.adjusted(QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment);
                         const QDateTime now = QDateTime::currentDateTimeUtc();
                         for (const QNetworkCookie &cookie : cookies) {
                             if (!cookie.isSessionCookie() && cookie.expirationDate() <= now)
                                 store->deleteCookie(cookie, origin);
                             else
                                 store->setCookie(cookie, origin);
                         }
                     });
    // The cookies kept from earlier runs arrive through cookieAdded as well.
    store->loadAllCookies();
    qAddPostRoutine(destroyProfile);
    return profile;
}
} // namespace

QString BrowserProfileName()
{
    return QStringLiteral("litharvest");
}

QWebEngineProfile &BrowserProfile()
{
    if (!g_profile)
        g_profile = makeProfile();
    return *g_profile;
}

void RunBrowserCacheClearing(bool showMessage)
{
    if (cacheClearing()) {
        cacheClearing()(showMessage);
        return;
    }
    BrowserProfile().clearHttpCache();
    if (showMessage)
        ShowInformation(QStringLiteral("IE缓存清空完毕！"));
}

void SetBrowserCacheClearing(std::function<void(bool showMessage)> clearing)
{
    cacheClearing() = std::move(clearing);
}
