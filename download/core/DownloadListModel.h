#pragma once
// The download list: the download window's table of documents, one
// DownloadRow per line, in insertion order, unique by address. It is the one
// record the scheduler, the engines and the list commands share; views show
// it through the item-model interface (seven columns; the window draws a
// state icon per row from StateRole).
//
// Indexes are 0-based rows of the model. Every row also has a stable id
// (idAt, indexOfId) that the scheduler and the engines hold while a row
// downloads, so that sorting or removing rows meanwhile cannot send a
// transfer's report into another row. Field changes made through modify()
// take effect at once; the views are told in batches (changed rows only, at
// most every 100 ms) so that six busy slots do not repaint the list per chunk.
#include "common/KeyedRows.h"
#include "download/core/DownloadRow.h"

#include <QAbstractTableModel>
#include <QTimer>
#include <QVector>

#include <array>

class DownloadListModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    using RowId = quint64;
    enum Column { ColName = 0, ColType, ColSize, ColReceived, ColProgress, ColFolder, ColB, ColumnCount };
    enum Role {
        RawValueRole = Qt::UserRole + 1, // the cell's text (as DisplayRole)
        StateRole,                        // int(RowState)
        AddressRole,                      // the row's address
    };

    explicit DownloadListModel(QObject *parent = nullptr);

    // Captions "名称", "类型", "文件大小", "已下载数", "百分比", "保存路径", "B".
    static QString columnCaption(int column);
    // The text a row shows in a column: the one place the list view, the
    // export and the command-line tool take cell texts from.
    static QString cellText(const DownloadRow &row, int column);

    int count() const { return m_rows.count(); }
    const DownloadRow &at(int index) const { return m_rows.at(index); }
    // Row index of an address (exact comparison), or -1. Constant time.
    int indexOfAddress(const QString &address) const { return m_rows.indexOf(address); }
    RowId idAt(int index) const { return m_rows.idAt(index); }
    // Row index of an id, or -1 when the row has been removed.
    int indexOfId(RowId id) const { return m_rows.indexOfId(id); }

    // Appends a Waiting row with size, received and progress empty.
    // Returns false (and changes nothing) when the address is already listed.
    bool addRow(const QString &address, const QString &name, const QString &type, const QString &folder,
                const QString &referrer);

    // Changes row `index` in place; the address index follows a changed
    // address. Returns false when the new address collides with another row
    // (the row then keeps its old address, other edits stay) and when there
    // is no row `index` (nothing happens then).
    template<typename F>
    bool modify(int index, F &&edit)
    {
        if (index < 0 || index >= count())
            return false;
        DownloadRow &row = m_rows.edit(index);
        const QString oldAddress = row.address;
        const RowState oldState = row.state;
        edit(row);
        bool ok = true;
        if (row.address != oldAddress)
            ok = m_rows.rekey(index, oldAddress);
        if (row.state != oldState)
            countStateChange(oldState, row.state);
        markChanged(index);
        return ok;
    }
    void setState(int index, RowState state);
    void clearTexts(int index); // size, received, progress emptied

    // The re-download reset of one row: its file deleted, Waiting, type
    // "htm"/"html" (every type when everyTypeToXxx) becomes "xxx", the
    // progress columns emptied, the file under the new type deleted too, and
    // the address alternatives rotated with 对调url (a rotated address another
    // row already holds keeps the old order).
    void resetForRedownload(int index, bool everyTypeToXxx);

    // Removes the rows (any order, duplicates ignored).
    void removeRowsAt(QVector<int> indices);
    void clear();
    // Puts the rows into the given order: newOrder[i] is the old index of the
    // row that ends at position i. Used by sorting and shuffling.
    void reorder(const QVector<int> &newOrder);

    // Rows whose size, received and progress are all empty; a row re-queued
    // with "等待重新下载" is not among them although it will be started.
    int 统计未下载项数目() const;
    // True when the list is empty or every row is Done or Failed.
    bool 检测是否下载列表完毕() const;
    // Rows that failed or are web pages (type "htm"/"html" in any case: the
    // server sent a login or error page instead of the document); a row that
    // is both counts once. The stop rule and the re-download commands use it.
    int CountErrorAndPageRows() const;
    int countInState(RowState state) const;
    // "总数:N 正在下载:N 等待:N 已完成:N 失败:N"
    QString counterText() const;

    // Tells the views about every pending change now.
    void flushChanges();

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct RemovalHooks;
    void markChanged(int index);
    void countStateChange(RowState from, RowState to);

    KeyedRows<DownloadRow, &DownloadRow::address> m_rows;
    // Rows per state, indexed by int(RowState); kept as rows change so that
    // the once-a-second counter refresh does not walk the whole list.
    std::array<int, 5> m_stateCounts{};
    DirtyRows m_dirty;
    QTimer m_flushTimer;
};
