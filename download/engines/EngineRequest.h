#pragma once
// The GET requests both download engines send, and the checks on what comes
// back. Every request goes to the network (never a cached copy), asks for an
// unencoded body (so byte counts match the announced size), and follows at
// most kMaxEngineRedirects redirects, each only to http or https: a redirect
// elsewhere (ftp:, file:, ...) ends the reply instead of being followed.
#include "common/HttpAddress.h"

#include <QString>

class QNetworkAccessManager;
class QNetworkReply;
class QUrl;

inline constexpr int kMaxEngineRedirects = 10;
// How much of a body Qt may hold for us before it stops reading the socket.
inline constexpr qint64 kEngineReadBuffer = 1024 * 1024;

// Sends the GET; `referer` is sent when not empty. The reply is guarded as
// described above; the caller owns it.
QNetworkReply *SendEngineGet(QNetworkAccessManager &network, const QUrl &url, const QString &referer = QString());

// True when the reply ended because a redirect was refused.
bool RedirectRefused(const QNetworkReply &reply);
// The HTTP status of the final response, or 0 when none arrived.
int HttpStatus(const QNetworkReply &reply);
// The announced Content-Length, or -1.
qint64 AnnouncedLength(const QNetworkReply &reply);
// True when the body ended because the connection failed (refused, reset,
// closed early, time-out, proxy failure, refused redirect) rather than
// because it was all there; HTTP error statuses do not count.
bool TransportFailed(const QNetworkReply &reply);
