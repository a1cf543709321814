#include "app/cli/HarvestCommand.h"

#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/PageSource.h"
#include "harvest/core/ResultPageParser.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
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

const char kHelp[] =
    "usage: litharvest-cli harvest [--base URL] [--ref URL] [--folder DIR] [--keep-spaces] FILE|URL\n"
    "\n"
    "Extracts the results of a portal result page, a saved file or an http(s)\n"
    "address, with the rules of the harvesting window, and prints the items the\n"
    "analysis list would then hold (one per download address, in list order) as\n"
    "lines for `litharvest-cli download --list -`:\n"
    "    url TAB title TAB type TAB folder TAB referrer\n"
    "A tab, CR or LF inside a field is written as a space.\n"
    "\n"
    "  --base URL     the portal base address put in front of document paths.\n"
    "                 Default for an address: its scheme://host:port/. Default\n"
    "                 for a file: the root of the address the page says it was\n"
    "                 saved from (<base href> or a \"saved from url=\" comment),\n"
    "                 else of --ref when that is http(s); else --base is needed.\n"
    "  --ref URL      the address of the result page, written as each item's\n"
    "                 referrer. Default: the file's file:// address, or the\n"
    "                 address the page was finally fetched from.\n"
    "  --folder DIR   save folder of every item (made absolute, ends with \"/\");\n"
    "                 default empty: chosen when the items are downloaded.\n"
    "  --keep-spaces  keep the spaces inside titles (the window's\n"
    "                 \"删除标题中的空格\" unticked); by default every ASCII and\n"
    "                 full-width space is removed from titles.\n"
    "\n"
    "A file is read in the charset its byte-order mark or meta tag declares\n"
    "(UTF-8 when none; gbk/gb2312/gb18030 as GB18030); a page declared UTF-8\n"
    "whose bytes are not UTF-8 is read as GB18030. A fetched page also honours\n"
    "the charset of its Content-Type.\n"
    "\n"
    "Exit status: 0 done (also when the page holds no results), 1 the page\n"
    "could not be read or fetched (or answered an HTTP error), 2 bad options,\n"
    "3 the page is the portal's verification page (nothing is printed).\n";

void err(const QString &text)
{
    std::fputs(("harvest: " + text + u'\n').toUtf8().constData(), stderr);
}

void usageError(const QString &text)
{
    err(text);
    std::fputs("Try 'litharvest-cli harvest --help' for more information.\n", stderr);
}

QString field(QString text)
{
    for (QChar &c : text) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    }
    return text;
}

struct HarvestJob
{
    QString base;       // empty until known
    QString ref;        // empty: the page's own address
    QString folder;
    bool removeSpaces = true;
};

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
        out += (field(item.url) + u'\t' + field(item.title) + u'\t' + field(item.stype) + u'\t'
                + field(item.保存路径) + u'\t' + field(item.ref) + u'\n')
                   .toUtf8();
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

bool isHttpAddress(const QString &text)
{
    return text.startsWith(QStringLiteral("http://"), Qt::CaseInsensitive)
        || text.startsWith(QStringLiteral("https://"), Qt::CaseInsensitive);
}
} // namespace

int runHarvestCommand(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption base(QStringLiteral("base"), QString(), QStringLiteral("URL"));
    const QCommandLineOption ref(QStringLiteral("ref"), QString(), QStringLiteral("URL"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption keepSpaces(QStringLiteral("keep-spaces"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({base, ref, folder, keepSpaces, help});
    if (!parser.parse(args)) {
        usageError(parser.errorText());
        return ExitUsage;
    }
    if (parser.isSet(help)) {
        std::fputs(kHelp, stdout);
        return ExitOk;
    }
    const QStringList pages = parser.positionalArguments();
    if (pages.size() != 1) {
        usageError(pages.isEmpty() ? QStringLiteral("which page? give a FILE or URL")
                                   : QStringLiteral("one page at a time, got %1").arg(pages.size()));
        return ExitUsage;
    }
    for (const QCommandLineOption &single : {base, ref, folder}) {
        if (parser.values(single).size() > 1) {
            err(QStringLiteral("--%1 given more than once").arg(single.names().constFirst()));
            return ExitUsage;
        }
    }

    HarvestJob job;
    job.removeSpaces = !parser.isSet(keepSpaces);
    job.ref = parser.value(ref);
    if (parser.isSet(base)) {
        const QUrl url(parser.value(base));
        if (PortalRootOf(url).isEmpty()) {
            err(QStringLiteral("--base needs an http or https address, not \"%1\"").arg(parser.value(base)));
            return ExitUsage;
        }
        job.base = url.toString(QUrl::FullyEncoded);
        if (!job.base.endsWith(u'/'))
            job.base += u'/';
    }
    if (parser.isSet(folder) && !parser.value(folder).isEmpty()) {
        job.folder = QDir::cleanPath(QFileInfo(parser.value(folder)).absoluteFilePath());
        if (!job.folder.endsWith(u'/'))
            job.folder += u'/';
    }

    const QString page = pages.constFirst();
    if (isHttpAddress(page)) {
        const QUrl address(page);
        if (!address.isValid() || address.host().isEmpty()) {
            err(QStringLiteral("not a usable address: %1").arg(page));
            return ExitUsage;
        }
        return harvestUrl(job, address);
    }
    const QUrl fileUrl(page);
    return harvestFile(job, fileUrl.isLocalFile() ? fileUrl.toLocalFile() : page);
}
