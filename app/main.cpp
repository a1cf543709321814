#include "harvest/flow/PortalAddress.h"
#include "harvest/ui/fWebSearch.h"
#include "platform/DialogService.h"
#include "platform/media/MediaSoundPlayer.h"
#include "platform/SettingsStore.h"
#include "platform/ui/QtDialogService.h"
#include "platform/web/BrowserProfile.h"
#include "tools/ui/fIEcache.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <unistd.h>

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
    QCommandLineParser parser;
    parser.setApplicationDescription(SettingsStore::applicationTitle());
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help."));
    const QCommandLineOption portal(QStringLiteral("portal"),
                                    QStringLiteral("Address of the literature portal for this run (default: the "
                                                   "setting fWebSearch/门户网址, else %1).")
                                        .arg(PortalAddress::defaultBase()),
                                    QStringLiteral("URL"));
    parser.addOption(help);
    parser.addOption(portal);
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "litharvest: %s\n", qPrintable(parser.errorText()));
        return 2;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(portal) && !PortalAddress::instance().overrideBase(parser.value(portal))) {
        std::fprintf(stderr, "litharvest: not an http or https address: %s\n", qPrintable(parser.value(portal)));
        return 2;
    }

    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("litharvest"));

    QtDialogService dialogs;
    DialogService::setInstance(&dialogs);
    MediaSoundPlayer sounds; // installs itself for its lifetime

    // The cache viewer behind "查看IE浏览器缓存", and its clean-up behind both
    // windows' "清空IE浏览器缓存" and the harvesting window's 10-minute timer.
    fWebSearch::cacheViewerOpener() = [](QWidget *owner) { fIEcache::showModal(owner); };
    SetBrowserCacheClearing(ClearBrowserCache);

    // Until the cover window exists the program opens on the harvesting
    // window and ends when the last main window closes.
    fWebSearch *harvest = fWebSearch::instance(true);
    harvest->show();
    const int result = app.exec();
    DialogService::setInstance(nullptr);
    return result;
}
