#include "paint_box.h"

#include <QMouseEvent>
#include <QPainter>

PaintBox::PaintBox(QWidget* parent) : QWidget(parent)
{
    // Like the form library's paint box: never takes the focus, sees the
    // pointer move also without a button held.
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
}

void PaintBox::paintEvent(QPaintEvent*)
{
    if (onPaint) {
        QPainter canvas(this);
        onPaint(canvas);
    }
}

void PaintBox::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    clickPending_ = event->button() == Qt::LeftButton;
    if (onMouseDown) {
        onMouseDown(event->button(), at.x(), at.y());
    }
}

void PaintBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (onMouseMove) {
        onMouseMove(at.x(), at.y());
    }
}

void PaintBox::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const bool click = clickPending_ && event->button() == Qt::LeftButton && rect().contains(at);
    clickPending_ = false;
    if (onMouseUp) {
        onMouseUp(event->button(), at.x(), at.y());
    }
    if (click && onClick) {
        onClick();
    }
}
