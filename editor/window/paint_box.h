#pragma once
// An owner-drawn area of the main window: it paints and answers the mouse
// and drag and drop only through the window's handlers set here.

#include <functional>

#include <QWidget>

class QPainter;

class PaintBox : public QWidget {
public:
    explicit PaintBox(QWidget* parent);

    std::function<void(QPainter&)> onPaint;
    std::function<void(Qt::MouseButton, int x, int y)> onMouseDown;
    std::function<void(int x, int y)> onMouseMove;
    std::function<void(Qt::MouseButton, int x, int y)> onMouseUp;
    // A left-button press and release inside the area.
    std::function<void()> onClick;
    // Whether a drag from source may drop here; no drops without it.
    std::function<bool(QObject* source)> onDragOver;
    std::function<void(QObject* source, int x, int y)> onDragDrop;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    bool leftPressed_ = false;
};
