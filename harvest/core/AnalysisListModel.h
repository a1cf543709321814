#pragma once
// The analysis list of the harvesting window: harvested results in insertion
// order (never sorted), unique by download address. Extraction fills it
// through 加入LV1, the analysis commands mark items, the clearing commands
// remove them; the window's list view shows it through the item-model
// interface (five columns, titles not editable).
//
// Indexes are 0-based rows of the model.
#include "common/KeyedRows.h"
#include "harvest/core/AnalysisItem.h"

#include <QAbstractTableModel>
#include <QVector>

#include <functional>

class AnalysisListModel final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { ColTitle = 0, ColType, ColStatus, ColFolder, ColSiteType, ColumnCount };
    enum Role {
        UrlRole = Qt::UserRole + 1, // the item's download address
        RefRole,                    // the page the item came from
    };

    explicit AnalysisListModel(QObject *parent = nullptr);

    // Captions "标题", "类型", "分析状态", "保存路径", " ".
    static QString columnCaption(int column);

    int count() const { return m_items.count(); }
    const AnalysisItem &at(int index) const { return m_items.at(index); }
    // Row of a download address (exact comparison), or -1. Constant time.
    int indexOfUrl(const QString &url) const;

    // Appends an item with an empty status. An address already listed adds
    // nothing and leaves the listed item as it is; the result says which
    // happened, callers that only harvest may ignore it.
    bool 加入LV1(const QString &title, const QString &url, const QString &ref, const QString &stype,
                 const QString &保存路径, const QString &网站类型);

    void setStatus(int index, const QString &status);

    // Removes the rows (any order, duplicates and out-of-range rows ignored).
    void removeRowsAt(QVector<int> indices);
    // Removes every item the predicate picks; returns how many went.
    int removeIf(const std::function<bool(const AnalysisItem &)> &pick);
    void clear();

    // QAbstractItemModel
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    struct RemovalHooks;

    KeyedRows<AnalysisItem, &AnalysisItem::url> m_items;
};
