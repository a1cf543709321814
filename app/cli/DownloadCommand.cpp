#include "app/cli/DownloadCommand.h"

#include "app/cli/CliSupport.h"
#include "app/cli/DownloadJob.h"
#include "app/cli/DownloadListInput.h"
#include "app/cli/ProgressReporter.h"
#include "app/cli/StopSignals.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadRow.h"
#include "download/core/DownloadSession.h"
#include "download/scheduler/DownloadScheduler.h"
#include "download/signin/CookiesFile.h"

#include <QCoreApplication>
#include <QHash>
#include <QNetworkAccessManager>
#include <QTimer>

#include <cstdio>
#include <vector>

#include <unistd.h>

namespace {

enum ExitStatus { ExitAllDone = 0, ExitNotAllDone = 1, ExitUsage = 2 };

void err(const QString &text)
{
    printMessage("download", text);
}

// ExitAllDone when every row is Done with a document. A row whose download
// turned out a web page while its list line asked for none is kept by the
// engines as the row's file (the window's re-download of web-page rows deals
// with it); for a script the document did not arrive.
// failures: why each failed row failed, by row id.
int finalStatus(const DownloadListModel &list, const std::vector<const NumberedListLine *> &rowLines,
                const QHash<quint64, QString> &failures)
{
    int status = ExitAllDone;
    for (int i = 0; i < list.count(); ++i) {
        const DownloadRow &row = list.at(i);
        const NumberedListLine &asked = *rowLines[size_t(i)];
        if (row.state != RowState::Done) {
            const auto failure = failures.constFind(list.idAt(i));
            if (row.state == RowState::Failed && failure != failures.constEnd())
                err(QStringLiteral("line %1: failed (%2)").arg(asked.number).arg(*failure));
            status = ExitNotAllDone;
        } else if (row.progressNote == RowNote::TooBig) {
            // Skipped, not fetched: no document arrived.
            err(QStringLiteral("line %1: skipped as too big (%2)").arg(asked.number).arg(RowNoteText(RowNote::TooBig)));
            status = ExitNotAllDone;
        } else if (IsWebPageType(row.type) && !IsWebPageType(asked.line.type)) {
            err(QStringLiteral("line %1: a web page came instead of the document").arg(asked.number));
            status = ExitNotAllDone;
        }
    }
    return status;
}

} // namespace

int runDownloadCommand(const QStringList &args)
{
    DownloadJob job;
    QString error;
    bool help = false;
    if (!parseDownloadJob(args, job, error, help)) {
        err(error);
        printHelpHint("download");
        return ExitUsage;
    }
    if (help) {
        std::fputs(kDownloadHelp, stdout);
        return ExitAllDone;
    }
    std::vector<NumberedListLine> entries;
    if (!readDownloadList(job, entries, error)) {
        err(error);
        return ExitUsage;
    }
    // All of the cookies file or nothing: a bad line stops the run before
    // any cookie is taken.
    CookiesFileResult cookies;
    if (!job.cookiesPath.isEmpty()) {
        cookies = ReadCookiesFile(job.cookiesPath);
        if (!cookies.error.isEmpty()) {
            if (cookies.errorLine > 0)
                err(QStringLiteral("%1:%2: %3").arg(job.cookiesPath).arg(cookies.errorLine).arg(cookies.error));
            else
                err(QStringLiteral("%1: %2").arg(job.cookiesPath, cookies.error));
            return ExitUsage;
        }
    }

    QNetworkAccessManager network;
    AddCookiesToJar(*network.cookieJar(), cookies.cookies);
    DownloadListModel list;
    std::vector<const NumberedListLine *> rowLines; // the list line of each row
    for (const NumberedListLine &entry : entries) {
        const ListLine &line = entry.line;
        if (list.addRow(line.address, line.name, line.type, line.folder, line.referrer))
            rowLines.push_back(&entry);
        else
            err(QStringLiteral("line %1: the address is listed already; skipped").arg(entry.number));
    }
    DownloadSession session(&list, &network);
    session.options() = job.options;
    DownloadScheduler scheduler(session);
    QHash<quint64, QString> failures;
    QObject::connect(&scheduler, &DownloadScheduler::rowFailed,
                     [&failures](quint64 id, const QString &reason) { failures.insert(id, reason); });

    ProgressReporter progress(list, ::isatty(STDERR_FILENO) == 1);
    QTimer progressTimer;
    progressTimer.setInterval(250);
    QObject::connect(&progressTimer, &QTimer::timeout, [&progress] { progress.update(); });
    progressTimer.start();

    // The run ends as soon as the last row has ended (no waiting for the
    // housekeeping tick to notice), or once a stop has let go of everything:
    // no slot loaded, the single connection idle, the tick off.
    QTimer quitTimer;
    quitTimer.setInterval(20);
    QObject::connect(&quitTimer, &QTimer::timeout, [&scheduler] {
        if (scheduler.allRowsEnded() || scheduler.downloadStopped())
            QCoreApplication::quit();
    });
    quitTimer.start();

    StopSignals stopSignals([&scheduler](int) { scheduler.stop(); });
    if (!stopSignals.watching())
        err(QStringLiteral("cannot watch for Ctrl-C; an interrupted run may leave partial files"));

    scheduler.startAtOnce();
    QCoreApplication::exec();

    stopSignals.release();
    progress.finish();
    printRows(list);

    if (stopSignals.received() != 0)
        return 128 + stopSignals.received();
    return finalStatus(list, rowLines, failures);
}
