#include "app/cli/CliSupport.h"

#include <cstdio>

void printMessage(const char *command, const QString &text)
{
    std::fputs((QLatin1String(command) + QLatin1String(": ") + text + u'\n').toUtf8().constData(), stderr);
}

void printHelpHint(const char *command)
{
    std::fprintf(stderr, "Try 'litharvest-cli%s%s --help' for more information.\n", *command ? " " : "", command);
}
