#include "common/ui/DialogRoutines.h"

#include "common/Paths.h"
#include "common/TextCodec.h"
#include "platform/DialogService.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QStyle>

namespace {

// Where the picker opens for a start text.
QString pickerStart(const QString &start)
{
    const QString home = WithTrailingSlash(QDir::homePath());
    // The home folder stands where a drive root was: a blank start opens
    // there itself, not at its parent.
    if (TrimSpaces(start).isEmpty())
        return home;
    QString s = start;
    const qsizetype cut = s.left(s.size() - 1).lastIndexOf(QLatin1Char('/'));
    if (cut >= 0)
        s = s.left(cut + 1);
    const QFileInfo info(s);
    if (info.isDir() && !info.isReadable())
        return start; // the listing fails: keep the start text
    if (!info.isDir() || QDir(s).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return home;
    return s;
}

} // namespace

QString BrowseForFolder(QWidget *owner, const QString &start, const QString &title, bool includeFiles)
{
    Q_UNUSED(owner) // the dialog service parents its pickers to the active window
    Q_UNUSED(includeFiles)
    const std::optional<QString> chosen = DialogService::instance().pickFolder(title, pickerStart(start));
    QString result = chosen.has_value() && !chosen->isEmpty() ? *chosen : start;
    if (TrimSpaces(result).isEmpty())
        return result; // a blank start that was cancelled stays blank, not "/"
    return WithTrailingSlash(result);
}

void FitComboDropDownWidth(QComboBox *combo)
{
    if (!combo)
        return;
    int longest = -1;
    for (int i = 0; i < combo->count(); ++i) {
        if (longest < 0 || combo->itemText(i).size() > combo->itemText(longest).size())
            longest = i;
    }
    int width = longest < 0 ? 0 : combo->fontMetrics().horizontalAdvance(combo->itemText(longest));
    width += 7;
    if (combo->count() >= 9)
        width += combo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, combo);
    if (const QScreen *screen = combo->screen()) {
        const int room = screen->geometry().right() + 1 - combo->mapToGlobal(QPoint(0, 0)).x();
        width = std::min(width, room);
    }
    combo->view()->setMinimumWidth(std::max(width, combo->width()));
}
