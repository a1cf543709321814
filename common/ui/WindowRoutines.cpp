#include "common/ui/WindowRoutines.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTreeView>
#include <QWidget>

#include <algorithm>

namespace {

// The height a row needs to show a line of the list's text uncut: the
// font's line height or, when Chinese glyphs come from a taller fallback
// font, theirs.
int lineHeightPx(const QWidget *list)
{
    const QFontMetrics metrics(list->font());
    const int sample = metrics.boundingRect(QStringLiteral("知识图谱Ågjy")).height();
    return std::max(metrics.height(), sample);
}

void setRowHeight(QAbstractItemView *list, int height)
{
    height = std::max(height, lineHeightPx(list));
    if (auto *table = qobject_cast<QTableView *>(list)) {
        table->verticalHeader()->setMinimumSectionSize(1);
        table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        table->verticalHeader()->setDefaultSectionSize(height);
        return;
    }
    // Only the view's own stock delegate is replaced: a window that draws its
    // rows itself keeps its delegate and answers the height there.
    QAbstractItemDelegate *current = list->itemDelegate();
    if (auto *fixed = dynamic_cast<FixedRowHeightDelegate *>(current)) {
        fixed->setHeight(height);
    } else if (current && current->metaObject() == &QStyledItemDelegate::staticMetaObject) {
        list->setItemDelegate(new FixedRowHeightDelegate(height, list));
        if (current->parent() == list)
            current->deleteLater();
    }
    if (auto *tree = qobject_cast<QTreeView *>(list))
        tree->setUniformRowHeights(true);
    else if (auto *plain = qobject_cast<QListView *>(list))
        plain->setUniformItemSizes(true);
}

} // namespace

QSize FixedRowHeightDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(m_height);
    return size;
}

bool IsFormLoaded(const QString &name)
{
    if (name.isEmpty() || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *w : windows) {
        if (w->objectName().compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

void StripeListRows(QAbstractItemView *list, int rowHeightPx)
{
    if (!list)
        return;
    // The view paints the bands itself, row by row, so a band always covers
    // exactly one row, whatever the row height and scroll position.
    QPalette palette = list->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, QColor(231, 248, 237));
        palette.setColor(group, QPalette::AlternateBase, QColor(Qt::white));
    }
    list->setPalette(palette);
    list->setAlternatingRowColors(true);
    if (rowHeightPx > 0)
        setRowHeight(list, rowHeightPx);
}

QString ScreenResolutionText()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QSize size = screen ? screen->size() : QSize(0, 0);
    return QString::number(size.width()) + u'*' + QString::number(size.height());
}

QAction *AddMenuEntry(QMenu *menu, const QString &caption, const char *controlName)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(QString::fromUtf8(controlName));
    return action;
}
