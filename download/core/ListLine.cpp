#include "download/core/ListLine.h"

#include "common/HttpAddress.h"
#include "common/TextCodec.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>
#include <QUrl>

namespace {

constexpr int kFieldCount = 5;
// The longest line a list may hold, in bytes: far above any row (a document
// address, a title, a folder and a referrer), far below what would strain
// the rows, the requests and the messages.
constexpr qsizetype kMaxLineBytes = 64 * 1024;

// A line whose NUL bytes are a large share of it: text in UTF-16, where every
// ASCII letter comes with a zero byte.
bool looksUtf16(const QByteArray &line)
{
    const qsizetype zeros = line.count('\0');
    return zeros * 4 >= line.size() && zeros * 4 <= line.size() * 3;
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

QString oneLineField(QString text)
{
    for (QChar &c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return text;
}

bool validIn(int (*sequenceAt)(const unsigned char *, qsizetype, qsizetype), const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n;) {
        const int length = sequenceAt(p, i, n);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

// The list's lines as bytes, without their line ends; a leading UTF-8
// byte-order mark is dropped.
QList<QByteArray> byteLines(const QByteArray &bytes)
{
    QList<QByteArray> lines = (bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes).split('\n');
    for (QByteArray &line : lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    return lines;
}

// The text of every line, in UTF-8 when the whole list is UTF-8, else in
// GB18030 when the whole list is that. False with the fault otherwise: a
// UTF-16 or UTF-32 list, a NUL byte, bytes that are neither encoding, or a
// list that mixes the two.
bool decodeListLines(const QByteArray &bytes, QStringList &texts, ListFileFault &fault)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        fault = {1, QStringLiteral("the list is UTF-16 (it starts with a UTF-16 byte-order mark); "
                                   "save it as UTF-8 or GB18030")};
        return false;
    }
    const QList<QByteArray> lines = byteLines(bytes);
    bool allUtf8 = true, allGb = true;
    int firstNotUtf8 = 0;
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        if (line.size() > kMaxLineBytes) {
            fault = {i + 1, QStringLiteral("%1 bytes long; a row has at most %2").arg(line.size()).arg(kMaxLineBytes)};
            return false;
        }
        if (line.contains('\0')) {
            fault = {i + 1, looksUtf16(line)
                                ? QStringLiteral("UTF-16 text (a NUL byte beside every letter); save the list as "
                                                 "UTF-8 or GB18030")
                                : QStringLiteral("a NUL byte; a list is UTF-8 or GB18030 text")};
            return false;
        }
        const bool utf8 = validIn(Utf8SequenceLength, line);
        const bool gb = validIn(Gb18030SequenceLength, line);
        if (!utf8 && !gb) {
            fault = {i + 1, QStringLiteral("bytes that are neither UTF-8 nor GB18030 text")};
            return false;
        }
        if (!utf8 && firstNotUtf8 == 0)
            firstNotUtf8 = i + 1;
        allUtf8 = allUtf8 && utf8;
        allGb = allGb && gb;
    }
    if (!allUtf8 && !allGb) {
        fault = {firstNotUtf8, QStringLiteral("not UTF-8 although other lines are not GB18030; "
                                              "a list is in one encoding")};
        return false;
    }
    QStringDecoder decoder = allUtf8 ? QStringDecoder(QStringDecoder::Utf8) : QStringDecoder("GB18030");
    texts.clear();
    texts.reserve(lines.size());
    for (const QByteArray &line : lines)
        texts.append(decoder.decode(line));
    return true;
}

} // namespace

QString FormatListLine(const ListLine &line)
{
    return QStringList{oneLineField(line.address), oneLineField(line.name), oneLineField(line.type),
                       oneLineField(line.folder), oneLineField(line.referrer)}
        .join(u'\t');
}

bool IsListAddress(const QString &text)
{
    return IsStrictHttpAddress(text);
}

bool ParseListLine(const QString &text, ListLine &line, QString &error)
{
    const QStringList fields = text.split(u'\t');
    if (fields.size() > kFieldCount) {
        error = QStringLiteral("%1 fields; a row has at most 5 (address, name, type, folder, referrer)")
                    .arg(fields.size());
        return false;
    }
    const auto field = [&fields](int i) { return i < fields.size() ? TrimSpaces(fields.at(i)) : QString(); };

    ListLine read;
    read.address = field(0);
    if (read.address.isEmpty()) {
        error = QStringLiteral("no address");
        return false;
    }
    const QStringList alternatives = read.address.split(u'|');
    if (alternatives.size() > 3) {
        error = QStringLiteral("more than three alternatives in the address");
        return false;
    }
    for (const QString &alternative : alternatives) {
        if (!IsListAddress(alternative)) {
            error = QStringLiteral("\"%1\" is not an http or https address").arg(QuotedExcerpt(alternative));
            return false;
        }
    }

    read.type = field(2);
    if (read.type.startsWith(u'.'))
        read.type.remove(0, 1);
    // The type ends up in a file name: nothing but letters and digits, so a
    // list line can never steer a file out of its folder.
    static const QRegularExpression typePattern(QStringLiteral("^[A-Za-z0-9]{0,10}$"));
    if (!typePattern.match(read.type).hasMatch()) {
        error = QStringLiteral("type \"%1\" is not an extension (letters and digits, at most 10)")
                    .arg(QuotedExcerpt(read.type));
        return false;
    }

    read.name = field(1);
    read.folder = field(3);
    read.referrer = field(4);
    line = read;
    return true;
}

bool ParseListFile(const QByteArray &bytes, std::vector<NumberedListLine> &lines, ListFileFault &fault)
{
    QStringList texts;
    if (!decodeListLines(bytes, texts, fault))
        return false;
    for (int i = 0; i < texts.size(); ++i) {
        const QString &text = texts.at(i);
        if (text.trimmed().isEmpty() || text.startsWith(u'#'))
            continue;
        NumberedListLine numbered;
        numbered.number = i + 1;
        if (!ParseListLine(text, numbered.line, fault.message)) {
            fault.line = numbered.number;
            return false;
        }
        lines.push_back(numbered);
    }
    return true;
}

QString ListAddress(const QString &address)
{
    // Tolerant parsing keeps valid %XX escapes and encodes everything else
    // that may not stand in an address (space, "|", "<", ">", '"', "^", "`",
    // "{", "}", "\\", controls, non-ASCII as UTF-8), as a browser does
    // before it sends the request.
    // A "%" that starts no escape stands for itself; written as "%25" first,
    // as QUrl would otherwise re-encode every "%" of the address.
    QString text;
    text.reserve(address.size());
    for (qsizetype i = 0; i < address.size(); ++i) {
        const QChar c = address.at(i);
        const bool escape = c == u'%' && i + 2 < address.size() && isHexDigit(address.at(i + 1))
                            && isHexDigit(address.at(i + 2));
        text += (c == u'%' && !escape) ? QStringLiteral("%25") : QString(c);
    }
    return QUrl(text, QUrl::TolerantMode).toString(QUrl::FullyEncoded);
}
