#include "app/cli/HarvestCommand.h"

#include <cstdio>

int runHarvestCommand(const QStringList &)
{
    std::fputs("not built yet\n", stderr);
    return 2;
}
