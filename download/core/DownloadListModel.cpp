#include "download/core/DownloadListModel.h"

#include <algorithm>

namespace {

// Slot of a state in the per-state counters; 0 collects anything that is
// not one of the four states so that a stray value cannot index past them.
int stateSlot(RowState state)
{
    const int n = int(state);
    return n >= 1 && n <= 4 ? n : 0;
}

constexpr int kFlushDelayMs = 100;

} // namespace

// The views' notifications around a batched removal.
struct DownloadListModel::RemovalHooks
{
    DownloadListModel &model;
    void beginRemove(int first, int last) { model.beginRemoveRows(QModelIndex(), first, last); }
    void endRemove() { model.endRemoveRows(); }
    void beginReset() { model.beginResetModel(); }
    void endReset() { model.endResetModel(); }
};

DownloadListModel::DownloadListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushDelayMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &DownloadListModel::flushChanges);
}

QString DownloadListModel::columnCaption(int column)
{
    switch (column) {
    case ColName: return QStringLiteral("名称");
    case ColType: return QStringLiteral("类型");
    case ColSize: return QStringLiteral("文件大小");
    case ColReceived: return QStringLiteral("已下载数");
    case ColProgress: return QStringLiteral("百分比");
    case ColFolder: return QStringLiteral("保存路径");
    case ColB: return QStringLiteral("B");
    default: return QString();
    }
}

QString DownloadListModel::cellText(const DownloadRow &row, int column)
{
    switch (column) {
    case ColName: return row.name;
    case ColType: return row.type;
    case ColSize: return SizeText(row);
    case ColReceived: return ReceivedText(row);
    case ColProgress: return ProgressText(row);
    case ColFolder: return row.folder;
    default: return QString();
    }
}

bool DownloadListModel::addRow(const QString &address, const QString &name, const QString &type,
                               const QString &folder, const QString &referrer)
{
    if (m_rows.contains(address))
        return false;
    const int at = count();
    beginInsertRows(QModelIndex(), at, at);
    DownloadRow row;
    row.address = address;
    row.name = name;
    row.type = type;
    row.folder = folder;
    row.referrer = referrer;
    m_rows.append(std::move(row));
    ++m_stateCounts[stateSlot(RowState::Waiting)];
    endInsertRows();
    return true;
}

void DownloadListModel::setState(int index, RowState state)
{
    modify(index, [state](DownloadRow &row) { row.state = state; });
}

void DownloadListModel::clearTexts(int index)
{
    modify(index, [](DownloadRow &row) { row.clearProgress(); });
}

void DownloadListModel::resetForRedownload(int index, bool everyTypeToXxx)
{
    if (index < 0 || index >= count())
        return;
    DeleteRowFile(at(index));
    modify(index, [everyTypeToXxx](DownloadRow &r) {
        r.state = RowState::Waiting;
        if (everyTypeToXxx || IsHtmOrHtmlType(r.type))
            r.type = QStringLiteral("xxx");
        r.clearProgress();
    });
    DeleteRowFile(at(index)); // the name with its new type
    modify(index, [](DownloadRow &r) { r.address = 对调url(r.address); });
}

void DownloadListModel::removeRowsAt(QVector<int> indices)
{
    indices = m_rows.normalized(std::move(indices));
    if (indices.isEmpty())
        return;
    // Pending notifications name positions that are about to move.
    flushChanges();
    for (int i : std::as_const(indices))
        --m_stateCounts[stateSlot(m_rows.at(i).state)];
    m_rows.removeSorted(indices, RemovalHooks{*this});
}

void DownloadListModel::clear()
{
    beginResetModel();
    m_flushTimer.stop();
    m_dirty.reset();
    m_rows.clear();
    m_stateCounts.fill(0);
    endResetModel();
}

void DownloadListModel::reorder(const QVector<int> &newOrder)
{
    QVector<int> inverse;
    if (!m_rows.inverseOrder(newOrder, inverse))
        return;
    flushChanges();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_rows.reorder(newOrder);
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &idx : from)
        to.append(idx.isValid() ? index(inverse[idx.row()], idx.column()) : QModelIndex());
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int DownloadListModel::统计未下载项数目() const
{
    int n = 0;
    for (int i = 0; i < count(); ++i)
        n += m_rows.at(i).progressEmpty();
    return n;
}

bool DownloadListModel::检测是否下载列表完毕() const
{
    return countInState(RowState::Done) + countInState(RowState::Failed) == count();
}

int DownloadListModel::CountErrorAndPageRows() const
{
    int n = 0;
    for (int i = 0; i < count(); ++i) {
        const DownloadRow &row = m_rows.at(i);
        n += row.state == RowState::Failed || IsHtmOrHtmlType(row.type);
    }
    return n;
}

int DownloadListModel::countInState(RowState state) const
{
    const int slot = stateSlot(state);
    return slot == 0 ? 0 : m_stateCounts[slot];
}

QString DownloadListModel::counterText() const
{
    return QStringLiteral("总数:") + QString::number(count()) + QStringLiteral(" 正在下载:")
           + QString::number(countInState(RowState::Downloading)) + QStringLiteral(" 等待:")
           + QString::number(countInState(RowState::Waiting)) + QStringLiteral(" 已完成:")
           + QString::number(countInState(RowState::Done)) + QStringLiteral(" 失败:")
           + QString::number(countInState(RowState::Failed));
}

void DownloadListModel::flushChanges()
{
    m_flushTimer.stop();
    if (m_dirty.empty())
        return;
    const int first = m_dirty.first;
    const int last = std::min(m_dirty.last, count() - 1);
    m_dirty.reset();
    if (first <= last)
        emit dataChanged(index(first, 0), index(last, ColumnCount - 1));
}

int DownloadListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int DownloadListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(ColumnCount);
}

QVariant DownloadListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return {};
    const DownloadRow &row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case RawValueRole:
        if (index.column() < 0 || index.column() >= ColumnCount)
            return {};
        return cellText(row, index.column());
    case StateRole: return int(row.state);
    case AddressRole: return row.address;
    default: return {};
    }
}

QVariant DownloadListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return columnCaption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags DownloadListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void DownloadListModel::markChanged(int index)
{
    m_dirty.mark(index);
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void DownloadListModel::countStateChange(RowState from, RowState to)
{
    --m_stateCounts[stateSlot(from)];
    ++m_stateCounts[stateSlot(to)];
}
