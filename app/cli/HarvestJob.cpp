#include "app/cli/HarvestJob.h"

#include "app/cli/CliSupport.h"
#include "common/Paths.h"
#include "common/TextCodec.h"
#include "harvest/core/PageSource.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QUrl>

const char kHarvestHelp[] =
    "usage: litharvest-cli harvest [--base URL] [--ref URL] [--folder DIR] [--keep-spaces]\n"
    "                              [--timeout SECONDS] FILE|URL\n"
    "\n"
    "Extracts the results of a portal result page, a saved file or an http(s)\n"
    "address, with the rules of the harvesting window, and prints the items the\n"
    "analysis list would then hold (one per download address, in list order) as\n"
    "lines for `litharvest-cli download --list -`:\n"
    "    url TAB title TAB type TAB folder TAB referrer\n"
    "A title loses its line breaks and other control characters as in the\n"
    "window's hand-over (a tab becomes a space), so both name a document alike.\n"
    "The url is percent-encoded as a browser sends it (a space, \"|\" or \"<\" in\n"
    "a document path becomes %XX), so `download` reads it as this one address.\n"
    "A tab, CR or LF inside another field is written as a space.\n"
    "\n"
    "  --base URL     the portal base address put in front of document paths.\n"
    "                 Default: the configured portal address (the harvesting\n"
    "                 window's \"门户网址\") when the page comes from its host,\n"
    "                 else for an address its scheme://host:port/, for a file\n"
    "                 the root of the address the page says it was saved from\n"
    "                 (<base href> or a \"saved from url=\" comment), else of\n"
    "                 --ref when that is http(s); else --base is needed.\n"
    "  --ref URL      the address of the result page, written as each item's\n"
    "                 referrer. Default: the address the page was finally\n"
    "                 fetched from; for a file the http(s) address it says it\n"
    "                 was saved from, else none (never a file:// address).\n"
    "  --folder DIR   save folder of every item (made absolute, ends with \"/\");\n"
    "                 default empty: chosen when the items are downloaded.\n"
    "  --keep-spaces  keep the spaces inside titles (the window's\n"
    "                 \"删除标题中的空格\" unticked); by default every ASCII and\n"
    "                 full-width space is removed from titles.\n"
    "  --timeout SECONDS\n"
    "                 an address's transfer fails after this many seconds\n"
    "                 without data (default 60, from 1 to 3600).\n"
    "\n"
    "A file is read in the charset its byte-order mark or meta tag declares\n"
    "(UTF-8 when none; gbk/gb2312/gb18030 as GB18030); a page declared UTF-8\n"
    "whose bytes are not UTF-8 is read as GB18030. A fetched page also honours\n"
    "the charset of its Content-Type. A page, read or fetched, may hold at most\n"
    "32 MB; a bigger one is refused (exit 1), and so is a page that nests its\n"
    "elements more than 512 levels deep (a result page nests a few dozen).\n"
    "\n"
    "Exit status: 0 done (also when the page holds no results), 1 the page\n"
    "could not be read or fetched whole (a transfer error, a time-out, a\n"
    "redirect refused or not followed, a page over 32 MB or nested too deep,\n"
    "an HTTP error), with the reason on standard error, 2 bad options, 3 the\n"
    "page is the portal's verification page (nothing is printed).\n";

HarvestParse parseHarvestJob(const QStringList &args, HarvestJob &job, QString &error)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption base(QStringLiteral("base"), QString(), QStringLiteral("URL"));
    const QCommandLineOption ref(QStringLiteral("ref"), QString(), QStringLiteral("URL"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption keepSpaces(QStringLiteral("keep-spaces"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"));
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    parser.addOptions({base, ref, folder, keepSpaces, timeout, help});
    if (!parser.parse(args)) {
        error = parser.errorText();
        return HarvestParse::Usage;
    }
    if (parser.isSet(help))
        return HarvestParse::Help;
    const QStringList pages = parser.positionalArguments();
    if (pages.size() != 1) {
        error = pages.isEmpty() ? QStringLiteral("which page? give a FILE or URL")
                                : QStringLiteral("one page at a time, got %1").arg(pages.size());
        return HarvestParse::Usage;
    }
    for (const QCommandLineOption &single : {base, ref, folder, timeout}) {
        if (parser.values(single).size() > 1) {
            error = QStringLiteral("--%1 given more than once").arg(single.names().constFirst());
            return HarvestParse::Refused;
        }
    }

    job.page = pages.constFirst();
    job.removeSpaces = !parser.isSet(keepSpaces);
    job.ref = parser.value(ref);
    if (parser.isSet(base)) {
        const QUrl url(parser.value(base));
        if (PortalRootOf(url).isEmpty()) {
            error = QStringLiteral("--base needs an http or https address, not \"%1\"")
                        .arg(QuotedExcerpt(parser.value(base)));
            return HarvestParse::Refused;
        }
        job.base = url.toString(QUrl::FullyEncoded);
        if (!job.base.endsWith(u'/'))
            job.base += u'/';
    }
    if (parser.isSet(timeout)) {
        bool ok = false;
        const int seconds = parser.value(timeout).toInt(&ok);
        if (!ok || seconds < 1 || seconds > 3600) {
            error = QStringLiteral("--timeout needs whole seconds from 1 to 3600, not \"%1\"")
                        .arg(QuotedExcerpt(parser.value(timeout)));
            return HarvestParse::Refused;
        }
        job.timeoutSeconds = seconds;
    }
    if (parser.isSet(folder) && !parser.value(folder).isEmpty())
        job.folder = WithTrailingSlash(AbsoluteFilePath(parser.value(folder)));
    return HarvestParse::Ready;
}
