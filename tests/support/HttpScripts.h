#pragma once
// Pieces of scripted HTTP answers for ScriptedServer: a whole PDF, a status
// line with its header fields, a length field and a chunked body.
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

} // namespace HttpScripts
