#include "harvest/ui/SplitterBar.h"

#include <QMouseEvent>

SplitterBar::SplitterBar(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("Picture3"));
    setCursor(Qt::SizeVerCursor);
    setFrameShape(QFrame::StyledPanel);
}

void SplitterBar::mousePressEvent(QMouseEvent *event)
{
    raise();
    m_grabY = event->position().toPoint().y();
    event->accept();
}

void SplitterBar::mouseMoveEvent(QMouseEvent *event)
{
    if (!(event->buttons() & Qt::LeftButton))
        return;
    const int dy = event->position().toPoint().y() - m_grabY;
    move(x(), y() + dy);
    event->accept();
}

void SplitterBar::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    emit released();
}
