// How the download list holds up at 100 000 rows: adding them one by one as
// the hand-over does, looking addresses up, and the once-a-second counter
// refresh of the housekeeping tick. With --view a tree view (offscreen) is
// attached, as in the download window.
//
//   bench_downloadlist [--view] [rows]
#include "download/core/DownloadListModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTreeView>

#include <cstdio>
#include <memory>

namespace {

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

QString address(int i)
{
    return QStringLiteral("http://127.0.0.1:8642/download?id=%1&kind=pdf&type=1")
        .arg(i, 8, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char **argv)
{
    bool withView = false;
    int rows = 100000;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        if (arg == "--view")
            withView = true;
        else
            rows = QByteArray(arg).toInt();
    }
    std::unique_ptr<QCoreApplication> app;
    if (withView) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    DownloadListModel list;
    std::unique_ptr<QTreeView> view;
    if (withView) {
        view = std::make_unique<QTreeView>();
        view->setUniformRowHeights(true);
        view->setRootIsDecorated(false);
        view->setModel(&list);
        view->resize(1000, 700);
        view->show();
        QCoreApplication::processEvents();
    }
    std::printf("download list, %d rows%s\n", rows, withView ? ", tree view attached" : "");

    QStringList addresses;
    addresses.reserve(rows);
    for (int i = 0; i < rows; ++i)
        addresses << address(i);
    const QString name = QStringLiteral("基于深度学习的中文文献自动分类方法研究与实现");
    const QString folder = QStringLiteral("/home/reader/12345/");

    QElapsedTimer t;
    t.start();
    for (int i = 0; i < rows; ++i)
        list.addRow(addresses[i], name, QStringLiteral("pdf"), folder, QString());
    if (withView)
        QCoreApplication::processEvents();
    std::printf("  add %d rows:                %9.1f ms\n", rows, ms(t));

    t.restart();
    int found = 0;
    for (int i = rows - 1; i >= 0; --i)
        found += list.indexOfAddress(addresses[i]) == i;
    const double hit = ms(t);
    t.restart();
    for (int i = 0; i < rows; ++i)
        found += list.indexOfAddress(addresses[i] + QLatin1Char('x')) >= 0;
    const double miss = ms(t);
    std::printf("  %d lookups (hits):        %9.1f ms (%.0f ns each)\n", rows, hit, hit * 1e6 / rows);
    std::printf("  %d lookups (misses):      %9.1f ms (%.0f ns each)\n", rows, miss, miss * 1e6 / rows);
    t.restart();
    for (int i = 0; i < rows; ++i)
        found += list.addRow(addresses[i], name, QString(), folder, QString()) ? 1 : 0;
    std::printf("  %d duplicate adds refused: %8.1f ms\n", rows, ms(t));
    if (found != rows)
        std::printf("  !! index wrong: %d\n", found);

    // A list in mid-download: a spread of states, as the counters see it.
    for (int i = 0; i < rows; ++i)
        list.setState(i, RowState(1 + i % 4));
    list.flushChanges();

    constexpr int kRefreshes = 1000;
    QString text;
    t.restart();
    for (int k = 0; k < kRefreshes; ++k)
        text = list.counterText();
    std::printf("  RefreshCounters text:        %9.4f ms each  (%s)\n", ms(t) / kRefreshes, qPrintable(text));

    t.restart();
    const int undownloaded = list.统计未下载项数目();
    const int pages = list.CountErrorAndPageRows();
    std::printf("  统计未下载项数目 + CountErrorAndPageRows: %6.2f ms (%d, %d)\n", ms(t), undownloaded, pages);

    QVector<int> reversed(rows);
    for (int i = 0; i < rows; ++i)
        reversed[i] = rows - 1 - i;
    t.restart();
    list.reorder(reversed);
    if (withView)
        QCoreApplication::processEvents();
    std::printf("  reorder (reverse):           %9.1f ms\n", ms(t));

    QVector<int> everyTenth;
    for (int i = 0; i < rows; i += 10)
        everyTenth << i;
    t.restart();
    list.removeRowsAt(everyTenth);
    if (withView)
        QCoreApplication::processEvents();
    std::printf("  remove every tenth row:      %9.1f ms\n", ms(t));
    return 0;
}
