#include "download/engines/ResponseHeaders.h"

#include "common/TextCodec.h"
#include "download/core/FileTypes.h"
#include "download/core/SaveNames.h"

#include <QStringList>

QString ResponseHeaderValue(const QByteArray &headerBlock, const QByteArray &name)
{
    QStringList values;
    qsizetype start = headerBlock.indexOf('\n');
    while (start >= 0 && start < headerBlock.size()) {
        const qsizetype end = headerBlock.indexOf('\n', start + 1);
        QByteArray line = headerBlock.mid(start + 1, end < 0 ? -1 : end - start - 1);
        if (line.endsWith('\r'))
            line.chop(1);
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).compare(name, Qt::CaseInsensitive) == 0)
            values << TrimSpaces(QString::fromLatin1(line.mid(colon + 1)));
        start = end;
    }
    return values.join(QStringLiteral(", "));
}

ResponseHeaderVerdict AnalyseResponseHeaders(const QByteArray &headerBlock, int status, double maxFileSizeMB)
{
    ResponseHeaderVerdict verdict;
    verdict.status = status;
    verdict.httpOk = status >= 200 && status < 300;

    bool numeric = false;
    const qint64 length = ResponseHeaderValue(headerBlock, "Content-Length").toLongLong(&numeric);
    verdict.announced = numeric ? length : 0;
    verdict.tooBig = double(verdict.announced) / (1024.0 * 1024.0) > maxFileSizeMB;

    const QStringList typeParts = ResponseHeaderValue(headerBlock, "Content-Type").split(QLatin1Char(';'));
    if (typeParts.size() > 1) {
        // The first 8 characters as sent, then trimmed: "; charset=UTF-8"
        // after a space reads " charset", which is no charset, so a
        // document named "application/octet-stream; charset=..." is not
        // taken for a web page.
        verdict.hasCharset = TrimSpaces(typeParts.at(1).left(8)).toLower() == QLatin1String("charset=");
    }
    const QString block = QString::fromLatin1(headerBlock);
    verdict.extension = MimeToExtension(TrimSpaces(typeParts.at(0)));
    if (verdict.extension.isEmpty()) {
        const QString disposition = 从网络文件Header获取ContentDisposition(block);
        if (!disposition.isEmpty()) {
            QString dispositionType;
            从下载头信息ContentDisposition获取文件名(disposition, dispositionType);
            verdict.extension = dispositionType;
        }
    }
    if (verdict.extension.isEmpty() && verdict.hasCharset)
        verdict.extension = QStringLiteral("htm");

    const QString firstLine = block.section(QStringLiteral("\r\n"), 0, 0);
    verdict.successLine = firstLine.contains(QLatin1String("200"))
        && firstLine.contains(QLatin1String("ok"), Qt::CaseInsensitive);
    return verdict;
}
