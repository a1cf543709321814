#include "common/ui/ListViewRoutines.h"

#include "common/ui/WindowRoutines.h"

#include <QAbstractItemModel>
#include <QHeaderView>
#include <QTreeView>

#include <algorithm>

void SetColumnWidth(QTreeView *list, int column, int code)
{
    if (!list || !list->model() || !list->header())
        return;
    const int columns = list->model()->columnCount(list->rootIndex());
    if (column < 1 || column > columns)
        return;
    const int c = column - 1;
    if (code > 0) {
        list->header()->resizeSection(c, code);
    } else if (code == -1) {
        // The tree's own contents hint; public through the item-view base.
        const QAbstractItemView *view = list;
        list->header()->resizeSection(c, std::max(view->sizeHintForColumn(c), list->header()->minimumSectionSize()));
    } else if (code == -2) {
        list->resizeColumnToContents(c);
    }
}

void AutoSizeAllColumns(QTreeView *list, int code)
{
    if (!list || !list->model())
        return;
    const int columns = list->model()->columnCount(list->rootIndex());
    for (int column = 1; column <= columns; ++column)
        SetColumnWidth(list, column, code);
}

void FitDownloadListColumns(QTreeView *list)
{
    AutoSizeAllColumns(list, -2);
    StripeListRows(list, 17);
}
