// PercentDecodeAuto and PercentDecodeUtf8 on any text: the escaped names of
// Content-Disposition lines and addresses.
#include "common/TextCodec.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(fuzz::bytes(data, size));
    const QString automatic = PercentDecodeAuto(text);
    const QString utf8 = PercentDecodeUtf8(text);
    // Decoding only shortens: every escape stands for fewer characters.
    fuzz::require(automatic.size() <= text.size(), "PercentDecodeAuto never lengthens", text);
    fuzz::require(utf8.size() <= text.size(), "PercentDecodeUtf8 never lengthens", text);
    // The Latin-1 reading of the same bytes, as raw header bytes arrive.
    const QString latin = QString::fromLatin1(fuzz::bytes(data, size));
    PercentDecodeAuto(latin);
    PercentDecodeUtf8(latin);
    return 0;
}
