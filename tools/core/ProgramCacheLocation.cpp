#include "tools/core/ProgramCacheLocation.h"

#include "common/Paths.h"
#include "platform/web/BrowserProfile.h"
#include "platform/NetworkAccess.h"

#include <QDir>
#include <QWebEngineProfile>

QString ProfilesRootOf(const QString &homeFolder)
{
    QString home = QDir::cleanPath(homeFolder);
    const int slash = home.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QString();
    return home.left(slash + 1);
}

BrowserCacheLocation ProgramCacheLocation()
{
    QWebEngineProfile &profile = BrowserProfile();
    const QString home = QDir::cleanPath(QDir::homePath());
    BrowserCacheLocation location;
    location.cacheFolder = profile.cachePath();
    location.profilesRoot = ProfilesRootOf(home);
    for (const QString &folder : {profile.cachePath(), GetInternetCacheFolder()}) {
        const QString clean = QDir::cleanPath(folder);
        if (clean.startsWith(home + QLatin1Char('/'))) {
            const QString below = clean.mid(home.size());
            if (!location.cacheFoldersBelowHome.contains(below))
                location.cacheFoldersBelowHome << below;
        }
    }
    location.cookies = [] { return SharedCookies().allCookies(); };
    return location;
}
