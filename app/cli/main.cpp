// litharvest-cli: the headless commands, built without windows or browser.
#include "LitharvestVersion.h"
#include "app/cli/CliSupport.h"
#include "app/cli/DownloadCommand.h"
#include "app/cli/HarvestCommand.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

namespace {
const char kUsage[] = "usage: litharvest-cli download [options]\n"
                      "       litharvest-cli harvest [options] FILE|URL\n"
                      "       litharvest-cli <command> --help\n"
                      "       litharvest-cli --help | --version\n";

const char kHelp[] = "\n"
                     "Runs the harvesting and download work of litharvest without a window.\n"
                     "\n"
                     "Commands:\n"
                     "  harvest   print the items of a result page (a file or an address)\n"
                     "  download  download the documents of a list, such as harvest prints\n"
                     "\n"
                     "  -h, --help  show this help and exit\n"
                     "  --version   show the program version and exit\n"
                     "\n"
                     "See 'litharvest-cli <command> --help' for the options of a command.\n";

int commandLineError(const QString &text)
{
    printMessage("litharvest-cli", text);
    printHelpHint("");
    return 2;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("litharvest-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LITHARVEST_VERSION));
    QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    const QString command = args.at(1);
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::fputs(kUsage, stdout);
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (command == QLatin1String("--version")) {
        std::puts("litharvest-cli " LITHARVEST_VERSION);
        return 0;
    }
    args.removeAt(1); // the command's own parser sees argv[0] and its options
    if (command == QLatin1String("download"))
        return runDownloadCommand(args);
    if (command == QLatin1String("harvest"))
        return runHarvestCommand(args);
    if (command.startsWith(u'-'))
        return commandLineError(QStringLiteral("unknown option '%1'").arg(command));
    return commandLineError(QStringLiteral("unknown command '%1'").arg(command));
}
