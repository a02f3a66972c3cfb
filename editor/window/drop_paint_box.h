#pragma once
// The node canvas's paint box: an owner-drawn area that also takes node
// types dragged from the palette, through the window's handlers.

#include <functional>

#include "paint_box.h"

class DropPaintBox : public PaintBox {
public:
    explicit DropPaintBox(QWidget* parent);

    // Whether a drag from source may drop here; no drops without it.
    std::function<bool(QObject* source)> onDragOver;
    std::function<void(QObject* source, int x, int y)> onDragDrop;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool Accepts(QObject* source) const { return onDragOver && onDragOver(source); }
};
