#include "harvest/core/PageSource.h"

#include "common/HttpAddress.h"
#include "common/TextCodec.h"
#include "harvest/core/HtmlDocument.h"

#include <QRegularExpression>
#include <QStringConverter>
#include <QStringDecoder>

#include <optional>

namespace {
// The decoder for a charset label; the Chinese labels all mean GB18030 (the
// superset a browser reads them as), an unknown label means nothing.
std::optional<QStringDecoder> decoderForLabel(QByteArray label, bool fromMeta)
{
    label = label.trimmed().toLower();
    if (label.isEmpty())
        return std::nullopt;
    static const QByteArrayList chinese = {"gbk",    "gb2312",  "gb18030",   "x-gbk",           "cp936",
                                           "ms936",  "windows-936", "chinese", "csgb2312", "csiso58gb231280",
                                           "gb_2312", "gb_2312-80", "iso-ir-58"};
    if (chinese.contains(label))
        return QStringDecoder("GB18030");
    // A meta tag cannot honestly declare UTF-16: the bytes it is read from
    // are ASCII-compatible. Browsers take UTF-8 then.
    if (fromMeta && label.startsWith("utf-16"))
        return QStringDecoder(QStringConverter::Utf8);
    // Encodings no browser reads a page in, although the converter knows
    // them: UTF-7 smuggles markup past byte-level checks. They count as no
    // label at all.
    static const QByteArrayList refused = {"utf-7", "utf7", "unicode-1-1-utf-7", "csunicode11utf7",
                                           "x-imap4-modified-utf7", "imap-mailbox-name", "bocu-1", "scsu",
                                           "cesu-8"};
    if (refused.contains(label) || label.startsWith("utf-32") || label.startsWith("utf32"))
        return std::nullopt;
    QStringDecoder decoder(label.constData());
    if (!decoder.isValid())
        return std::nullopt;
    return decoder;
}

// Counts well-formed multi-byte UTF-8 sequences and malformed bytes. A UTF-8
// page with a stray bad byte has many of the first and few of the second; a
// GB18030 page taken for UTF-8 has almost none of the first.
struct Utf8Census
{
    qsizetype sequences = 0;
    qsizetype errors = 0;
};

Utf8Census utf8Census(const QByteArray &bytes)
{
    Utf8Census census;
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        if (p[i] < 0x80) {
            ++i;
            continue;
        }
        const int length = Utf8SequenceLength(p, i, n);
        if (length > 0) {
            ++census.sequences;
            i += length;
        } else {
            ++census.errors;
            ++i;
        }
    }
    return census;
}

QByteArray metaCharset(const QByteArray &bytes)
{
    static const QRegularExpression meta(QStringLiteral("<meta\\s[^>]*?charset\\s*=\\s*[\"']?\\s*([A-Za-z0-9._:-]+)"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = meta.match(QString::fromLatin1(bytes.left(1024)));
    return match.hasMatch() ? match.captured(1).toLatin1() : QByteArray();
}

bool isUtf8(QStringDecoder &decoder)
{
    return decoder.isValid() && QString::fromLatin1(decoder.name()).compare(u"UTF-8", Qt::CaseInsensitive) == 0;
}
} // namespace

QString DecodePageBytes(const QByteArray &bytes, const QByteArray &transportCharset)
{
    if (const auto bom = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*bom);
        return decoder.decode(bytes);
    }
    std::optional<QStringDecoder> decoder = decoderForLabel(transportCharset, false);
    if (!decoder)
        decoder = decoderForLabel(metaCharset(bytes), true);
    if (!decoder)
        decoder.emplace(QStringConverter::Utf8);
    if (isUtf8(*decoder)) {
        // Bad bytes in a UTF-8 page become U+FFFD; only bytes that are mostly
        // not UTF-8 at all are read as GB18030.
        const Utf8Census census = utf8Census(bytes);
        if (census.errors > 0 && census.errors >= census.sequences) {
            QStringDecoder gb("GB18030");
            return gb.decode(bytes);
        }
        QStringDecoder utf8(QStringConverter::Utf8);
        return utf8.decode(bytes);
    }
    return decoder->decode(bytes);
}

QByteArray CharsetFromContentType(const QByteArray &contentType)
{
    for (const QByteArray &part : contentType.split(';')) {
        const QByteArray p = part.trimmed();
        if (p.toLower().startsWith("charset=")) {
            QByteArray value = p.mid(8).trimmed();
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
                value = value.mid(1, value.size() - 2);
            return value.trimmed();
        }
    }
    return QByteArray();
}

QUrl SavedPageAddress(const QString &markup)
{
    const HtmlDocument document(markup);
    const QVector<const GumboNode *> bases = CollectByTag(document.root(), QStringLiteral("base"));
    for (const GumboNode *base : bases) {
        const QString href = AttributeText(base, "href").trimmed();
        if (href.isEmpty())
            continue;
        const QUrl url(href);
        if (IsHttpUrl(url))
            return url;
        break; // only the first base with an href counts, as in a browser
    }
    static const QRegularExpression savedFrom(QStringLiteral("<!--\\s*saved from url=\\(\\d+\\)(\\S+?)\\s*-->"),
                                              QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = savedFrom.match(markup);
    if (match.hasMatch()) {
        const QUrl url(match.captured(1));
        if (IsHttpUrl(url))
            return url;
    }
    return QUrl();
}

QString SavedPageMarkup(const QString &markup, const QUrl &pageAddress)
{
    // <meta charset=...> and the charset= of a Content-Type meta, in any case.
    static const QRegularExpression declared(
        QStringLiteral("(<meta\\b[^>]*?\\bcharset\\s*=\\s*[\"']?)([A-Za-z0-9_.:-]+)"),
        QRegularExpression::CaseInsensitiveOption);
    QString body = markup;
    body.replace(declared, QStringLiteral("\\1gb18030"));
    const QString address = pageAddress.toString(QUrl::FullyEncoded);
    // The count in brackets is the address's length, written with four digits.
    const QString comment = QStringLiteral("<!-- saved from url=(%1)%2 -->\r\n")
                                .arg(address.size(), 4, 10, QLatin1Char('0'))
                                .arg(address);
    return comment + body;
}

QString PortalRootOf(const QUrl &address)
{
    if (!IsHttpUrl(address))
        return QString();
    QUrl root;
    root.setScheme(address.scheme().toLower());
    root.setHost(address.host());
    root.setPort(address.port());
    root.setPath(QStringLiteral("/"));
    return root.toString(QUrl::FullyEncoded);
}
