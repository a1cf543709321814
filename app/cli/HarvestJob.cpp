#include "app/cli/HarvestJob.h"

#include "app/cli/CliSupport.h"
#include "harvest/core/PageSource.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

const char kHarvestHelp[] =
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

HarvestParse parseHarvestJob(const QStringList &args, HarvestJob &job, QString &error)
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
    for (const QCommandLineOption &single : {base, ref, folder}) {
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
            error = QStringLiteral("--base needs an http or https address, not \"%1\"").arg(parser.value(base));
            return HarvestParse::Refused;
        }
        job.base = url.toString(QUrl::FullyEncoded);
        if (!job.base.endsWith(u'/'))
            job.base += u'/';
    }
    if (parser.isSet(folder) && !parser.value(folder).isEmpty())
        job.folder = folderWithSlash(QFileInfo(parser.value(folder)).absoluteFilePath());
    return HarvestParse::Ready;
}
