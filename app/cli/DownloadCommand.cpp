#include "app/cli/DownloadCommand.h"

#include "download/core/DownloadListModel.h"
#include "download/core/DownloadRow.h"
#include "download/core/DownloadSession.h"
#include "download/core/SaveNames.h"
#include "download/scheduler/DownloadScheduler.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>

#include <csignal>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

enum ExitStatus { ExitAllDone = 0, ExitNotAllDone = 1, ExitUsage = 2 };

const char kHelp[] =
    "usage: litharvest-cli download [--list FILE|-] [--folder DIR] [--method 1|2]\n"
    "           [--threads 1-6] [--interval S] [--duplicate 跳过|覆盖|重命名]\n"
    "           [--max-size MB] [--proxy HOST:PORT] [--referrer URL]\n"
    "\n"
    "Downloads the documents of a list with the download window's scheduler and\n"
    "engines, without windows. The list (a file, or standard input for \"-\",\n"
    "the default) holds one row per line:\n"
    "    address [TAB name [TAB type [TAB folder [TAB referrer]]]]\n"
    "as `litharvest-cli harvest` prints them. The address may hold up to three\n"
    "alternatives joined by \"|\" (the first is fetched). An empty name becomes\n"
    "the last segment of the address without its extension; an empty folder is\n"
    "--folder, a relative one lies inside it. Empty lines and lines starting\n"
    "with \"#\" are skipped. UTF-8, or GB18030 when the bytes are not UTF-8.\n"
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
    "\n"
    "Progress goes to standard error. At the end every row is printed on\n"
    "standard output: name TAB type TAB size TAB received TAB progress TAB\n"
    "folder TAB state (Waiting, Downloading, Done or Failed).\n"
    "Exit status: 0 every row is Done with a document, 1 some row is not (a row\n"
    "whose download turned out a web page, such as a sign-in or error page,\n"
    "counts as not done unless its list line asked for htm, html or xml), 2 bad\n"
    "options or a bad list line, 130 (143) stopped by Ctrl-C (SIGTERM): running\n"
    "downloads are stopped, their rows Failed, and their partial files removed.\n";

void err(const QString &text)
{
    std::fputs(("download: " + text + u'\n').toUtf8().constData(), stderr);
}

QString stateWord(RowState state)
{
    switch (state) {
    case RowState::Waiting: return QStringLiteral("Waiting");
    case RowState::Downloading: return QStringLiteral("Downloading");
    case RowState::Done: return QStringLiteral("Done");
    case RowState::Failed: return QStringLiteral("Failed");
    }
    return QString();
}

// Spaces only, as everywhere in the program; tabs separate the fields.
QString trimSpaces(const QString &text)
{
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == u' ')
        ++from;
    while (to > from && text.at(to - 1) == u' ')
        --to;
    return text.mid(from, to - from);
}

bool isWebPageType(const QString &type)
{
    const QString t = type.toLower();
    return t == u"htm" || t == u"html" || t == u"xml";
}

bool isHttpAddress(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty();
}

QString folderWithSlash(const QString &path)
{
    QString folder = QDir::cleanPath(path);
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

struct Job
{
    QString listPath = QStringLiteral("-");
    QString folder; // absolute, ends with "/"
    DownloadOptions options;
    QString referrer;
};

struct ListEntry
{
    int line = 0;
    QString address, name, type, folder, referrer;
};

// Reads the options into `job`; false with a message for the user otherwise.
bool parseOptions(const QStringList &args, Job &job, QString &error, bool &help)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption list(QStringLiteral("list"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("DIR"));
    const QCommandLineOption method(QStringLiteral("method"), QString(), QStringLiteral("1|2"));
    const QCommandLineOption threads(QStringLiteral("threads"), QString(), QStringLiteral("N"));
    const QCommandLineOption interval(QStringLiteral("interval"), QString(), QStringLiteral("S"));
    const QCommandLineOption duplicate(QStringLiteral("duplicate"), QString(), QStringLiteral("MODE"));
    const QCommandLineOption maxSize(QStringLiteral("max-size"), QString(), QStringLiteral("MB"));
    const QCommandLineOption proxy(QStringLiteral("proxy"), QString(), QStringLiteral("HOST:PORT"));
    const QCommandLineOption referrer(QStringLiteral("referrer"), QString(), QStringLiteral("URL"));
    parser.addOptions({helpOption, list, folder, method, threads, interval, duplicate, maxSize, proxy, referrer});
    if (!parser.parse(args)) {
        error = parser.errorText();
        return false;
    }
    if (parser.isSet(helpOption)) {
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

    const auto intValue = [&parser, &error](const QCommandLineOption &option, int low, int high, int &out) {
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
    };
    DownloadOptions &options = job.options;
    int methodNumber = int(options.method);
    if (!intValue(method, 1, 2, methodNumber) || !intValue(threads, 1, 6, options.threadCount)
        || !intValue(interval, 0, 600, options.intervalSeconds))
        return false;
    options.method = DownloadMethod(methodNumber);

    if (parser.isSet(duplicate)) {
        const QString mode = parser.value(duplicate);
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
    }
    if (parser.isSet(maxSize)) {
        bool ok = false;
        const double mb = parser.value(maxSize).toDouble(&ok);
        if (!ok || !(mb > 0)) {
            error = QStringLiteral("--max-size wants a number of megabytes above 0, not \"%1\"")
                        .arg(parser.value(maxSize));
            return false;
        }
        options.maxFileSizeMB = mb;
    }
    if (parser.isSet(proxy)) {
        const QString value = parser.value(proxy);
        const qsizetype colon = value.lastIndexOf(u':');
        bool ok = false;
        const int port = colon > 0 ? value.mid(colon + 1).toInt(&ok) : 0;
        if (!ok || port < 1 || port > 65535 || trimSpaces(value.left(colon)).isEmpty()) {
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
    }
    if (parser.isSet(referrer)) {
        job.referrer = parser.value(referrer);
        if (!isHttpAddress(job.referrer)) {
            error = QStringLiteral("--referrer wants an http or https address, not \"%1\"").arg(job.referrer);
            return false;
        }
    }
    if (parser.isSet(list))
        job.listPath = parser.value(list);
    const QString base = parser.isSet(folder) ? parser.value(folder) : QDir::currentPath();
    if (base.isEmpty()) {
        error = QStringLiteral("--folder wants a folder");
        return false;
    }
    const QFileInfo info(base);
    if (info.exists() && !info.isDir()) {
        error = QStringLiteral("--folder \"%1\" is not a folder").arg(base);
        return false;
    }
    job.folder = folderWithSlash(info.absoluteFilePath());
    return true;
}

QString decodeList(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (utf8.hasError()) {
        QStringDecoder gbk("GB18030");
        text = gbk(bytes);
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// One list line into an entry; false with a message naming the fault.
bool parseLine(const QString &line, const Job &job, ListEntry &entry, QString &error)
{
    const QStringList fields = line.split(u'\t');
    if (fields.size() > 5) {
        error = QStringLiteral("%1 fields; a row has at most 5 (address, name, type, folder, referrer)")
                    .arg(fields.size());
        return false;
    }
    const auto field = [&fields](int i) { return i < fields.size() ? trimSpaces(fields.at(i)) : QString(); };

    entry.address = field(0);
    const QStringList alternatives = entry.address.split(u'|');
    if (entry.address.isEmpty() || alternatives.size() > 3) {
        error = entry.address.isEmpty() ? QStringLiteral("no address")
                                        : QStringLiteral("more than three alternatives in the address");
        return false;
    }
    for (const QString &alternative : alternatives) {
        if (!isHttpAddress(alternative)) {
            error = QStringLiteral("\"%1\" is not an http or https address").arg(alternative);
            return false;
        }
    }

    entry.type = field(2);
    if (entry.type.startsWith(u'.'))
        entry.type.remove(0, 1);
    // The type ends up in a file name: nothing but letters and digits, so a
    // list line can never steer a file out of its folder.
    static const QRegularExpression typePattern(QStringLiteral("^[A-Za-z0-9]{0,10}$"));
    if (!typePattern.match(entry.type).hasMatch()) {
        error = QStringLiteral("type \"%1\" is not an extension (letters and digits, at most 10)").arg(entry.type);
        return false;
    }

    entry.name = field(1);
    if (entry.name.isEmpty())
        entry.name = NameFromUrl(选择url(entry.address), true);
    if (SanitizeFileName(entry.name).isEmpty())
        entry.name = QStringLiteral("download");

    const QString folder = field(3);
    entry.folder = folder.isEmpty() ? job.folder : folderWithSlash(QDir(job.folder).absoluteFilePath(folder));

    entry.referrer = field(4);
    if (entry.referrer.isEmpty())
        entry.referrer = job.referrer;
    return true;
}

bool readList(const Job &job, std::vector<ListEntry> &entries, QString &error)
{
    QFile file;
    bool opened = false;
    if (job.listPath == u"-") {
        if (::isatty(STDIN_FILENO) == 1)
            err(QStringLiteral("reading the list from the terminal; end it with Ctrl-D"));
        opened = file.open(stdin, QIODevice::ReadOnly);
    } else {
        file.setFileName(job.listPath);
        opened = file.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        error = QStringLiteral("cannot read the list \"%1\": %2").arg(job.listPath, file.errorString());
        return false;
    }
    const QStringList lines = decodeList(file.readAll()).split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (line.trimmed().isEmpty() || line.startsWith(u'#'))
            continue;
        ListEntry entry;
        entry.line = i + 1;
        if (!parseLine(line, job, entry, error)) {
            error = QStringLiteral("%1 line %2: %3").arg(job.listPath).arg(i + 1).arg(error);
            return false;
        }
        entries.push_back(entry);
    }
    return true;
}

int terminalColumns()
{
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 10)
        return size.ws_col;
    return 80;
}

// Cuts a line to the terminal width, counting CJK characters as two
// columns, so that no live line wraps and the redraw stays in place.
QString fitColumns(const QString &text, int columns)
{
    int used = 0;
    QString out;
    for (const QChar c : text) {
        const int width = c.unicode() >= 0x1100 ? 2 : 1;
        if (used + width > columns - 1)
            break;
        used += width;
        out += c;
    }
    return out;
}

// Shows the rows' progress on standard error: on a terminal a live line per
// downloading row, redrawn in place, with a lasting line per finished row
// above them; elsewhere one line when a row starts and one when it ends.
class ProgressReporter final
{
public:
    ProgressReporter(const DownloadListModel &list, bool terminal)
        : m_list(list)
        , m_terminal(terminal)
        , m_seen(size_t(list.count()), RowState::Waiting)
    {
    }

    void update()
    {
        QString lasting;
        QStringList live;
        const int columns = m_terminal ? terminalColumns() : 0;
        for (int i = 0; i < m_list.count(); ++i) {
            const RowState state = m_list.at(i).state;
            if (state != m_seen[size_t(i)]) {
                const bool ended = state == RowState::Done || state == RowState::Failed;
                if (ended || (!m_terminal && state == RowState::Downloading))
                    lasting += lineFor(i) + u'\n';
                m_seen[size_t(i)] = state;
            }
            if (m_terminal && state == RowState::Downloading)
                live << fitColumns(lineFor(i), columns);
        }
        if (!m_terminal) {
            write(lasting);
            return;
        }
        if (lasting.isEmpty() && live == m_live)
            return; // an unchanged picture is not drawn again
        QString out = eraseLive() + lasting;
        for (const QString &line : std::as_const(live))
            out += line + u'\n';
        m_live = live;
        write(out);
    }

    // Leaves only the lasting lines on the terminal.
    void finish()
    {
        update();
        write(eraseLive());
        m_live.clear();
    }

private:
    QString lineFor(int i) const
    {
        const DownloadRow &row = m_list.at(i);
        // "50000/100000", or the status word beside the count ("0 下载失败").
        const QString size = SizeText(row);
        QString bytes = ReceivedText(row);
        if (!size.isEmpty())
            bytes += (row.size >= 0 ? u'/' : u' ') + size;
        const QString file = row.type.isEmpty() ? row.name : row.name + u'.' + row.type;
        return QStringLiteral("[%1/%2] %3 %4 %5 %6")
            .arg(i + 1)
            .arg(m_list.count())
            .arg(stateWord(row.state), -11)
            .arg(ProgressText(row), bytes, file);
    }

    // Back to the first live line, everything below it cleared.
    QString eraseLive() const
    {
        return m_live.isEmpty() ? QString() : QStringLiteral("\x1b[%1A\r\x1b[J").arg(m_live.size());
    }

    static void write(const QString &text)
    {
        if (text.isEmpty())
            return;
        std::fputs(text.toUtf8().constData(), stderr);
        std::fflush(stderr);
    }

    const DownloadListModel &m_list;
    bool m_terminal;
    std::vector<RowState> m_seen;
    QStringList m_live; // the live lines on the terminal now
};

// Turns SIGINT and SIGTERM into a notification on the event loop: the
// handler only writes the signal number into a pipe.
int g_signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int signalNumber)
{
    const auto byte = static_cast<unsigned char>(signalNumber);
    const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    (void)written;
}

bool installStopSignals()
{
    if (::pipe(g_signalPipe) != 0)
        return false;
    for (int fd : g_signalPipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // A second Ctrl-C ends the program the ordinary way.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    return true;
}

void restoreStopSignals()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    for (int &fd : g_signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void printRows(const DownloadListModel &list)
{
    QString out;
    for (int i = 0; i < list.count(); ++i) {
        const DownloadRow &row = list.at(i);
        out += QStringList{row.name, row.type, SizeText(row), ReceivedText(row), ProgressText(row), row.folder,
                           stateWord(row.state)}
                   .join(u'\t')
            + u'\n';
    }
    std::fputs(out.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace

int runDownloadCommand(const QStringList &args)
{
    Job job;
    QString error;
    bool help = false;
    if (!parseOptions(args, job, error, help)) {
        err(error);
        err(QStringLiteral("see litharvest-cli download --help"));
        return ExitUsage;
    }
    if (help) {
        std::fputs(kHelp, stdout);
        return ExitAllDone;
    }
    std::vector<ListEntry> entries;
    if (!readList(job, entries, error)) {
        err(error);
        return ExitUsage;
    }

    QNetworkAccessManager network;
    DownloadListModel list;
    std::vector<const ListEntry *> rowEntries; // the list line of each row
    for (const ListEntry &entry : entries) {
        if (list.addRow(entry.address, entry.name, entry.type, entry.folder, entry.referrer))
            rowEntries.push_back(&entry);
        else
            err(QStringLiteral("line %1: the address is listed already; skipped").arg(entry.line));
    }
    DownloadSession session(&list, &network);
    session.options() = job.options;
    DownloadScheduler scheduler(session);

    ProgressReporter progress(list, ::isatty(STDERR_FILENO) == 1);
    QTimer progressTimer;
    progressTimer.setInterval(250);
    QObject::connect(&progressTimer, &QTimer::timeout, [&progress] { progress.update(); });
    progressTimer.start();

    int stopSignal = 0;
    // The run ends once the scheduler has let go of everything: no slot
    // loaded, the single connection idle, the tick off.
    QTimer quitTimer;
    quitTimer.setInterval(50);
    QObject::connect(&quitTimer, &QTimer::timeout, [&scheduler] {
        if (scheduler.downloadStopped())
            QCoreApplication::quit();
    });
    QObject::connect(&scheduler, &DownloadScheduler::schedulerTickChanged, [&list, &quitTimer](bool on) {
        if (!on && list.检测是否下载列表完毕())
            quitTimer.start();
    });

    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (installStopSignals()) {
        signalNotifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, [&] {
            unsigned char byte = 0;
            if (::read(g_signalPipe[0], &byte, 1) != 1 || stopSignal != 0)
                return;
            stopSignal = byte;
            scheduler.stop();
            quitTimer.start();
        });
    } else {
        err(QStringLiteral("cannot watch for Ctrl-C; an interrupted run may leave partial files"));
    }

    scheduler.start();
    QCoreApplication::exec();

    signalNotifier.reset();
    restoreStopSignals();
    progress.finish();
    printRows(list);

    if (stopSignal != 0)
        return 128 + stopSignal;
    int status = ExitAllDone;
    for (int i = 0; i < list.count(); ++i) {
        const DownloadRow &row = list.at(i);
        if (row.state != RowState::Done) {
            status = ExitNotAllDone;
        } else if (isWebPageType(row.type) && !isWebPageType(rowEntries[size_t(i)]->type)) {
            // The engines keep such a page as the row's file (the window's
            // re-download of web-page rows deals with it); for a script the
            // document did not arrive.
            err(QStringLiteral("line %1: a web page came instead of the document").arg(rowEntries[size_t(i)]->line));
            status = ExitNotAllDone;
        }
    }
    return status;
}
