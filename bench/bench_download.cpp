// Downloads documents with one of the two engines and reports the time, the
// throughput and the peak resident memory of the process, so that
// bench_download.sh can set them beside curl fetching the same addresses.
//
//   bench_download --method 1|2 --out DIR [--parallel N] [--max-mb MB] URL
//
// Method 1 fetches URL once through InetDownloader, driven by the scheduler
// that writes its row as the window's does; method 2 starts N slots
// (SlotDownloader) on URL at the same moment. One line on stdout:
//   method=2 files=6 bytes=402653184 seconds=1.234 mbps=311.2 peak_rss_kb=23456 ok=1
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSession.h"
#include "download/engines/SlotDownloader.h"
#include "download/scheduler/DownloadScheduler.h"

#include <QCoreApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

long PeakRssKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("method"), QStringLiteral("1 or 2"), QStringLiteral("n"), QStringLiteral("2")});
    parser.addOption({QStringLiteral("out"), QStringLiteral("folder for the files"), QStringLiteral("dir")});
    parser.addOption({QStringLiteral("parallel"), QStringLiteral("slots (method 2)"), QStringLiteral("n"), QStringLiteral("1")});
    parser.addOption({QStringLiteral("max-mb"), QStringLiteral("maximum file size"), QStringLiteral("mb"), QStringLiteral("100000")});
    parser.addPositionalArgument(QStringLiteral("url"), QStringLiteral("document address"));
    parser.process(app);
    const int method = parser.value(QStringLiteral("method")).toInt();
    const int parallel = qBound(1, parser.value(QStringLiteral("parallel")).toInt(), 6);
    const QString out = QDir(parser.value(QStringLiteral("out"))).absolutePath() + QLatin1Char('/');
    if (parser.positionalArguments().size() != 1 || out.size() < 2 || (method != 1 && method != 2)) {
        std::fprintf(stderr, "usage: bench_download --method 1|2 --out DIR [--parallel N] [--max-mb MB] URL\n");
        return 2;
    }
    const QString url = parser.positionalArguments().at(0);
    QDir().mkpath(out);

    QNetworkAccessManager network;
    DownloadListModel list;
    DownloadSession session(&list, &network);
    session.options().maxFileSizeMB = parser.value(QStringLiteral("max-mb")).toDouble();

    QElapsedTimer timer;
    int pending = 0;
    bool ok = true;
    QStringList files;
    std::unique_ptr<DownloadScheduler> scheduler;
    std::vector<std::unique_ptr<SlotDownloader>> engines;

    timer.start();
    if (method == 1) {
        list.addRow(url, QStringLiteral("bench"), QStringLiteral("pdf"), out, QString());
        scheduler = std::make_unique<DownloadScheduler>(session);
        scheduler->setManualTicks(true);
        pending = 1;
        QObject::connect(scheduler.get(), &DownloadScheduler::transferEnded, &app,
                         [&](quint64, const TransferResult &result) {
                             ok = result.outcome == TransferOutcome::Complete && list.at(0).complete();
                             files << RowFilePath(list.at(0));
                             app.quit();
                         });
        scheduler->Inet下载当前文件(0);
    } else {
        for (int i = 0; i < parallel; ++i) {
            engines.push_back(std::make_unique<SlotDownloader>(network));
            SlotDownloader *slot = engines.back().get();
            ++pending;
            QObject::connect(slot, &SlotDownloader::DownloadComplete, &app,
                             [&](qint64 cur, qint64 max, const QString &saveFile) {
                                 ok = ok && cur == max;
                                 files << saveFile;
                                 if (--pending == 0)
                                     app.quit();
                             });
            QObject::connect(slot, &SlotDownloader::DownloadError, &app, [&](const QString &, const QString &saveFile) {
                ok = false;
                files << saveFile;
                if (--pending == 0)
                    app.quit();
            });
            slot->BeginDownload(url, out + QStringLiteral("bench-%1.pdf").arg(i), QString());
        }
    }
    app.exec();
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    qint64 bytes = 0;
    for (const QString &file : files) {
        bytes += QFileInfo(file).size();
        QFile::remove(file);
    }
    std::printf("method=%d files=%d bytes=%lld seconds=%.3f mbps=%.1f peak_rss_kb=%ld ok=%d\n", method,
                int(files.size()), static_cast<long long>(bytes), seconds, double(bytes) / 1048576.0 / seconds,
                PeakRssKb(), ok ? 1 : 0);
    return ok ? 0 : 1;
}
