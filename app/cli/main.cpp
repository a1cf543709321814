// litharvest-cli: the headless commands, built without windows or browser.
#include "app/cli/DownloadCommand.h"
#include "app/cli/HarvestCommand.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {
void usage()
{
    std::fputs("usage: litharvest-cli download [options]\n"
               "       litharvest-cli harvest [options] FILE|URL\n"
               "       litharvest-cli <command> --help\n",
               stderr);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("litharvest-cli"));
    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        usage();
        return 2;
    }
    const QString command = args.at(1);
    args.removeAt(1); // the command's own parser sees argv[0] and its options
    if (command == QLatin1String("download"))
        return runDownloadCommand(args);
    if (command == QLatin1String("harvest"))
        return runHarvestCommand(args);
    usage();
    return 2;
}
