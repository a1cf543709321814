// The file-type recognition on any bytes: the bytes are written to one file
// of the scratch folder per input and 打开文件判断文件类型 reads it back.
#include "download/core/FileTypes.h"
#include "fuzz/FuzzSupport.h"

#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path = fuzz::scratchFolder() + QStringLiteral("/document");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        fuzz::fail("the scratch file can be written", path);
    if (file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        fuzz::fail("the scratch file takes the input", path);
    file.close();
    const QString type = 打开文件判断文件类型(path);
    fuzz::require(type == type.toLower(), "the type is in lower case", type);
    fuzz::require(type.size() <= 5, "the type is an extension", type);
    return 0;
}
