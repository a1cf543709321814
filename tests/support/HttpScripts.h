#pragma once
// Pieces of scripted HTTP answers for ScriptedServer: a whole PDF, a status
// line with its header fields, a length field and a chunked body, and the
// parts the hostile-server tables of both download engines answer with.
#include <QByteArray>

namespace HttpScripts {

// A whole PDF of about n bytes, with its end marker.
inline QByteArray Pdf(int n)
{
    return "%PDF-1.4\n" + QByteArray(n, 'x') + "\n%%EOF\n";
}

inline QByteArray Head(const QByteArray &status, const QByteArray &fields)
{
    return "HTTP/1.1 " + status + "\r\nConnection: close\r\n" + fields + "\r\n";
}

inline QByteArray Length(const QByteArray &body)
{
    return "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
}

inline QByteArray Chunked(const QByteArray &body)
{
    return QByteArray::number(body.size(), 16) + "\r\n" + body + "\r\n0\r\n\r\n";
}

// What hostile servers answer with: bodies, header fields and header blocks
// too large to keep.
struct HostileAnswers {
    QByteArray pdf = Pdf(20000);
    QByteArray cutPdf = pdf.left(12000);
    QByteArray denied = "access denied";
    QByteArray page = "<!DOCTYPE html>\n<html><head><title>403</title></head><body>denied</body></html>\n";
    QByteArray pdfType = "Content-Type: application/pdf\r\n";
    QByteArray chunked = "Transfer-Encoding: chunked\r\n";
    QByteArray fields80k = repeatedFields(40, QByteArray(2000, 'v')); // 40 fields of 2000 bytes
    QByteArray bigLine = "X-Big: " + QByteArray(1024 * 1024, 'a') + "\r\n"; // one 1 MB field
    QByteArray manyFields = repeatedFields(10000, "v");                 // 10 000 short fields

    static QByteArray repeatedFields(int count, const QByteArray &value)
    {
        QByteArray fields;
        for (int i = 0; i < count; ++i)
            fields += "X-F" + QByteArray::number(i) + ": " + value + "\r\n";
        return fields;
    }
};

} // namespace HttpScripts
