#include "window/gdi_shapes.h"

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

namespace {

qreal R(int64_t v)
{
    return static_cast<qreal>(v);
}

}  // namespace

void Rectangle(QPainter& p, int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    if (right - left < 2 || bottom - top < 2) {
        // Too small for an inside: the outline covers it all.
        p.fillRect(QRectF(R(left), R(top), R(std::max<int64_t>(right - left, 1)),
                          R(std::max<int64_t>(bottom - top, 1))),
                   p.pen().color());
        return;
    }
    p.drawRect(QRectF(R(left), R(top), R(right - left - 1), R(bottom - top - 1)));
}

void FrameRect(QPainter& p, int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    const QBrush brush = p.brush();
    p.setBrush(Qt::NoBrush);
    Rectangle(p, left, top, right, bottom);
    p.setBrush(brush);
}

void LineTo(QPainter& p, int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    if (x0 == x1 && y0 == y1) {
        return;
    }
    // Stop one pixel short along the longer axis.
    const int64_t dx = x1 - x0;
    const int64_t dy = y1 - y0;
    const bool alongX = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const qreal step = 1.0 / static_cast<qreal>(alongX ? (dx < 0 ? -dx : dx) : (dy < 0 ? -dy : dy));
    p.drawLine(QPointF(R(x0), R(y0)),
               QPointF(R(x0) + R(dx) * (1.0 - step), R(y0) + R(dy) * (1.0 - step)));
}

void TextOut(QPainter& p, int64_t x, int64_t y, const QString& text, const QColor& back)
{
    const QFontMetrics metrics(p.font());
    const QRectF box(R(x), R(y), metrics.horizontalAdvance(text), metrics.height());
    p.fillRect(box, back);
    p.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
}

void TextOut(QPainter& p, int64_t x, int64_t y, const QString& text, const QColor& back,
             const Bounds& within)
{
    // No widget reaches this far; limiting the bounds keeps them in the
    // range of a clip rectangle.
    const auto limit = [](int64_t v) { return std::clamp<int64_t>(v, -(1 << 24), 1 << 24); };
    const int64_t left = limit(within.left);
    const int64_t top = limit(within.top);
    const int64_t right = limit(within.right);
    const int64_t bottom = limit(within.bottom);
    if (left >= right || top >= bottom) {
        return;
    }
    p.save();
    p.setClipRect(QRect(static_cast<int>(left), static_cast<int>(top),
                        static_cast<int>(right - left), static_cast<int>(bottom - top)),
                  Qt::IntersectClip);
    TextOut(p, x, y, text, back);
    p.restore();
}
