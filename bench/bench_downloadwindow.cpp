// How long the download window keeps the event loop from other work while it
// downloads: an offscreen fFileDownload with a full list, six slots fetching
// trickled documents from the sample portal on the real clock, both
// one-second ticks running, and a 1 ms probe timer whose longest gap between
// two timeouts is the longest stall a user would feel.
//
// The first half of the list is already done (sizes, 100%), the second half
// waits, so that every scheduler tick walks past thousands of rows before it
// finds work and the changed rows lie far apart in the list. "自动定位到下载项"
// is ticked, so each start also scrolls the view.
//
//   bench_downloadwindow [rows] [seconds] [trickle bytes/s]
//   (default 10 000 rows, 10 s, 16 384 B/s: a 64 KB document takes 4 s)
#include "download/core/DownloadListModel.h"
#include "download/scheduler/DownloadScheduler.h"
#include "download/ui/fFileDownload.h"
#include "platform/SettingsStore.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

namespace {

struct StallProbe
{
    QElapsedTimer clock;
    qint64 last = 0;
    QVector<qint64> gapsNs;
    qint64 worstNs = 0;
    qint64 worstAtNs = 0;

    void tick()
    {
        const qint64 now = clock.nsecsElapsed();
        const qint64 gap = now - last;
        last = now;
        gapsNs.append(gap);
        if (gap > worstNs) {
            worstNs = gap;
            worstAtNs = now;
        }
    }
};

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    const int rows = argc > 1 ? QByteArray(argv[1]).toInt() : 10000;
    const int seconds = argc > 2 ? QByteArray(argv[2]).toInt() : 10;
    const int trickle = argc > 3 ? QByteArray(argv[3]).toInt() : 16384;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    ScriptedDialogs dialogs; // nothing may block; any message is recorded

    QTemporaryDir dir;
    SettingsStore::useFile(dir.filePath(QStringLiteral("settings.ini")));
    PortalProcess portal;
    if (!portal.start()) {
        std::fprintf(stderr, "portal: %s\n", qPrintable(portal.errorString()));
        return 1;
    }

    fFileDownload *window = fFileDownload::instance(true);
    window->resize(1280, 800);
    window->show();
    DownloadListModel &list = window->listModel();
    const QString folder = dir.filePath(QStringLiteral("文献")) + QLatin1Char('/');
    const QString title = QStringLiteral("基于深度学习的中文文献自动分类方法研究");
    const int done = rows / 2;
    for (int i = 0; i < rows; ++i) {
        const QString address =
            portal.url(QStringLiteral("file?kind=pdf&size=65536&trickle=%1&seed=%2").arg(trickle).arg(i));
        list.addRow(address, title + QString::number(i), QStringLiteral("pdf"), folder, portal.base());
        if (i < done) {
            list.modify(i, [](DownloadRow &r) {
                r.state = RowState::Done;
                r.setSize(65536);
                r.received = 65536;
                r.setPercent(100);
            });
        }
    }
    list.flushChanges();
    window->findChild<QComboBox *>(QStringLiteral("Combo1"))->setCurrentIndex(5); // six slots
    window->menus().menu自动定位到下载项->setChecked(true);
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);

    StallProbe probe;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] { probe.tick(); });
    QTimer end;
    end.setSingleShot(true);
    // exit, not quit: quit first asks the windows to close, and the window
    // refuses while it downloads.
    QObject::connect(&end, &QTimer::timeout, &app, [] { QCoreApplication::exit(0); });

    window->scheduler().start();
    probe.clock.start();
    ticker.start();
    end.start(seconds * 1000);
    app.exec();
    ticker.stop();

    std::sort(probe.gapsNs.begin(), probe.gapsNs.end());
    const auto over = std::count_if(probe.gapsNs.cbegin(), probe.gapsNs.cend(), [](qint64 g) { return g > 16'000'000; });
    const int downloaded = list.countInState(RowState::Done) - done;
    std::printf("%d rows, six slots, %d s of ticks (trickle %d B/s)\n", rows, seconds, trickle);
    std::printf("  probe ticks                 %lld\n", static_cast<long long>(probe.gapsNs.size()));
    std::printf("  longest stall               %.1f ms (at %.1f s)\n", ms(probe.worstNs), ms(probe.worstAtNs) / 1000);
    std::printf("  99.9th percentile gap       %.2f ms\n", ms(probe.gapsNs[qsizetype(probe.gapsNs.size() * 0.999)]));
    std::printf("  gaps over 16 ms             %lld\n", static_cast<long long>(over));
    std::printf("  documents finished          %d (failed %d, downloading now %d)\n", downloaded,
                list.countInState(RowState::Failed), list.countInState(RowState::Downloading));

    window->scheduler().stop();
    delete window;
    portal.stop();
    SettingsStore::useFile(QString());
    return 0;
}
