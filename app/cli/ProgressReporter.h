#pragma once
// What "litharvest-cli download" shows of its rows: their progress on
// standard error while the run goes on, and every row on standard output at
// the end.
#include "download/core/DownloadRow.h"

#include <QStringList>

#include <vector>

class DownloadListModel;

// On a terminal a live line per downloading row, redrawn in place, with a
// lasting line per finished row above them; elsewhere one line when a row
// starts and one when it ends.
class ProgressReporter final
{
public:
    ProgressReporter(const DownloadListModel &list, bool terminal);

    // Shows what changed since the last call.
    void update();
    // Leaves only the lasting lines on the terminal.
    void finish();

private:
    QString lineFor(int i) const;
    QString eraseLive() const;

    const DownloadListModel &m_list;
    bool m_terminal;
    std::vector<RowState> m_seen;
    QStringList m_live; // the live lines on the terminal now
};

// Every row as "name TAB type TAB size TAB received TAB progress TAB folder
// TAB state" on standard output.
void printRows(const DownloadListModel &list);
