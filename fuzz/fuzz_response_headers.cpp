// The single connection's response-header analysis on any header block: the
// status line, then header lines (bytes as they came). The status is the
// number of the status line, as the engine writes it there from the reply;
// each block is judged against a maximum of 0, 10 and 10^9 megabytes.
#include "download/engines/ResponseHeaders.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray block = fuzz::bytes(data, size);
    const QByteArray statusLine = block.left(block.indexOf('\n'));
    const QList<QByteArray> words = statusLine.split(' ');
    const int status = words.size() > 1 ? words.at(1).toInt() : 0;

    for (const double maximum : {0.0, 10.0, 1e9}) {
        const ResponseHeaderVerdict verdict = AnalyseResponseHeaders(block, status, maximum);
        fuzz::require(verdict.status == status, "the status is the one given");
        fuzz::require(verdict.httpOk == (status >= 200 && status < 300), "success is a 2xx status");
        fuzz::require(!verdict.tooBig || verdict.announced > 0, "only an announced size is too big");
        if (verdict.announced > 0 && verdict.announced <= qint64(maximum) * 1024 * 1024)
            fuzz::require(!verdict.tooBig, "a size within the maximum is not too big");
        // The extension becomes part of the save name.
        fuzz::require(verdict.extension.size() <= 5, "the extension has at most five letters", verdict.extension);
        for (const QChar c : verdict.extension)
            fuzz::require((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'), "the extension is letters",
                          verdict.extension);
    }
    for (const char *name : {"Content-Length", "Content-Type", "Content-Disposition", "Location"}) {
        const QString value = ResponseHeaderValue(block, name);
        fuzz::require(!value.contains(u'\n'), "a header value is one line", value);
    }
    return 0;
}
