// The Content-Disposition routines on a raw header block: the line found in
// the block, then the file name and its extension read from that line (and
// from the whole input taken as one value).
#include "download/core/SaveNames.h"
#include "fuzz/FuzzSupport.h"

namespace {

void checkName(const QString &value)
{
    QString type;
    const QString name = 从下载头信息ContentDisposition获取文件名(value, type);
    fuzz::require(type.size() <= 5, "the extension has at most five letters", type);
    for (const QChar c : type)
        fuzz::require((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'), "the extension is letters", type);
    // The name goes through SanitizeFileName before it names a file; that
    // must hold for whatever the server sent.
    SanitizeFileName(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Header bytes arrive as Latin-1 (Qt's raw header) or as UTF-8 text.
    const QByteArray raw = fuzz::bytes(data, size);
    for (const QString &block : {QString::fromLatin1(raw), QString::fromUtf8(raw)}) {
        const QString value = 从网络文件Header获取ContentDisposition(block);
        fuzz::require(!value.contains(u'\n'), "the value is one line", value);
        checkName(value);
    }
    checkName(QString::fromUtf8(raw));
    return 0;
}
