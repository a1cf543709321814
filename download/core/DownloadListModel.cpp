#include "download/core/DownloadListModel.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

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
constexpr int kIconSize = 16;

// The four state icons, drawn rather than shipped so that they scale with the
// code and need no resource file. Each has its own colour and shape.
QImage drawStateIcon(RowState state)
{
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    switch (state) {
    case RowState::Waiting: { // grey clock
        p.setPen(QPen(QColor(110, 110, 110), 1.5));
        p.setBrush(QColor(235, 235, 235));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.drawLine(QPointF(8, 8), QPointF(8, 4));
        p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
        break;
    }
    case RowState::Downloading: { // blue arrow pointing down
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 110, 220));
        const QPolygonF arrow({QPointF(5.5, 1), QPointF(10.5, 1), QPointF(10.5, 7), QPointF(14, 7),
                               QPointF(8, 14.5), QPointF(2, 7), QPointF(5.5, 7)});
        p.drawPolygon(arrow);
        break;
    }
    case RowState::Done: { // green tick
        p.setPen(QPen(QColor(20, 150, 50), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        QPainterPath tick;
        tick.moveTo(2.5, 8.5);
        tick.lineTo(6.5, 12.5);
        tick.lineTo(13.5, 3.5);
        p.drawPath(tick);
        break;
    }
    case RowState::Failed: { // red cross on a disc
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(210, 40, 40));
        p.drawEllipse(QRectF(1, 1, 14, 14));
        p.setPen(QPen(Qt::white, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 5), QPointF(11, 11));
        p.drawLine(QPointF(11, 5), QPointF(5, 11));
        break;
    }
    }
    p.end();
    return image;
}

} // namespace

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

int DownloadListModel::indexOfAddress(const QString &address) const
{
    return m_byAddress.value(address, -1);
}

bool DownloadListModel::addRow(const QString &address, const QString &name, const QString &type,
                               const QString &folder, const QString &referrer)
{
    if (m_byAddress.contains(address))
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
    m_byAddress.insert(address, at);
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
    modify(index, [](DownloadRow &row) {
        row.size.clear();
        row.received.clear();
        row.progress.clear();
    });
}

void DownloadListModel::removeRowsAt(QVector<int> indices)
{
    const int n = count();
    indices.erase(std::remove_if(indices.begin(), indices.end(), [n](int i) { return i < 0 || i >= n; }),
                  indices.end());
    if (indices.isEmpty())
        return;
    std::sort(indices.begin(), indices.end());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());

    // Pending notifications name positions that are about to move.
    flushChanges();

    for (int i : std::as_const(indices)) {
        const DownloadRow &row = m_rows.at(i);
        m_byAddress.remove(row.address);
        --m_stateCounts[stateSlot(row.state)];
    }

    // Contiguous runs, removed from the end so that earlier positions stay
    // valid. Many scattered runs would make that quadratic; then one pass
    // compacts the list and the views are reset instead.
    int runs = 1;
    for (int k = 1; k < indices.size(); ++k)
        runs += indices[k] != indices[k - 1] + 1;

    constexpr int kMaxSeparateRuns = 64;
    if (runs <= kMaxSeparateRuns) {
        int k = int(indices.size()) - 1;
        while (k >= 0) {
            const int last = indices[k];
            int first = last;
            while (k > 0 && indices[k - 1] == first - 1) {
                --k;
                --first;
            }
            --k;
            beginRemoveRows(QModelIndex(), first, last);
            m_rows.remove(first, last - first + 1);
            endRemoveRows();
        }
    } else {
        beginResetModel();
        QVector<DownloadRow> kept;
        kept.reserve(n - int(indices.size()));
        int k = 0;
        for (int i = 0; i < n; ++i) {
            if (k < indices.size() && indices[k] == i)
                ++k;
            else
                kept.append(std::move(m_rows[i]));
        }
        m_rows = std::move(kept);
        endResetModel();
    }
    rebuildIndex(indices.first());
}

void DownloadListModel::clear()
{
    beginResetModel();
    m_flushTimer.stop();
    m_dirtyFirst = m_dirtyLast = -1;
    m_rows.clear();
    m_byAddress.clear();
    m_stateCounts.fill(0);
    endResetModel();
}

void DownloadListModel::reorder(const QVector<int> &newOrder)
{
    const int n = count();
    if (newOrder.size() != n)
        return;
    // inverse[old] = new; also proves newOrder is a permutation.
    QVector<int> inverse(n, -1);
    for (int i = 0; i < n; ++i) {
        const int old = newOrder[i];
        if (old < 0 || old >= n || inverse[old] != -1)
            return;
        inverse[old] = i;
    }

    flushChanges();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    QVector<DownloadRow> sorted;
    sorted.reserve(n);
    for (int old : newOrder)
        sorted.append(std::move(m_rows[old]));
    m_rows = std::move(sorted);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &idx : from)
        to.append(idx.isValid() ? index(inverse[idx.row()], idx.column()) : QModelIndex());
    changePersistentIndexList(from, to);

    rebuildIndex();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

int DownloadListModel::统计未下载项数目() const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(), [](const DownloadRow &row) {
        return row.size.isEmpty() && row.received.isEmpty() && row.progress.isEmpty();
    }));
}

bool DownloadListModel::检测是否下载列表完毕() const
{
    return countInState(RowState::Done) + countInState(RowState::Failed) == count();
}

int DownloadListModel::CountErrorAndPageRows() const
{
    return int(std::count_if(m_rows.cbegin(), m_rows.cend(), [](const DownloadRow &row) {
        return row.state == RowState::Failed || row.type.compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0
               || row.type.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
    }));
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
    if (m_dirtyFirst < 0)
        return;
    const int first = m_dirtyFirst;
    const int last = std::min(m_dirtyLast, count() - 1);
    m_dirtyFirst = m_dirtyLast = -1;
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
        switch (index.column()) {
        case ColName: return row.name;
        case ColType: return row.type;
        case ColSize: return row.size;
        case ColReceived: return row.received;
        case ColProgress: return row.progress;
        case ColFolder: return row.folder;
        case ColB: return QString();
        default: return {};
        }
    case Qt::DecorationRole:
        return index.column() == ColName ? stateIcon(row.state) : QVariant();
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

bool DownloadListModel::reindexAddress(int index, const QString &oldAddress)
{
    DownloadRow &row = m_rows[index];
    const auto clash = m_byAddress.constFind(row.address);
    if (clash != m_byAddress.constEnd() && clash.value() != index) {
        row.address = oldAddress;
        return false;
    }
    m_byAddress.remove(oldAddress);
    m_byAddress.insert(row.address, index);
    return true;
}

void DownloadListModel::markChanged(int index)
{
    if (m_dirtyFirst < 0) {
        m_dirtyFirst = m_dirtyLast = index;
    } else {
        m_dirtyFirst = std::min(m_dirtyFirst, index);
        m_dirtyLast = std::max(m_dirtyLast, index);
    }
    if (!m_flushTimer.isActive())
        m_flushTimer.start();
}

void DownloadListModel::rebuildIndex(int from)
{
    if (from <= 0) {
        m_byAddress.clear();
        m_byAddress.reserve(count());
        from = 0;
    }
    for (int i = from; i < count(); ++i)
        m_byAddress.insert(m_rows.at(i).address, i);
}

void DownloadListModel::countStateChange(RowState from, RowState to)
{
    --m_stateCounts[stateSlot(from)];
    ++m_stateCounts[stateSlot(to)];
}

QVariant DownloadListModel::stateIcon(RowState state) const
{
    const int slot = stateSlot(state);
    if (slot == 0)
        return {};
    // Pixmaps need a GUI application; the command-line tool has none and
    // asks for no icons, but a stray call must not abort it.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return drawStateIcon(state);
    if (m_icons.isEmpty()) {
        m_icons.resize(5);
        for (int s = 1; s <= 4; ++s)
            m_icons[s] = QPixmap::fromImage(drawStateIcon(RowState(s)));
    }
    return m_icons.at(slot);
}
