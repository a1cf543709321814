#include "harvest/core/AnalysisListModel.h"

#include <algorithm>

// The views' notifications around a batched removal.
struct AnalysisListModel::RemovalHooks
{
    AnalysisListModel &model;
    void beginRemove(int first, int last) { model.beginRemoveRows(QModelIndex(), first, last); }
    void endRemove() { model.endRemoveRows(); }
    void beginReset() { model.beginResetModel(); }
    void endReset() { model.endResetModel(); }
};

AnalysisListModel::AnalysisListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QString AnalysisListModel::columnCaption(int column)
{
    switch (column) {
    case ColTitle:
        return QStringLiteral("标题");
    case ColType:
        return QStringLiteral("类型");
    case ColStatus:
        return QStringLiteral("分析状态");
    case ColFolder:
        return QStringLiteral("保存路径");
    case ColSiteType:
        return QStringLiteral(" ");
    default:
        return QString();
    }
}

int AnalysisListModel::indexOfUrl(const QString &url) const
{
    return m_items.indexOf(url);
}

bool AnalysisListModel::加入LV1(const QString &title, const QString &url, const QString &ref,
                               const QString &stype, const QString &保存路径, const QString &网站类型)
{
    if (m_items.contains(url))
        return false;
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    m_items.append(AnalysisItem{title, url, ref, stype, 保存路径, 网站类型, QString()});
    endInsertRows();
    return true;
}

void AnalysisListModel::setStatus(int index, const QString &status)
{
    if (index < 0 || index >= count() || m_items.at(index).status == status)
        return;
    m_items.edit(index).status = status;
    const QModelIndex cell = this->index(index, ColStatus);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void AnalysisListModel::removeRowsAt(QVector<int> indices)
{
    m_items.removeSorted(m_items.normalized(std::move(indices)), RemovalHooks{*this});
}

int AnalysisListModel::removeIf(const std::function<bool(const AnalysisItem &)> &pick)
{
    QVector<int> doomed;
    for (int i = 0; i < count(); ++i) {
        if (pick(m_items.at(i)))
            doomed.push_back(i);
    }
    removeRowsAt(doomed);
    return int(doomed.size());
}

void AnalysisListModel::clear()
{
    if (m_items.count() == 0)
        return;
    beginResetModel();
    m_items.clear();
    endResetModel();
}

int AnalysisListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int AnalysisListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(ColumnCount);
}

QVariant AnalysisListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    const AnalysisItem &item = m_items.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case ColTitle:
            return item.title;
        case ColType:
            return item.stype;
        case ColStatus:
            return item.status;
        case ColFolder:
            return item.保存路径;
        case ColSiteType:
            return item.网站类型;
        default:
            return QVariant();
        }
    case UrlRole:
        return item.url;
    case RefRole:
        return item.ref;
    default:
        return QVariant();
    }
}

QVariant AnalysisListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return columnCaption(section);
}

Qt::ItemFlags AnalysisListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable; // titles are never edited in place
}
