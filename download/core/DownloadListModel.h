#pragma once
// The download list: the download window's table of documents, one
// DownloadRow per line, in insertion order, unique by address. It is the one
// record the scheduler, the engines and the list commands share; views show
// it through the item-model interface (seven columns, a state icon per row).
//
// Indexes are 0-based rows of the model. Field changes made through modify()
// take effect at once; the views are told in batches (changed rows only, at
// most every 100 ms) so that six busy slots do not repaint the list per chunk.
#include "download/core/DownloadRow.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPixmap>
#include <QTimer>
#include <QVector>

#include <array>

class DownloadListModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColName = 0, ColType, ColSize, ColReceived, ColProgress, ColFolder, ColB, ColumnCount };
    enum Role {
        RawValueRole = Qt::UserRole + 1, // the field text as stored
        StateRole,                        // int(RowState)
        AddressRole,                      // the row's address
    };

    explicit DownloadListModel(QObject *parent = nullptr);

    // Captions "名称", "类型", "文件大小", "已下载数", "百分比", "保存路径", "B".
    static QString columnCaption(int column);

    int count() const { return int(m_rows.size()); }
    const DownloadRow &at(int index) const { return m_rows.at(index); }
    // Row index of an address (exact comparison), or -1. Constant time.
    int indexOfAddress(const QString &address) const;

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
            return false; // a slot may report for a row that was removed meanwhile
        DownloadRow &row = m_rows[index];
        const QString oldAddress = row.address;
        const RowState oldState = row.state;
        edit(row);
        bool ok = true;
        if (row.address != oldAddress)
            ok = reindexAddress(index, oldAddress);
        if (row.state != oldState)
            countStateChange(oldState, row.state);
        markChanged(index);
        return ok;
    }
    void setState(int index, RowState state);
    void clearTexts(int index); // size, received, progress emptied

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
    bool reindexAddress(int index, const QString &oldAddress);
    void markChanged(int index);
    void rebuildIndex(int from = 0);
    void countStateChange(RowState from, RowState to);
    QVariant stateIcon(RowState state) const;

    QVector<DownloadRow> m_rows;
    QHash<QString, int> m_byAddress;
    // Rows per state, indexed by int(RowState); kept as rows change so that
    // the once-a-second counter refresh does not walk the whole list.
    std::array<int, 5> m_stateCounts{};
    int m_dirtyFirst = -1;
    int m_dirtyLast = -1;
    QTimer m_flushTimer;
    mutable QVector<QPixmap> m_icons; // drawn on first use, one per state
};
