#include "LitharvestVersion.h"
#include "harvest/flow/PortalAddress.h"
#include "platform/DialogService.h"
#include "platform/media/MediaSoundPlayer.h"
#include "platform/SettingsStore.h"
#include "platform/ui/QtDialogService.h"
#include "shell/AppShell.h"
#include "shell/core/VersionCheck.h"
#include "shell/core/VersionRule.h"
#include "shell/fCover.h"
#include "shell/ProgramImages.h"

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
    QCoreApplication::setApplicationVersion(ProgramVersionText());
    QCommandLineParser parser;
    parser.setApplicationDescription(SettingsStore::applicationTitle());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the program version."));
    const QCommandLineOption portal(QStringLiteral("portal"),
                                    QStringLiteral("Address of the literature portal for this run (default: the "
                                                   "setting fWebSearch/门户网址, else %1).")
                                        .arg(PortalAddress::defaultBase()),
                                    QStringLiteral("URL"));
    const QCommandLineOption versionUrl(
        QStringLiteral("version-url"),
        QStringLiteral("Address of the version file asked at start-up for this run; given twice, the second is "
                       "asked when the first fails (default: the settings fCover/版本文件网址 and "
                       "fCover/版本文件备用网址; none: nothing is asked)."),
        QStringLiteral("URL"));
    const QCommandLineOption downloadPage(
        QStringLiteral("download-page"),
        QStringLiteral("Page opened in the web browser when a newer version is found (default: the setting "
                       "fCover/下载页网址, else the version file's folder)."),
        QStringLiteral("URL"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(portal);
    parser.addOption(versionUrl);
    parser.addOption(downloadPage);
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

    const QStringList versionUrls = parser.values(versionUrl);
    if (versionUrls.size() > 2) {
        std::fprintf(stderr, "litharvest: --version-url is given at most twice\n");
        return 2;
    }
    QStringList addresses = versionUrls;
    if (parser.isSet(downloadPage))
        addresses << parser.value(downloadPage);
    for (const QString &address : addresses) {
        if (VersionSource::parseAddress(address).isEmpty()) {
            std::fprintf(stderr, "litharvest: not an http or https address: %s\n", qPrintable(address));
            return 2;
        }
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setWindowIcon(ProgramIcon());
    // Ties the windows to the menu entry org.litharvest.litharvest.desktop (its
    // icon and name in Wayland task bars).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.litharvest.litharvest"));
    // Hiding the cover for a main window is no reason to end; closing the
    // cover is the only one.
    QApplication::setQuitOnLastWindowClosed(false);

    QtDialogService dialogs;
    DialogService::setInstance(&dialogs);
    MediaSoundPlayer sounds; // installs itself for its lifetime

    VersionSource source = VersionSource::fromSettings();
    if (!versionUrls.isEmpty()) {
        source.primary = VersionSource::parseAddress(versionUrls.at(0));
        source.secondary = versionUrls.size() > 1 ? VersionSource::parseAddress(versionUrls.at(1)) : QUrl();
    }
    if (parser.isSet(downloadPage))
        source.downloadPage = VersionSource::parseAddress(parser.value(downloadPage));

    int result = 0;
    {
        AppShell shell;
        shell.cover().versionCheck().setSource(source);
        QObject::connect(&shell, &AppShell::quitRequested, &app, &QCoreApplication::quit, Qt::QueuedConnection);
        shell.start();
        result = app.exec();
    }
    DialogService::setInstance(nullptr);
    return result;
}
