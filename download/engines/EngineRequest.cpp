#include "download/engines/EngineRequest.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {
const char kRefusedProperty[] = "lhRedirectRefused";
} // namespace

QNetworkReply *SendEngineGet(QNetworkAccessManager &network, const QUrl &url, const QString &referer)
{
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // Qt follows the hops itself (refusing any scheme but http and https, and
    // https -> http) and stops after the maximum; a user-verified policy
    // would be the other way, but Qt 6.4 mixes up its hops on kept-alive
    // connections.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxEngineRedirects);
    request.setRawHeader("Accept-Encoding", "identity");
    if (!referer.isEmpty())
        request.setRawHeader("Referer", referer.toUtf8());

    QNetworkReply *reply = network.get(request);
    reply->setReadBufferSize(kEngineReadBuffer);
    QObject::connect(reply, &QNetworkReply::redirected, reply, [reply](const QUrl &target) {
        if (IsHttpUrl(target))
            return;
        reply->setProperty(kRefusedProperty, true);
        // Not from inside the reply's own signal: abort() finishes the reply at once.
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    });
    return reply;
}

bool RedirectRefused(const QNetworkReply &reply)
{
    return reply.property(kRefusedProperty).toBool() || reply.error() == QNetworkReply::TooManyRedirectsError
        || reply.error() == QNetworkReply::InsecureRedirectError
        || reply.error() == QNetworkReply::ProtocolUnknownError;
}

int HttpStatus(const QNetworkReply &reply)
{
    return reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

qint64 AnnouncedLength(const QNetworkReply &reply)
{
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    bool ok = false;
    const qint64 value = length.toLongLong(&ok);
    return (length.isValid() && ok && value >= 0) ? value : -1;
}

bool TransportFailed(const QNetworkReply &reply)
{
    const int error = int(reply.error());
    return (error > 0 && error < 200) || RedirectRefused(reply);
}
