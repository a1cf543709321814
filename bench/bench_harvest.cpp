// A 20-page "加入全部到列表" with delay 0 in the harvesting window against the
// sample portal, under offscreen QtWebEngine: pages per second of the whole
// run (click, load, markup, extraction, list) beside the portal's raw page
// rate, measured in the same run by curl fetching the same 20 result pages
// over one connection.
//
//   bench_harvest [rounds]     (default 3; the figures are medians)
#include "harvest/core/AnalysisListModel.h"
#include "harvest/flow/MultiPageHarvest.h"
#include "harvest/flow/PortalAddress.h"
#include "harvest/ui/fWebSearch.h"
#include "harvest/ui/HarvestBrowserPage.h"
#include "platform/SettingsStore.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WebEngineWait.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace {
constexpr int kPages = 20;
constexpr int kPerPage = 20;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

QString searchUrl(const PortalProcess &portal, int page)
{
    return portal.url(QStringLiteral("search?q=%E9%87%8F%E5%AD%90&page=") + QString::number(page));
}

// Seconds for one add-all run from page 1 to the last page, or -1.
double harvestOnce(const PortalProcess &portal, int &items)
{
    fWebSearch *window = fWebSearch::instance(true);
    QWebEnginePage *page = window->browserPage();
    window->show(); // opens the portal's home page
    if (!WaitForPageLoad(page, [&](const QUrl &url) { return url == QUrl(portal.base()); }))
        return -1;
    window->browser()->setUrl(QUrl(searchUrl(portal, 1)));
    if (!WaitForPageLoad(page, [](const QUrl &url) { return url.path() == QStringLiteral("/search"); }))
        return -1;
    window->delaySelector()->setCurrentIndex(0);
    bool finished = false;
    QObject::connect(&window->addAllRun(), &MultiPageHarvest::finished, window, [&] { finished = true; });
    QElapsedTimer timer;
    timer.start();
    window->addAllButton()->click();
    if (!SpinUntil([&] { return finished; }, 300000))
        return -1;
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    items = window->listModel().count();
    window->close();
    if (!SpinUntil([] { return !fWebSearch::instance(false); }, 5000))
        return -1;
    return seconds;
}

// Seconds for curl to fetch the 20 result pages, or -1.
double curlOnce(const PortalProcess &portal)
{
    QStringList args{QStringLiteral("-s"), QStringLiteral("--fail")};
    for (int p = 1; p <= kPages; ++p)
        args << QStringLiteral("-o") << QStringLiteral("/dev/null") << searchUrl(portal, p);
    QProcess curl;
    QElapsedTimer timer;
    timer.start();
    curl.start(QStringLiteral("curl"), args);
    if (!curl.waitForFinished(60000) || curl.exitCode() != 0)
        return -1;
    return double(timer.nsecsElapsed()) / 1e9;
}
} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    QStandardPaths::setTestModeEnabled(true); // no trace in the user's browser profile
    QTemporaryDir dir;
    SettingsStore::useFile(dir.filePath(QStringLiteral("settings.ini")));
    SettingsStore::instance().write(QStringLiteral("设置"), QStringLiteral("提取网页信息时提示下载保存路径"),
                                    QStringLiteral("0"));
    ScriptedDialogs dialogs;

    PortalProcess portal({QStringLiteral("--results"), QString::number(kPages * kPerPage), QStringLiteral("--per-page"),
                          QString::number(kPerPage)});
    if (!portal.start()) {
        std::fprintf(stderr, "bench_harvest: %s\n", qPrintable(portal.errorString()));
        return 1;
    }
    PortalAddress::instance().overrideBase(portal.base());

    std::vector<double> harvest, raw;
    int items = 0;
    for (int r = 0; r < rounds; ++r) {
        const double h = harvestOnce(portal, items);
        const double c = curlOnce(portal);
        if (h < 0 || c < 0) {
            std::fprintf(stderr, "bench_harvest: round %d failed (harvest %.3f s, curl %.3f s)\n", r + 1, h, c);
            return 1;
        }
        harvest.push_back(h);
        raw.push_back(c);
        std::printf("round %d: harvest %.3f s (%d items), curl %.3f s\n", r + 1, h, items, c);
    }
    const double h = median(harvest);
    const double c = median(raw);
    std::printf("harvest: %d pages in %.3f s = %.1f pages/s (median of %d)\n", kPages, h, kPages / h, rounds);
    std::printf("curl:    %d pages in %.3f s = %.1f pages/s (median of %d)\n", kPages, c, kPages / c, rounds);
    portal.stop();
    return 0;
}
