#pragma once
// The embedded browser's one persistent profile "litharvest": its storage and
// disk HTTP cache live under the per-user data folder and its cookies that
// carry an expiry persist between runs. The harvesting window's browser pane, the sign-in panel and
// the cache viewer all open their pages on it, so that they share one sign-in.
//
// The profile's cookie store and SharedCookies(), the jar of the download
// engines, are one store: a document fetched after a sign-in in the browser
// pane carries the browser's session, and a session renewed on a document's
// response reaches the browser. Create it on the user-interface
// thread after the QApplication.
#include <QString>

#include <functional>

class QWebEngineProfile;

// The profile of the running program, made on first use; it lives until the
// application object goes away (every page on it must be gone by then).
QWebEngineProfile &BrowserProfile();

// The profile's storage name.
QString BrowserProfileName();

// The cache tool's ClearBrowserCache ("清空IE浏览器缓存"); showMessage ends
// it with "IE缓存清空完毕！". The tool installs its own routine with
// SetBrowserCacheClearing; until then the profile's HTTP cache is emptied.
// Cookies are never deleted.
void RunBrowserCacheClearing(bool showMessage);
void SetBrowserCacheClearing(std::function<void(bool showMessage)> clearing);
