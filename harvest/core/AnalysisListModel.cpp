#include "harvest/core/AnalysisListModel.h"

#include <algorithm>

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
    return m_byUrl.value(url, -1);
}

bool AnalysisListModel::加入LV1(const QString &title, const QString &url, const QString &ref,
                               const QString &stype, const QString &保存路径, const QString &网站类型)
{
    if (m_byUrl.contains(url))
        return false;
    const int row = count();
    beginInsertRows(QModelIndex(), row, row);
    m_items.push_back(AnalysisItem{title, url, ref, stype, 保存路径, 网站类型, QString()});
    m_byUrl.insert(url, row);
    endInsertRows();
    return true;
}

void AnalysisListModel::setStatus(int index, const QString &status)
{
    if (index < 0 || index >= count() || m_items[index].status == status)
        return;
    m_items[index].status = status;
    const QModelIndex cell = this->index(index, ColStatus);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void AnalysisListModel::removeRowsAt(QVector<int> indices)
{
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
    indices.erase(std::remove_if(indices.begin(), indices.end(), [this](int i) { return i < 0 || i >= count(); }),
                  indices.end());
    if (indices.isEmpty())
        return;
    // From the back, one contiguous run at a time, so views keep their
    // selection and scroll position for the rows that stay.
    int last = int(indices.size()) - 1;
    while (last >= 0) {
        int first = last;
        while (first > 0 && indices.at(first - 1) == indices.at(first) - 1)
            --first;
        const int from = indices.at(first);
        const int to = indices.at(last);
        beginRemoveRows(QModelIndex(), from, to);
        m_items.erase(m_items.begin() + from, m_items.begin() + to + 1);
        endRemoveRows();
        last = first - 1;
    }
    rebuildIndex();
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
    if (m_items.isEmpty())
        return;
    beginResetModel();
    m_items.clear();
    m_byUrl.clear();
    endResetModel();
}

void AnalysisListModel::rebuildIndex()
{
    m_byUrl.clear();
    m_byUrl.reserve(count());
    for (int i = 0; i < count(); ++i)
        m_byUrl.insert(m_items.at(i).url, i);
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
