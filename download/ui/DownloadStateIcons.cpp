#include "download/ui/DownloadStateIcons.h"

#include "download/core/DownloadListModel.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>

namespace {

constexpr int kIconSize = 16;

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

QPixmap DownloadStateIcon(RowState state)
{
    const int n = int(state);
    if (n < 1 || n > 4)
        return QPixmap();
    static std::array<QPixmap, 5> icons;
    if (icons[n].isNull())
        icons[n] = QPixmap::fromImage(drawStateIcon(state));
    return icons[n];
}

void DownloadStateIconDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() != DownloadListModel::ColName)
        return;
    const QPixmap icon = DownloadStateIcon(RowState(index.data(DownloadListModel::StateRole).toInt()));
    if (icon.isNull())
        return;
    option->icon = QIcon(icon);
    option->features |= QStyleOptionViewItem::HasDecoration;
    option->decorationSize = icon.size();
}
