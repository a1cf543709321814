#include "download/engines/DownloadEngine.h"

#include "download/engines/EngineRequest.h"

#include <QNetworkReply>

#include <cerrno>
#include <cstring>

qint64 DownloadEngine::MaximumBytes(double maxFileSizeMB)
{
    return maxFileSizeMB < 0 ? -1 : qint64(maxFileSizeMB * 1024.0 * 1024.0);
}

QString HttpStatusReason(int status)
{
    return QStringLiteral("HTTP status %1").arg(status);
}

QString NetworkFailureReason(const QNetworkReply &reply)
{
    if (reply.error() == QNetworkReply::TooManyRedirectsError)
        return QStringLiteral("too many redirects");
    if (RedirectRefused(reply))
        return QStringLiteral("redirect refused");
    switch (reply.error()) {
    case QNetworkReply::NoError: {
        const int status = HttpStatus(reply);
        return status != 0 ? HttpStatusReason(status) : QStringLiteral("no answer");
    }
    case QNetworkReply::ConnectionRefusedError: return QStringLiteral("connection refused");
    case QNetworkReply::RemoteHostClosedError: return QStringLiteral("connection closed by the server");
    case QNetworkReply::HostNotFoundError: return QStringLiteral("host not found");
    case QNetworkReply::TimeoutError: return QStringLiteral("time-out");
    case QNetworkReply::OperationCanceledError: return QStringLiteral("cancelled");
    case QNetworkReply::SslHandshakeFailedError: return QStringLiteral("TLS handshake failed");
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError: return QStringLiteral("network unavailable");
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyNotFoundError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::ProxyAuthenticationRequiredError: return QStringLiteral("proxy failed");
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::ProtocolFailure: return QStringLiteral("protocol error");
    default: break;
    }
    const int status = HttpStatus(reply);
    if (status != 0)
        return HttpStatusReason(status);
    // Qt's texts name the address; the error number alone says enough.
    return QStringLiteral("network error %1").arg(int(reply.error()));
}

QString FileFailureReason(int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT: return QStringLiteral("disk full");
    case EACCES:
    case EPERM: return QStringLiteral("permission denied");
    case EROFS: return QStringLiteral("read-only file system");
    case ENAMETOOLONG: return QStringLiteral("file name too long");
    case ENOENT: return QStringLiteral("folder missing");
    case 0: return QStringLiteral("file error");
    default: return QString::fromLocal8Bit(std::strerror(errorNumber)).toLower();
    }
}
