#include "download/engines/ResponseChecks.h"

#include "download/engines/EngineRequest.h"

#include <QFile>
#include <QNetworkReply>

bool SuccessStatus(const QNetworkReply &reply)
{
    const int status = HttpStatus(reply);
    return status >= 200 && status < 300;
}

QString RefusedResponse(const QNetworkReply &reply)
{
    const QList<QNetworkReply::RawHeaderPair> &fields = reply.rawHeaderPairs();
    qint64 bytes = 0;
    for (const QNetworkReply::RawHeaderPair &field : fields)
        bytes += field.first.size() + field.second.size();
    if (bytes > kMaxHeaderBytes)
        return QStringLiteral("response headers over the limit (%1 bytes)").arg(bytes);
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return QStringLiteral("encoded body (%1) not asked for").arg(QString::fromLatin1(encoding.left(20)));
    return QString();
}

BodyEnd JudgeBodyEnd(const QNetworkReply &reply, qint64 received)
{
    const qint64 announced = AnnouncedLength(reply);
    if (TransportFailed(reply) || (announced >= 0 && received < announced))
        return BodyEnd::Cut;
    if (announced >= 0)
        return BodyEnd::Announced;
    if (reply.rawHeader("Transfer-Encoding").toLower().contains("chunked"))
        return BodyEnd::Chunked;
    return BodyEnd::AtClose;
}

QString UnknownEndReason()
{
    return QStringLiteral("the body's end is not known; the existing file is kept");
}

bool PdfEndMissing(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.read(5).startsWith("%PDF-"))
        return false;
    constexpr qint64 kTail = 1024;
    const qint64 size = file.size();
    if (!file.seek(qMax<qint64>(0, size - kTail)))
        return true;
    return !file.read(kTail).contains("%%EOF");
}
