// The download list commands on a full list: one header sort by a numeric
// column and one by name, one shuffle, and one "检查并纠正磁盘文件类型" pass
// over real small files (a tenth of them carrying the wrong type) in a
// temporary folder. With --view a tree view (offscreen) is attached and
// selected rows are tracked, as in the download window.
//
//   bench_listcommands [--view] [rows] [rounds]
#include "download/commands/DownloadListCommands.h"
#include "download/core/DownloadListModel.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QItemSelectionModel>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

double ms(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

struct Figures
{
    QVector<double> runs;
    void print(const char *what) const
    {
        QVector<double> s = runs;
        std::sort(s.begin(), s.end());
        std::printf("  %-44s min %7.1f  median %7.1f  max %7.1f ms\n", what, s.first(), s[s.size() / 2], s.last());
    }
};

} // namespace

int main(int argc, char **argv)
{
    bool withView = false;
    QVector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        if (arg == "--view")
            withView = true;
        else
            numbers << arg.toInt();
    }
    const int rows = numbers.value(0, 10000);
    const int rounds = numbers.value(1, 5);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScriptedDialogs dialogs; // the closing messages are recorded, never shown

    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    DownloadListModel list;
    QItemSelectionModel selection(&list);
    DownloadListCommands commands(list);
    commands.setSelectionModel(&selection);
    std::unique_ptr<QTreeView> view;
    if (withView) {
        view = std::make_unique<QTreeView>();
        view->setUniformRowHeights(true);
        view->setRootIsDecorated(false);
        view->setModel(&list);
        view->setSelectionModel(&selection);
        view->resize(1000, 700);
        view->show();
        QCoreApplication::processEvents();
    }

    QRandomGenerator random(20240601);
    const QString title = QStringLiteral("基于深度学习的中文文献自动分类方法研究");
    for (int i = 0; i < rows; ++i) {
        const QString name = title + QString::number(random.bounded(1000000)) + QLatin1Char('_') + QString::number(i);
        list.addRow(QStringLiteral("http://127.0.0.1:8642/download?id=%1&kind=pdf").arg(i), name,
                    i % 10 == 0 ? QStringLiteral("caj") : QStringLiteral("pdf"), folder, QString());
        const quint32 size = random.bounded(5u * 1024 * 1024);
        list.modify(i, [&](DownloadRow &r) {
            r.state = RowState::Done;
            if (i % 50 == 0) {
                r.setSizeNote(RowNote::UnknownSize);
            } else {
                r.setSize(size);
                r.received = size;
            }
            if (i % 40 == 0)
                r.setProgressNote(RowNote::TooBig);
            else
                r.setPercent(100);
        });
    }
    list.flushChanges();
    for (int i = 0; i < rows; i += 7)
        selection.select(list.index(i, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    std::printf("download list commands, %d rows%s, %d rounds\n", rows, withView ? ", tree view attached" : "",
                rounds);

    Figures sortSize, sortName, shuffle;
    QElapsedTimer t;
    for (int k = 0; k < rounds; ++k) {
        t.start();
        commands.sortByColumn(DownloadListModel::ColSize);
        QCoreApplication::processEvents();
        sortSize.runs << ms(t);
        t.start();
        commands.sortByColumn(DownloadListModel::ColName);
        QCoreApplication::processEvents();
        sortName.runs << ms(t);
        t.start();
        commands.随机排序列表();
        QCoreApplication::processEvents();
        shuffle.runs << ms(t);
        for (int i = 0; i < rows; i += 7) // the shuffle cleared the selection
            selection.select(list.index(i, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    sortSize.print("header sort, 文件大小 (by value)");
    sortName.print("header sort, 名称");
    shuffle.print("shuffle (随机排序列表)");

    // Small real files: every tenth row is listed as "caj" but holds a PDF.
    const QByteArray pdf = QByteArray("%PDF-1.4\n") + QByteArray(2048, 'x') + QByteArray("\n%%EOF\n");
    t.start();
    for (int i = 0; i < rows; ++i) {
        QFile f(RowFilePath(list.at(i)));
        if (f.open(QIODevice::WriteOnly))
            f.write(pdf);
    }
    std::printf("  (writing %d files of %lld bytes: %.1f ms)\n", rows, qint64(pdf.size()), ms(t));
    t.start();
    const int corrected = commands.检查并纠正磁盘文件类型();
    QCoreApplication::processEvents();
    std::printf("  检查并纠正磁盘文件类型, one pass:             %7.1f ms  (%d corrected, message \"%s\")\n", ms(t),
                corrected, qPrintable(dialogs.lastMessage()));
    t.start();
    const int again = commands.检查并纠正磁盘文件类型();
    std::printf("  the same pass again (nothing to correct):   %7.1f ms  (%d corrected)\n", ms(t), again);
    return 0;
}
