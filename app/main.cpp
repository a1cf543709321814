#include "LitharvestVersion.h"
#include "harvest/flow/PortalAddress.h"
#include "harvest/ui/fWebSearch.h"
#include "platform/DialogService.h"
#include "platform/media/MediaSoundPlayer.h"
#include "platform/SettingsStore.h"
#include "platform/ui/QtDialogService.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <unistd.h>

namespace {
// One line for a wrong command line, worded as the common tools word it.
QString commandLineError(const QCommandLineParser &parser)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString &name = unknown.constFirst();
        return QStringLiteral("unknown option '%1%2'").arg(name.size() == 1 ? u"-" : u"--", name);
    }
    QString text = parser.errorText(); // e.g. "Missing value after '--portal'."
    if (text.endsWith(u'.'))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text.at(0).toLower();
    return text;
}
} // namespace

int main(int argc, char **argv)
{
    // The browser engine refuses its sandbox to the root user; a desktop
    // session as root (containers, live systems) still gets a browser.
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // The command line is read before the application object so that --help
    // and a wrong address answer without a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCoreApplication::setApplicationName(QStringLiteral("litharvest"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LITHARVEST_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(SettingsStore::applicationTitle());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the program version."));
    const QCommandLineOption portal(QStringLiteral("portal"),
                                    QStringLiteral("Address of the literature portal for this run (default: the "
                                                   "setting fWebSearch/门户网址, else %1).")
                                        .arg(PortalAddress::defaultBase()),
                                    QStringLiteral("URL"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(portal);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "litharvest: %s\nTry 'litharvest --help' for more information.\n",
                     qPrintable(commandLineError(parser)));
        return 2;
    }
    if (parser.isSet(help)) {
        // Without an application object Qt names the program "<executable_name>".
        QString text = parser.helpText();
        text.replace(QLatin1String("<executable_name>"), QCoreApplication::applicationName());
        std::fputs(qPrintable(text), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::puts("litharvest " LITHARVEST_VERSION);
        return 0;
    }
    if (parser.isSet(portal) && !PortalAddress::instance().overrideBase(parser.value(portal))) {
        std::fprintf(stderr, "litharvest: not an http or https address: %s\n", qPrintable(parser.value(portal)));
        return 2;
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // Ties the windows to the menu entry org.litharvest.litharvest.desktop (its
    // icon and name in Wayland task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.litharvest.litharvest"));

    QtDialogService dialogs;
    DialogService::setInstance(&dialogs);
    MediaSoundPlayer sounds; // installs itself for its lifetime

    // Until the cover window exists the program opens on the harvesting
    // window and ends when the last main window closes.
    fWebSearch *harvest = fWebSearch::instance(true);
    harvest->show();
    const int result = app.exec();
    DialogService::setInstance(nullptr);
    return result;
}
