#include "download/core/ListLine.h"

#include "common/HttpAddress.h"
#include "common/TextCodec.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringList>

namespace {

constexpr int kFieldCount = 5;

QString oneLineField(QString text)
{
    for (QChar &c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return text;
}

QString decodeListFile(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        QStringDecoder gbk("GB18030");
        text = gbk(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
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
            error = QStringLiteral("\"%1\" is not an http or https address").arg(alternative);
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
        error = QStringLiteral("type \"%1\" is not an extension (letters and digits, at most 10)").arg(read.type);
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
    const QStringList texts = decodeListFile(bytes).split(u'\n');
    for (int i = 0; i < texts.size(); ++i) {
        QString text = texts.at(i);
        if (text.endsWith(u'\r'))
            text.chop(1);
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
