#include "app/cli/HarvestCommand.h"

#include "app/cli/CliSupport.h"
#include "app/cli/HarvestJob.h"
#include "common/HttpAddress.h"
#include "common/TextCodec.h"
#include "download/core/ListLine.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/MarkupNesting.h"
#include "harvest/core/PageSource.h"
#include "harvest/core/ResultPageParser.h"
#include "harvest/flow/HandOver.h"
#include "harvest/flow/PortalAddress.h"

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

// Redirects followed before a chain counts as a loop.
constexpr int kMaxRedirects = 10;

void err(const QString &text)
{
    printMessage("harvest", text);
}

// A field as a message quotes it: short, one line, no terminal controls.
QString excerpt(const QString &text)
{
    return QuotedExcerpt(text);
}

QString addressText(const QUrl &address)
{
    return excerpt(address.toString());
}

// The portal base of a page from outside the browser: the configured portal
// base ("门户网址", with its path) when the page comes from that portal's
// scheme, host and port, else the page's scheme://host:port/.
QString portalBaseFor(const QUrl &page)
{
    const QString root = PortalRootOf(page);
    if (root.isEmpty())
        return root;
    const QString configured = PortalAddress::instance().base();
    const QUrl portal(configured);
    const auto portOf = [](const QUrl &url) { return url.port(url.scheme().toLower() == u"https" ? 443 : 80); };
    if (portal.host().compare(page.host(), Qt::CaseInsensitive) == 0 && portOf(portal) == portOf(page)
        && portal.scheme().compare(page.scheme(), Qt::CaseInsensitive) == 0)
        return configured;
    return root;
}

QString tooDeepMessage(const QString &what)
{
    return QStringLiteral("%1 nests its elements more than %2 levels deep, more than a result page can; "
                          "nothing harvested")
        .arg(what)
        .arg(kMaxElementNesting);
}

int printPage(const HarvestJob &job, const QString &markup, const QString &pageAddress, const QString &what)
{
    AnalysisListModel list;
    const ResultPageAdded added = AddResultPage(list, markup, job.ref.isEmpty() ? pageAddress : job.ref, job.base,
                                                job.removeSpaces, job.folder);
    if (added.accessBlocked) {
        err(QStringLiteral("the portal shows its verification page (\"%1\"); nothing harvested")
                .arg(AccessBlockedNotice()));
        return ExitBlocked;
    }
    if (added.tooDeep) {
        err(tooDeepMessage(what));
        return ExitNoPage;
    }
    QByteArray out;
    for (int i = 0; i < list.count(); ++i) {
        const AnalysisItem &item = list.at(i);
        const ListLine line{ListAddress(item.url), HandOverTitle(item.title), item.stype, item.保存路径, item.ref};
        out += (FormatListLine(line) + u'\n').toUtf8();
    }
    std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
    std::fflush(stdout);
    if (list.count() == 0)
        err(QStringLiteral("no results on the page"));
    return ExitOk;
}

QString tooBigMessage(const QString &what)
{
    return QStringLiteral("%1 is larger than %2 MB, more than a result page can be; nothing harvested")
        .arg(what)
        .arg(kHarvestPageLimit / (1024 * 1024));
}

int harvestFile(HarvestJob job, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err(QStringLiteral("cannot read %1: %2").arg(excerpt(path), file.errorString()));
        return ExitNoPage;
    }
    // One byte more than the limit tells a page at the limit from a bigger
    // one, also for a pipe or a device that never ends.
    const QByteArray bytes = file.read(kHarvestPageLimit + 1);
    if (bytes.size() > kHarvestPageLimit) {
        err(tooBigMessage(excerpt(path)));
        return ExitNoPage;
    }
    const QString markup = DecodePageBytes(bytes);
    // Before the page is asked where it came from: that question parses it.
    if (NestsDeeperThan(markup.toUtf8(), kMaxElementNesting)) {
        err(tooDeepMessage(excerpt(path)));
        return ExitNoPage;
    }
    const QUrl savedFrom = SavedPageAddress(markup);
    if (job.base.isEmpty()) {
        job.base = portalBaseFor(savedFrom);
        if (job.base.isEmpty())
            job.base = portalBaseFor(QUrl(job.ref));
        if (job.base.isEmpty()) {
            err(QStringLiteral("%1 does not say which portal it came from; give --base URL").arg(excerpt(path)));
            return ExitUsage;
        }
    }
    // The referrer a saved page stands for is the address it was saved
    // from; its own file:// address would tell the portal the user's folders.
    return printPage(job, markup, savedFrom.isValid() ? savedFrom.toString(QUrl::FullyEncoded) : QString(),
                     excerpt(path));
}

// A failure of the transfer itself (connection, time-out, redirect), as
// opposed to an HTTP error status the server answered with.
bool isTransferError(QNetworkReply::NetworkError error)
{
    return (error > QNetworkReply::NoError && error < QNetworkReply::ContentAccessDenied)
        || error == QNetworkReply::ProtocolUnknownError || error == QNetworkReply::ProtocolFailure;
}

// What went wrong with a finished reply, or empty when the page arrived
// whole with a success status. The only cancellation left to report here is
// the transfer time-out (a page too big is told before).
QString transferFault(QNetworkReply *reply, qint64 received, int timeoutSeconds)
{
    const QNetworkReply::NetworkError error = reply->error();
    if (error == QNetworkReply::OperationCanceledError)
        return QStringLiteral("no data for %1 s (the transfer time-out)").arg(timeoutSeconds);
    if (error == QNetworkReply::TooManyRedirectsError)
        return QStringLiteral("more than %1 redirects (a redirect loop?)").arg(kMaxRedirects);
    if (isTransferError(error))
        return QuotedExcerpt(reply->errorString(), 200);
    const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (http == 0)
        return QuotedExcerpt(reply->errorString(), 200);
    if (http >= 300 && http < 400) {
        const QString target = reply->header(QNetworkRequest::LocationHeader).toUrl().toString(QUrl::FullyEncoded);
        return target.isEmpty() ? QStringLiteral("HTTP %1 without a redirect target").arg(http)
                                : QStringLiteral("HTTP %1 to %2, a redirect that is not followed")
                                      .arg(http)
                                      .arg(excerpt(target));
    }
    // A body shorter than its Content-Length is a cut connection, whatever
    // the network layer made of it. (A compressed body is counted after
    // decompression, so its length says nothing then.)
    bool known = false;
    const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
    if (known && reply->rawHeader("Content-Encoding").isEmpty() && received < announced)
        return QStringLiteral("the connection ended after %1 of %2 bytes").arg(received).arg(announced);
    return QString();
}

// Fetches the page on the application's own event loop (this is the whole
// program's main loop, not a nested one) and exits it with the status.
int harvestUrl(HarvestJob job, const QUrl &address)
{
    auto *manager = new QNetworkAccessManager(QCoreApplication::instance());
    QNetworkRequest request(address);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setTransferTimeout(job.timeoutSeconds * 1000);
    QNetworkReply *reply = manager->get(request);
    auto body = std::make_shared<QByteArray>();
    auto tooBig = std::make_shared<bool>(false);
    const auto refuseIfTooBig = [reply, body, tooBig](qint64 size) {
        if (size <= kHarvestPageLimit || *tooBig)
            return;
        *tooBig = true;
        body->clear();
        reply->abort();
    };
    QObject::connect(reply, &QNetworkReply::metaDataChanged, manager, [reply, refuseIfTooBig]() {
        const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        bool known = false;
        const qint64 announced = reply->header(QNetworkRequest::ContentLengthHeader).toLongLong(&known);
        if (known && (http < 300 || http >= 400))
            refuseIfTooBig(announced);
    });
    QObject::connect(reply, &QNetworkReply::readyRead, manager, [reply, body, tooBig, refuseIfTooBig]() {
        if (*tooBig)
            return;
        body->append(reply->readAll());
        refuseIfTooBig(body->size());
    });
    QObject::connect(reply, &QNetworkReply::finished, manager, [job, reply, body, tooBig]() mutable {
        reply->deleteLater();
        const QUrl finalAddress = reply->url();
        if (*tooBig) {
            err(tooBigMessage(addressText(finalAddress)));
            QCoreApplication::exit(ExitNoPage);
            return;
        }
        body->append(reply->readAll());
        const int http = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (http >= 400 && !isTransferError(reply->error())) {
            // An error page can still be the verification notice; anything
            // else must not pass for an empty result page.
            const QString markup = DecodePageBytes(
                *body, CharsetFromContentType(reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()));
            if (markup.contains(AccessBlockedNotice())) {
                if (job.base.isEmpty())
                    job.base = portalBaseFor(finalAddress);
                QCoreApplication::exit(
                    printPage(job, markup, finalAddress.toString(QUrl::FullyEncoded), addressText(finalAddress)));
                return;
            }
            err(QStringLiteral("%1 answered HTTP %2").arg(addressText(finalAddress)).arg(http));
            QCoreApplication::exit(ExitNoPage);
            return;
        }
        const QString fault = transferFault(reply, body->size(), job.timeoutSeconds);
        if (!fault.isEmpty()) {
            err(QStringLiteral("cannot fetch %1: %2").arg(addressText(finalAddress), fault));
            QCoreApplication::exit(ExitNoPage);
            return;
        }
        const QString markup = DecodePageBytes(
            *body, CharsetFromContentType(reply->header(QNetworkRequest::ContentTypeHeader).toByteArray()));
        if (job.base.isEmpty())
            job.base = portalBaseFor(finalAddress);
        QCoreApplication::exit(
                    printPage(job, markup, finalAddress.toString(QUrl::FullyEncoded), addressText(finalAddress)));
    });
    const int status = QCoreApplication::exec();
    // Ends the transfer and its network thread before the program ends, so
    // nothing of it is left behind whatever way the run ended.
    delete manager;
    return status;
}

// A page argument starting with http:// or https:// is fetched; anything
// else is a file.
bool namesAnAddress(const QString &page)
{
    return HasHttpScheme(page);
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
            err(QStringLiteral("not a usable address: %1").arg(excerpt(job.page)));
            return ExitUsage;
        }
        return harvestUrl(job, address);
    }
    const QUrl fileUrl(job.page);
    return harvestFile(job, fileUrl.isLocalFile() ? fileUrl.toLocalFile() : job.page);
}
