#include "download/commands/DesktopLauncher.h"

#include "common/HttpAddress.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace {

bool openLocalFolder(const QString &folder)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

// Undoes the escapes a desktop-entry value may carry (\s \n \t \r \\).
QString unescapeValue(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != QLatin1Char('\\') || i + 1 >= value.size()) {
            out += c;
            continue;
        }
        const QChar e = value.at(++i);
        switch (e.unicode()) {
        case 's': out += QLatin1Char(' '); break;
        case 'n': out += QLatin1Char('\n'); break;
        case 't': out += QLatin1Char('\t'); break;
        case 'r': out += QLatin1Char('\r'); break;
        case '\\': out += QLatin1Char('\\'); break;
        default: out += c; out += e; break; // kept for the Exec quoting rules
        }
    }
    return out;
}

// Splits an Exec value into words: blanks separate, double quotes group, and
// inside quotes a backslash takes the next character literally.
QStringList splitExec(const QString &line)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (quoted) {
            if (c == QLatin1Char('\\') && i + 1 < line.size())
                word += line.at(++i);
            else if (c == QLatin1Char('"'))
                quoted = false;
            else
                word += c;
        } else if (c == QLatin1Char('"')) {
            quoted = inWord = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

struct DesktopEntry
{
    QString exec;
    bool terminal = false;
};

// The Exec and Terminal keys of the [Desktop Entry] group of an application
// id ("org.gnome.TextEditor.desktop"), looked up in the application folders.
DesktopEntry readDesktopEntry(const QString &id)
{
    QStringList candidates{id};
    const qsizetype dash = id.indexOf(QLatin1Char('-'));
    if (dash > 0) // "kde-foo.desktop" may live at "kde/foo.desktop"
        candidates.append(id.left(dash) + QLatin1Char('/') + id.mid(dash + 1));
    for (const QString &dir : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        for (const QString &name : std::as_const(candidates)) {
            QFile file(dir + QLatin1Char('/') + name);
            if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
                continue;
            DesktopEntry entry;
            bool inMain = false;
            while (!file.atEnd()) {
                const QString line = QString::fromUtf8(file.readLine()).trimmed();
                if (line.startsWith(QLatin1Char('['))) {
                    inMain = line == QLatin1String("[Desktop Entry]");
                    continue;
                }
                if (!inMain)
                    continue;
                if (line.startsWith(QLatin1String("Exec=")))
                    entry.exec = line.mid(5);
                else if (line.startsWith(QLatin1String("Terminal=")))
                    entry.terminal = line.mid(9).trimmed() == QLatin1String("true");
            }
            if (!entry.exec.isEmpty())
                return entry;
        }
    }
    return {};
}

// Starts the desktop's default application for a content type on the target;
// runs `fallback` when there is none or it cannot be started. The query runs
// asynchronously so that the window never waits for it.
void launchDefaultApplication(const QString &mimeType, const QString &target, const std::function<void()> &fallback)
{
    auto *query = new QProcess;
    auto settled = std::make_shared<bool>(false);
    auto finish = [query, settled, target, fallback](const QString &appId) {
        if (*settled)
            return;
        *settled = true;
        query->deleteLater();
        const DesktopEntry entry = appId.isEmpty() ? DesktopEntry() : readDesktopEntry(appId);
        QStringList args = SystemDesktopLauncher::ExecArguments(entry.exec, target);
        if (!args.isEmpty() && entry.terminal)
            args = QStringList{QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")} + args;
        if (args.isEmpty() || !QProcess::startDetached(args.first(), args.mid(1)))
            fallback();
    };
    QObject::connect(query, &QProcess::errorOccurred, query, [finish](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            finish(QString());
    });
    QObject::connect(query, &QProcess::finished, query, [query, finish](int code, QProcess::ExitStatus status) {
        const QString id = QString::fromUtf8(query->readAllStandardOutput()).trimmed();
        finish(status == QProcess::NormalExit && code == 0 ? id.section(QLatin1Char(';'), 0, 0) : QString());
    });
    QTimer::singleShot(10000, query, [query] { query->kill(); });
    query->start(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), mimeType});
}

} // namespace

bool SystemDesktopLauncher::openWithAssociatedProgram(const QString &file)
{
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(file)))
        return true;
    // The generic opener, for desktops that Qt does not recognise.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {file})
        || QProcess::startDetached(QStringLiteral("gio"), {QStringLiteral("open"), file});
}

bool SystemDesktopLauncher::openFolder(const QString &folder)
{
    return openLocalFolder(folder);
}

void SystemDesktopLauncher::openFolderSelecting(const QString &file, std::function<void(bool shown)> done)
{
    const QString folder = QFileInfo(file).absolutePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        done(openLocalFolder(folder));
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString()} << QString();
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder, done = std::move(done)](QDBusPendingCallWatcher *w) {
                         const bool shown = !w->isError() || openLocalFolder(folder);
                         w->deleteLater();
                         done(shown);
                     });
}

void SystemDesktopLauncher::openInTextEditor(const QString &file)
{
    launchDefaultApplication(QStringLiteral("text/plain"), file, [file] {
        const QStringList args = FallbackEditorArguments(
            qEnvironmentVariable("VISUAL"), qEnvironmentVariable("EDITOR"),
            [](const QString &program) { return QStandardPaths::findExecutable(program); }, file);
        if (!args.isEmpty())
            QProcess::startDetached(args.first(), args.mid(1));
    });
}

QStringList SystemDesktopLauncher::FallbackEditorArguments(const QString &visual, const QString &editor,
                                                           const std::function<QString(const QString &)> &findProgram,
                                                           const QString &file)
{
    static const QStringList graphical{
        QStringLiteral("gnome-text-editor"), QStringLiteral("gedit"),   QStringLiteral("kwrite"),
        QStringLiteral("kate"),              QStringLiteral("mousepad"), QStringLiteral("xed"),
        QStringLiteral("pluma"),             QStringLiteral("featherpad"), QStringLiteral("leafpad")};
    for (const QString &variable : {visual, editor}) {
        const QStringList words = splitExec(variable.trimmed());
        if (words.isEmpty())
            continue;
        const QString program = findProgram(words.first());
        if (program.isEmpty())
            continue;
        const QStringList command = QStringList{program} + words.mid(1) + QStringList{file};
        if (graphical.contains(QFileInfo(program).fileName()))
            return command;
        const QString terminal = findProgram(QStringLiteral("x-terminal-emulator"));
        return terminal.isEmpty() ? command : QStringList{terminal, QStringLiteral("-e")} + command;
    }
    for (const QString &name : graphical) {
        const QString program = findProgram(name);
        if (!program.isEmpty())
            return {program, file};
    }
    return {};
}

void SystemDesktopLauncher::openInWebBrowser(const QString &text)
{
    if (HasHttpScheme(text)) {
        QDesktopServices::openUrl(QUrl(text, QUrl::TolerantMode));
        return;
    }
    launchDefaultApplication(QStringLiteral("x-scheme-handler/http"), text, [text] {
        QDesktopServices::openUrl(QUrl::fromUserInput(text, QString(), QUrl::AssumeLocalFile));
    });
}

QStringList SystemDesktopLauncher::ExecArguments(const QString &execLine, const QString &target)
{
    QStringList out;
    bool targetPlaced = false;
    for (const QString &word : splitExec(unescapeValue(execLine))) {
        QString arg;
        bool hadCode = false;
        for (qsizetype i = 0; i < word.size(); ++i) {
            const QChar c = word.at(i);
            if (c != QLatin1Char('%') || i + 1 >= word.size()) {
                arg += c;
                continue;
            }
            const QChar code = word.at(++i);
            if (code == QLatin1Char('%')) {
                arg += QLatin1Char('%');
            } else if (QStringLiteral("fFuU").contains(code)) {
                arg += target;
                targetPlaced = true;
                hadCode = true;
            } else {
                hadCode = true; // icon, caption, location and deprecated codes: dropped
            }
        }
        if (!(hadCode && arg.isEmpty()))
            out.append(arg);
    }
    if (!out.isEmpty() && !targetPlaced && !target.isEmpty())
        out.append(target);
    return out;
}
