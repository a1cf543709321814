#pragma once
// What both engines check in a server's answer before any of it may end up
// under a document's name, and the limits that keep a hostile server from
// making the program hold more than a bounded amount in memory.
//
// Limits:
// - The header block. Qt 6.4 reads a header block of any size into memory
//   before the reply reports anything. It then drops the whole block (the
//   reply has a status and no fields, as for a line without a colon) when it
//   holds more than 100 fields or a field over about 100 KB; such an answer
//   is one whose body end nobody vouched for (see JudgeBodyEnd). A block Qt
//   keeps may hold at most kMaxHeaderBytes of names and values, or the row
//   fails. Qt parses header bytes at a few hundred kilobytes a second, so the
//   time a response is given for its headers (kHeaderSeconds, counted from
//   the request and again from every redirect) bounds what a server can make
//   it hold, to a few megabytes, before the row ends.
// - An encoded body (Content-Encoding other than identity) is refused: the
//   requests ask for none, so Qt leaves such a body as it came, and its
//   bytes are not the document.
// - Redirects: see EngineRequest (kMaxEngineRedirects).
// The body itself goes to disk as it comes; Qt buffers at most
// kEngineReadBuffer of it.
#include <QString>
#include <QtGlobal>

class QNetworkReply;

inline constexpr qint64 kMaxHeaderBytes = 64 * 1024;
inline constexpr int kHeaderSeconds = 30;

// The final response's status is 2xx.
bool SuccessStatus(const QNetworkReply &reply);

// Empty when the response's headers may be used; otherwise why not: the
// header block is over a limit, or the body is encoded.
QString RefusedResponse(const QNetworkReply &reply);

// How the end of a finished reply's body is known.
enum class BodyEnd {
    Cut,       // the connection failed first, or fewer bytes came than announced
    Announced, // as many bytes came as the Content-Length named
    Chunked,   // the chunked framing ended without an error
    AtClose,   // no length and no framing: the body ended when the connection did,
               // which Qt 6.4 reports the same way for a reset or an early close
};
BodyEnd JudgeBodyEnd(const QNetworkReply &reply, qint64 received);
// A file already at the target is replaced only by a body whose end the
// server vouched for (a length or chunked framing): one that ended with the
// connection may have been cut by a reset. The reason such a row fails with.
QString UnknownEndReason();

// A body whose bytes show a PDF that lacks its end marker ("%%EOF" within
// the last 1024 bytes) is cut short, whatever the transfer said.
bool PdfEndMissing(const QString &path);
