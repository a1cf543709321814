#pragma once
// The small icon in front of each row's name in the download window's list:
// one per row state, drawn rather than shipped so that it needs no resource
// file. The list model only says the state (StateRole); the delegate put on
// the list view turns it into the icon.
#include "download/core/DownloadRow.h"

#include "common/ui/WindowRoutines.h"

#include <QPixmap>

// The icon of a state (grey clock, blue arrow, green tick, red cross), or a
// null pixmap for a value that is none of the four.
QPixmap DownloadStateIcon(RowState state);

// Draws the rows of the download list: the stock look with the state icon in
// the name column; StripeListRows sets the row height.
class DownloadStateIconDelegate final : public FixedRowHeightDelegate
{
    Q_OBJECT
public:
    DownloadStateIconDelegate(int rowHeight, QObject *parent) : FixedRowHeightDelegate(rowHeight, parent) {}

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
