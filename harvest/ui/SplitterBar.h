#pragma once
// The thin horizontal bar between the harvesting window's browser pane and
// its list pane. Pressing a mouse button on it brings it to the front;
// dragging with the left button moves it up and down with the pointer;
// releasing the button tells the window, which then runs its layout rule
// (and may snap the bar back to four fifths of the window height).
#include <QFrame>

class SplitterBar final : public QFrame
{
    Q_OBJECT
public:
    explicit SplitterBar(QWidget *parent = nullptr);

signals:
    void released();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    int m_grabY = 0; // where on the bar the pointer took hold
};
