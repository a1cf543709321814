// The cookies.txt reader of the command-line sign-in on any file content,
// and the cookies it answers put into a jar.
#include "download/signin/CookiesFile.h"
#include "fuzz/FuzzSupport.h"

#include <QNetworkCookieJar>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const CookiesFileResult result = ParseCookiesText(fuzz::bytes(data, size));
    fuzz::require(result.error.isEmpty() || result.cookies.isEmpty(), "no cookie with an error");
    fuzz::require(result.error.isEmpty() == (result.errorLine == 0), "an error names its line", result.error);
    QNetworkCookieJar jar;
    AddCookiesToJar(jar, result.cookies);
    return 0;
}
