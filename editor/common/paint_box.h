#pragma once
// An owner-drawn area of a window: its painting and mouse events are handed
// to the window's handlers, as the window's controls name them.

#include <functional>

#include <QWidget>

class QPainter;

class PaintBox : public QWidget {
    Q_OBJECT
public:
    explicit PaintBox(QWidget* parent);

    std::function<void(QPainter& canvas)> onPaint;
    std::function<void(Qt::MouseButton button, int x, int y)> onMouseDown;
    std::function<void(int x, int y)> onMouseMove;
    std::function<void(Qt::MouseButton button, int x, int y)> onMouseUp;
    // A left-button press and release inside the box.
    std::function<void()> onClick;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool clickPending_ = false;
};
