#include "window/drop_paint_box.h"

#include <QDragEnterEvent>
#include <QDropEvent>

DropPaintBox::DropPaintBox(QWidget* parent) : PaintBox(parent)
{
    setAcceptDrops(true);
}

// A refused drag goes on to the window, which takes files from a file manager.
void DropPaintBox::dragEnterEvent(QDragEnterEvent* event)
{
    if (Accepts(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DropPaintBox::dragMoveEvent(QDragMoveEvent* event)
{
    if (Accepts(event->source())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DropPaintBox::dropEvent(QDropEvent* event)
{
    if (!onDragDrop || !Accepts(event->source())) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    onDragDrop(event->source(), at.x(), at.y());
    event->acceptProposedAction();
}
