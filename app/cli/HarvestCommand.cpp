#include "app/cli/HarvestCommand.h"

#include "app/cli/CliSupport.h"
#include "app/cli/HarvestJob.h"
#include "download/core/ListLine.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/PageSource.h"
#include "harvest/core/ResultPageParser.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <cstdio>
#include <memory>

namespace {
enum ExitStatus { ExitOk = 0, ExitNoPage = 1, ExitUsage = 2, ExitBlocked = 3 };

void err(const QString &text)
{
    printMessage("harvest", text);
}

int printPage(const HarvestJob &job, const QString &markup, const QString &pageAddress)
{
    AnalysisListModel list;
    const ResultPageAdded added = AddResultPage(list, markup, job.ref.isEmpty() ? pageAddress : job.ref, job.base,
                                                job.removeSpaces, job.folder);
    if (added.accessBlocked) {
        err(QStringLiteral("the portal shows its verification page (\"%1\"); nothing harvested")
                .arg(AccessBlockedNotice()));
        return ExitBlocked;
    }
    QByteArray out;
    for (int i = 0; i < list.count(); ++i) {
        const AnalysisItem &item = list.at(i);
        out += (FormatListLine({item.url, item.title, item.stype, item.保存路径, item.ref}) + u'\n').toUtf8();
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    if (list.count() == 0)
        err(QStringLiteral("no results on the page"));
    return ExitOk;
}

int harvestFile(HarvestJob job, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return ExitNoPage;
    }
    const QString markup = DecodePageBytes(file.readAll());
    const QString ownAddress = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded);
    if (job.base.isEmpty()) {
        job.base = PortalRootOf(SavedPageAddress(markup));
        if (job.base.isEmpty())
            job.base = PortalRootOf(QUrl(job.ref));
        if (job.base.isEmpty()) {
            err(QStringLiteral("%1 does not say which portal it came from; give --base URL").arg(path));
            return ExitUsage;
        }
    }
    return printPage(job, markup, ownAddress);
}

// Fetches the page on the application's own event loop (this is the whole
// program's main loop, not a nested one) and exits it with the status.
int harvestUrl(HarvestJob job, const QUrl &address)
{
    auto *manager = new QNetworkAccessManager(QCoreApplication::instance());
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(60000);
    QNetworkReply *reply = manager->get(request);
    QObject::connect(reply, &QNetworkReply::finished, manager, [job, reply]() mutable {
        reply->deleteLater();
        const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        const QUrl finalAddress = reply->url();
        if (http == 0) { // no answer at all
            err(QStringLiteral("cannot fetch %1: %2").arg(finalAddress.toString(), reply->errorString()));
            QCoreApplication::exit(ExitNoPage);
            return;
        }
        const QString markup = DecodePageBytes(
            reply->readAll(), CharsetFromContentType(reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()));
        if (job.base.isEmpty())
            job.base = PortalRootOf(finalAddress);
        if (http >= 400) {
            // An error page can still be the verification notice; anything
            // else must not pass for an empty result page.
            if (markup.contains(AccessBlockedNotice())) {
                QCoreApplication::exit(printPage(job, markup, finalAddress.toString(QUrl::FullyEncoded)));
                return;
            }
            err(QStringLiteral("%1 answered HTTP %2").arg(finalAddress.toString()).arg(http));
            QCoreApplication::exit(ExitNoPage);
            return;
        }
        QCoreApplication::exit(printPage(job, markup, finalAddress.toString(QUrl::FullyEncoded)));
    });
    return QCoreApplication::exec();
}

// A page argument starting with http:// or https:// is fetched; anything
// else is a file.
bool namesAnAddress(const QString &page)
{
    return page.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive)
        || page.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}
} // namespace

int runHarvestCommand(const QStringList &args)
{
    HarvestJob job;
    QString error;
    switch (parseHarvestJob(args, job, error)) {
    case HarvestParse::Ready:
        break;
    case HarvestParse::Help:
        std::fputs(kHarvestHelp, stdout);
        return ExitOk;
    case HarvestParse::Usage:
        err(error);
        printHelpHint("harvest");
        return ExitUsage;
    case HarvestParse::Refused:
        err(error);
        return ExitUsage;
    }

    if (namesAnAddress(job.page)) {
        const QUrl address(job.page);
        if (!address.isValid() || address.host().isEmpty()) {
            err(QStringLiteral("not a usable address: %1").arg(job.page));
            return ExitUsage;
        }
        return harvestUrl(job, address);
    }
    const QUrl fileUrl(job.page);
    return harvestFile(job, fileUrl.isLocalFile() ? fileUrl.toLocalFile() : job.page);
}
