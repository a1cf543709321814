#pragma once
// Fills a row's progress columns from the texts the list shows, so that a
// test can write its fixture as the user would see it: "" nothing, "4096" a
// byte count, "57%" a percentage, a status word ("未知", "大文件，跳过", ...)
// its note. A text that is none of these fails the test.
#include "download/core/DownloadRow.h"

#include <QTest>

namespace RowTexts {

inline RowNote noteOf(const QString &text)
{
    for (int n = int(RowNote::UnknownSize); n <= int(RowNote::Missing); ++n) {
        if (RowNoteText(RowNote(n)) == text)
            return RowNote(n);
    }
    return RowNote::None;
}

inline bool number(const QString &text, qint64 &value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok && value >= 0;
}

// True when every text was understood.
inline bool Set(DownloadRow &row, const QString &size, const QString &received, const QString &progress)
{
    row.clearProgress();
    qint64 value = 0;
    bool ok = true;
    if (number(size, value))
        row.setSize(value);
    else if (!size.isEmpty())
        ok = (row.sizeNote = noteOf(size)) != RowNote::None && ok;
    if (number(received, value))
        row.received = value;
    else
        ok = received.isEmpty() && ok;
    if (progress.endsWith(QLatin1Char('%')) && number(progress.chopped(1), value))
        row.setPercent(value);
    else if (!progress.isEmpty())
        ok = (row.progressNote = noteOf(progress)) != RowNote::None && ok;
    return ok;
}

} // namespace RowTexts
