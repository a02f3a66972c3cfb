#include "window/paint_box.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMouseEvent>
#include <QPainter>

PaintBox::PaintBox(QWidget* parent) : QWidget(parent)
{
    setAcceptDrops(true);
}

void PaintBox::paintEvent(QPaintEvent*)
{
    if (onPaint) {
        QPainter painter(this);
        onPaint(painter);
    }
}

void PaintBox::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        leftPressed_ = true;
    }
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
    if (onMouseUp) {
        onMouseUp(event->button(), at.x(), at.y());
    }
    if (event->button() == Qt::LeftButton && leftPressed_) {
        leftPressed_ = false;
        if (rect().contains(at) && onClick) {
            onClick();
        }
    }
}

void PaintBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (onDragOver && onDragOver(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void PaintBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (onDragOver && onDragOver(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void PaintBox::dropEvent(QDropEvent* event)
{
    if (!onDragDrop || !onDragOver || !onDragOver(event->source())) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    onDragDrop(event->source(), at.x(), at.y());
    event->acceptProposedAction();
}
