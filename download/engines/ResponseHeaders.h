#pragma once
// What the single connection (download method 1) reads from a response's
// headers before it saves anything: the announced size against the maximum,
// the type the Content-Type names (with the charset rule and the
// Content-Disposition name as fallbacks), and whether the status line is a
// success line. A pure function of the header block: no network, no rows.
#include <QByteArray>
#include <QString>

struct ResponseHeaderVerdict
{
    int status = 0;           // the HTTP status as given
    qint64 announced = 0;     // Content-Length when numeric, else 0
    bool tooBig = false;      // announced above the maximum
    bool hasCharset = false;  // the Content-Type's second part starts "charset="
    QString extension;        // the type the headers name; empty: the row's type stays
    bool successLine = false; // the first line holds "200" and "ok" (any case)
    bool httpOk = false;      // status 2xx
};

// headerBlock: the status line, then every header line as "Name: value",
// each ended by CR LF (bytes as they came, read as Latin-1). status: the HTTP
// status of the response. maxFileSizeMB: the maximum file size in megabytes
// of 1024 * 1024 bytes; an announced size above it is too big.
ResponseHeaderVerdict AnalyseResponseHeaders(const QByteArray &headerBlock, int status, double maxFileSizeMB);

// The value of a named header in such a block (name compared without regard
// to letter case, spaces trimmed); several lines of that name are joined by
// ", ". Empty when there is none.
QString ResponseHeaderValue(const QByteArray &headerBlock, const QByteArray &name);
