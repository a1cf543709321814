#pragma once
// Small user-interface routines shared by the download window, the harvesting
// window, the options dialog and the start-up code.
#include <QString>
#include <QStyledItemDelegate>

class QAbstractItemView;
class QAction;
class QMenu;

// True while a top-level window whose objectName equals name (letter case
// ignored) exists; shown or hidden does not matter. Never creates a window.
bool IsFormLoaded(const QString &name);

// Pale green (231, 248, 237) behind the first row, white behind the second,
// and so on, one band per row; sets the rows to rowHeightPx pixels where the
// view allows it (table views, and views that use the stock delegate or a
// FixedRowHeightDelegate), or taller when the list's font needs more to show a
// line of text uncut.
void StripeListRows(QAbstractItemView *list, int rowHeightPx);

// The stock delegate with every row made the same height; StripeListRows
// sets the height. A list that decorates its cells derives from it.
class FixedRowHeightDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    FixedRowHeightDelegate(int height, QObject *parent) : QStyledItemDelegate(parent), m_height(height) {}
    void setHeight(int height) { m_height = height; }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    int m_height;
};

// The primary screen's size as "width*height", e.g. "1920*1080".
QString ScreenResolutionText();

// Adds a menu entry whose objectName is its control name (menus are found
// and tested by those names).
QAction *AddMenuEntry(QMenu *menu, const QString &caption, const char *controlName);
