#include "app/cli/DownloadJob.h"

#include "app/cli/CliSupport.h"
#include "common/Paths.h"
#include "common/TextCodec.h"
#include "download/core/ListLine.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

const char kDownloadHelp[] =
    "usage: litharvest-cli download [--list FILE|-] [--folder DIR] [--method 1|2]\n"
    "           [--threads 1-6] [--interval S] [--duplicate 跳过|覆盖|重命名]\n"
    "           [--max-size MB] [--proxy HOST:PORT] [--referrer URL]\n"
    "           [--cookies FILE]\n"
    "\n"
    "Downloads the documents of a list with the download window's scheduler and\n"
    "engines, without windows. The list (a file, or standard input for \"-\",\n"
    "the default) holds one row per line:\n"
    "    address [TAB name [TAB type [TAB folder [TAB referrer]]]]\n"
    "as `litharvest-cli harvest` prints them. The address may hold up to three\n"
    "alternatives joined by \"|\" (the first is fetched). An empty name becomes\n"
    "the last segment of the address without its extension; an empty folder is\n"
    "--folder, a relative one lies inside it (one with a \"..\" is refused).\n"
    "Empty lines and lines starting with \"#\" are skipped. UTF-8, or GB18030\n"
    "when the bytes are not UTF-8; a line holds at most 64 KB.\n"
    "\n"
    "  --folder DIR       save folder (default: the current folder)\n"
    "  --method 1|2       1: one document at a time over one connection (with\n"
    "                     proxy); 2: parallel slots (default)\n"
    "  --threads N        parallel slots of method 2, 1 to 6 (default 3)\n"
    "  --interval S       seconds between the end of one download and the next\n"
    "                     start, 0 to 600 (default 0)\n"
    "  --duplicate MODE   when the file exists: 跳过 (skip), 覆盖 (overwrite) or\n"
    "                     重命名 (rename, default); skip/overwrite/rename work too\n"
    "  --max-size MB      larger documents are skipped as \"大文件，跳过\"\n"
    "                     (megabytes of 1024*1024 bytes, default 10)\n"
    "  --proxy HOST:PORT  HTTP proxy of method 1\n"
    "  --referrer URL     Referer for rows that name none (method 1)\n"
    "  --cookies FILE     cookies of a sign-in made elsewhere, in the Netscape\n"
    "                     cookies.txt format (as curl and wget read it); each\n"
    "                     cookie goes only to the host and path it names, the\n"
    "                     file is only read\n"
    "\n"
    "Progress goes to standard error. At the end every row is printed on\n"
    "standard output: name TAB type TAB size TAB received TAB progress TAB\n"
    "folder TAB state (Waiting, Downloading, Done or Failed).\n"
    "Exit status: 0 every row is Done with a document, 1 some row is not (a row\n"
    "skipped as \"大文件，跳过\" counts as not done, and so does one whose\n"
    "download turned out a web page, such as a sign-in or error page, unless\n"
    "its list line asked for htm, html or xml), 2 bad options, a bad list line\n"
    "or a bad cookies line, 130 (143) stopped by Ctrl-C (SIGTERM): running\n"
    "downloads are stopped, their rows Failed, and their partial files removed.\n";

namespace {

struct Options
{
    QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")}, QString()};
    QCommandLineOption list{QStringLiteral("list"), QString(), QStringLiteral("FILE")};
    QCommandLineOption folder{QStringLiteral("folder"), QString(), QStringLiteral("DIR")};
    QCommandLineOption method{QStringLiteral("method"), QString(), QStringLiteral("1|2")};
    QCommandLineOption threads{QStringLiteral("threads"), QString(), QStringLiteral("N")};
    QCommandLineOption interval{QStringLiteral("interval"), QString(), QStringLiteral("S")};
    QCommandLineOption duplicate{QStringLiteral("duplicate"), QString(), QStringLiteral("MODE")};
    QCommandLineOption maxSize{QStringLiteral("max-size"), QString(), QStringLiteral("MB")};
    QCommandLineOption proxy{QStringLiteral("proxy"), QString(), QStringLiteral("HOST:PORT")};
    QCommandLineOption referrer{QStringLiteral("referrer"), QString(), QStringLiteral("URL")};
    QCommandLineOption cookies{QStringLiteral("cookies"), QString(), QStringLiteral("FILE")};
};

// A whole number from low to high into `out`; an option not given leaves it.
bool readInt(const QCommandLineParser &parser, const QCommandLineOption &option, int low, int high, int &out,
             QString &error)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    const int value = parser.value(option).toInt(&ok);
    if (!ok || value < low || value > high) {
        error = QStringLiteral("--%1 wants a whole number from %2 to %3, not \"%4\"")
                    .arg(option.names().constFirst())
                    .arg(low)
                    .arg(high)
                    .arg(parser.value(option));
        return false;
    }
    out = value;
    return true;
}

bool readDuplicateMode(const QString &mode, DownloadOptions &options, QString &error)
{
    if (mode == u"跳过" || mode == u"skip")
        options.duplicateMode = DuplicateMode::Skip;
    else if (mode == u"覆盖" || mode == u"overwrite")
        options.duplicateMode = DuplicateMode::Overwrite;
    else if (mode == u"重命名" || mode == u"rename")
        options.duplicateMode = DuplicateMode::Rename;
    else {
        error = QStringLiteral("--duplicate wants 跳过, 覆盖 or 重命名, not \"%1\"").arg(mode);
        return false;
    }
    return true;
}

bool readMaxSize(const QString &value, DownloadOptions &options, QString &error)
{
    bool ok = false;
    const double mb = value.toDouble(&ok);
    if (!ok || !(mb > 0)) {
        error = QStringLiteral("--max-size wants a number of megabytes above 0, not \"%1\"").arg(value);
        return false;
    }
    options.maxFileSizeMB = mb;
    return true;
}

bool readProxy(const QString &value, DownloadOptions &options, QString &error)
{
    const qsizetype colon = value.lastIndexOf(u':');
    bool ok = false;
    const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port < 1 || port > 65535 || TrimSpaces(value.left(colon)).isEmpty()) {
        error = QStringLiteral("--proxy wants HOST:PORT, not \"%1\"").arg(value);
        return false;
    }
    // The slots of method 2 never go through the proxy; saying so beats a
    // run that quietly ignores it.
    if (options.method != DownloadMethod::SingleConnection) {
        error = QStringLiteral("--proxy works with --method 1 only");
        return false;
    }
    options.proxyEnabled = true;
    options.proxyUrl = value.left(colon);
    options.proxyPort = QString::number(port);
    return true;
}

bool readFolder(const QCommandLineParser &parser, const QCommandLineOption &option, DownloadJob &job, QString &error)
{
    const QString base = parser.isSet(option) ? parser.value(option) : QDir::currentPath();
    if (base.isEmpty()) {
        error = QStringLiteral("--folder wants a folder");
        return false;
    }
    const QString absolute = AbsoluteFilePath(base);
    const QFileInfo info(absolute);
    if (info.exists() && !info.isDir()) {
        error = QStringLiteral("--folder \"%1\" is not a folder").arg(base);
        return false;
    }
    job.folder = WithTrailingSlash(absolute);
    return true;
}

} // namespace

bool parseDownloadJob(const QStringList &args, DownloadJob &job, QString &error, bool &help)
{
    const Options o;
    QCommandLineParser parser;
    parser.addOptions({o.help, o.list, o.folder, o.method, o.threads, o.interval, o.duplicate, o.maxSize, o.proxy,
                       o.referrer, o.cookies});
    if (!parser.parse(args)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(o.help)) {
        help = true;
        return true;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().constFirst());
        return false;
    }
    // An option given twice would silently lose one of its values.
    for (const QString &name : parser.optionNames()) {
        if (parser.optionNames().count(name) > 1) {
            error = QStringLiteral("--%1 given more than once").arg(name);
            return false;
        }
    }

    DownloadOptions &options = job.options;
    int method = int(options.method);
    if (!readInt(parser, o.method, 1, 2, method, error)
        || !readInt(parser, o.threads, 1, 6, options.threadCount, error)
        || !readInt(parser, o.interval, 0, 600, options.intervalSeconds, error))
        return false;
    options.method = DownloadMethod(method);
    if (parser.isSet(o.duplicate) && !readDuplicateMode(parser.value(o.duplicate), options, error))
        return false;
    if (parser.isSet(o.maxSize) && !readMaxSize(parser.value(o.maxSize), options, error))
        return false;
    if (parser.isSet(o.proxy) && !readProxy(parser.value(o.proxy), options, error))
        return false;
    if (parser.isSet(o.referrer)) {
        job.referrer = parser.value(o.referrer);
        if (!IsListAddress(job.referrer)) {
            error = QStringLiteral("--referrer wants an http or https address, not \"%1\"").arg(job.referrer);
            return false;
        }
    }
    if (parser.isSet(o.list))
        job.listPath = parser.value(o.list);
    if (parser.isSet(o.cookies)) {
        job.cookiesPath = parser.value(o.cookies);
        if (job.cookiesPath.isEmpty()) {
            error = QStringLiteral("--cookies wants a file");
            return false;
        }
    }
    return readFolder(parser, o.folder, job, error);
}
