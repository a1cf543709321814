#include "app/cli/ProgressReporter.h"

#include "download/core/DownloadListModel.h"

#include <cstdio>
#include <utility>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

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

void writeError(const QString &text)
{
    if (text.isEmpty())
        return;
    std::fputs(text.toUtf8().constData(), stderr);
    std::fflush(stderr);
}

} // namespace

ProgressReporter::ProgressReporter(const DownloadListModel &list, bool terminal)
    : m_list(list)
    , m_terminal(terminal)
    , m_seen(size_t(list.count()), RowState::Waiting)
{
}

void ProgressReporter::update()
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
        writeError(lasting);
        return;
    }
    if (lasting.isEmpty() && live == m_live)
        return; // an unchanged picture is not drawn again
    QString out = eraseLive() + lasting;
    for (const QString &line : std::as_const(live))
        out += line + u'\n';
    m_live = live;
    writeError(out);
}

void ProgressReporter::finish()
{
    update();
    writeError(eraseLive());
    m_live.clear();
}

QString ProgressReporter::lineFor(int i) const
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
QString ProgressReporter::eraseLive() const
{
    return m_live.isEmpty() ? QString() : QStringLiteral("\x1b[%1A\r\x1b[J").arg(m_live.size());
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
