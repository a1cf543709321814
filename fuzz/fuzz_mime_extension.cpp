// MimeToExtension on any Content-Type a server sends.
#include "download/core/FileTypes.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray raw = fuzz::bytes(data, size);
    for (const QString &contentType : {QString::fromLatin1(raw), QString::fromUtf8(raw)}) {
        const QString extension = MimeToExtension(contentType);
        // The extension becomes part of a file name: letters only, at most five.
        fuzz::require(extension.size() <= 5, "at most five letters", extension);
        for (const QChar c : extension)
            fuzz::require((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'), "letters only", extension);
    }
    return 0;
}
