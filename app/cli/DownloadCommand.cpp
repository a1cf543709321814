#include "app/cli/DownloadCommand.h"

#include <cstdio>

int runDownloadCommand(const QStringList &)
{
    std::fputs("not built yet\n", stderr);
    return 2;
}
