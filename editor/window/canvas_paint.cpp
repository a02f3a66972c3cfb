// Painting the node canvas: shadows, links, boxes, then the rubber band of a
// link being drawn, over the current list in list order (later nodes on
// top), and the size a new node's box gets from its labels.

#include <algorithm>

#include <QFontMetrics>
#include <QPainter>

#include "model/node.h"
#include "model/node_list.h"
#include "window/drop_paint_box.h"
#include "window/form1.h"
#include "window/gdi_shapes.h"
#include "window/type_colors.h"

namespace {

const QColor kShadow(128, 128, 128);
const QColor kSelectedFill(192, 255, 192);
const QColor kFill(192, 192, 192);
const QColor kSelectedLink(0, 0, 255);

// The drawn height: a collapsed box is its title bar only.
int64_t DrawnHeight(const Node& node)
{
    return node.expanded ? node.height : 16;
}

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

QPolygonF Triangle(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int64_t x2, int64_t y2)
{
    QPolygonF t;
    t << QPointF(static_cast<qreal>(x0), static_cast<qreal>(y0))
      << QPointF(static_cast<qreal>(x1), static_cast<qreal>(y1))
      << QPointF(static_cast<qreal>(x2), static_cast<qreal>(y2));
    return t;
}

}  // namespace

void TForm1::PaintBox1Paint(QPainter& canvas)
{
    if (PaintBox1->width() <= 0 || PaintBox1->height() <= 0) {
        return;
    }
    canvas.fillRect(PaintBox1->rect(), PaintBox1->palette().color(QPalette::Button));
    if (currentList == nullptr) {
        return;
    }
    const auto& nodes = currentList->nodes;

    // 1. Shadows.
    canvas.setPen(kShadow);
    canvas.setBrush(kShadow);
    for (const auto& n : nodes) {
        const int64_t x = int64_t{n->x} - scrollX;
        const int64_t y = int64_t{n->y} - scrollY;
        canvas.drawRoundedRect(QRectF(static_cast<qreal>(x + 4), static_cast<qreal>(y + 4),
                                      static_cast<qreal>(n->width) - 1,
                                      static_cast<qreal>(DrawnHeight(*n)) - 1),
                               4, 4);
    }

    // 2. Links, from the source's output row to the input's row.
    for (const auto& n : nodes) {
        int64_t row = 0;
        for (int32_t i = 0; i < n->paramCount; ++i) {
            const NodeParam& p = n->params[i];
            if (!p.connectable) {
                continue;
            }
            if (p.source != nullptr) {
                const Node& s = *p.source;
                const int64_t sx = int64_t{s.x} + s.width - scrollX;
                const int64_t sy =
                    int64_t{s.y} - scrollY + (s.expanded ? 100 + 16 * int64_t{p.sourceOutput} : 8);
                const int64_t ex = int64_t{n->x} - scrollX;
                const int64_t ey = int64_t{n->y} - scrollY + (n->expanded ? 100 + 16 * row : 8);
                const bool touchesSelection = &s == selectedNode || n.get() == selectedNode;
                DrawConnection(canvas, sx, sy, ex, ey,
                               touchesSelection ? kSelectedLink : Qt::black);
            }
            ++row;
        }
    }

    // 3. Boxes.
    for (const auto& n : nodes) {
        const int64_t x = int64_t{n->x} - scrollX;
        const int64_t y = int64_t{n->y} - scrollY;
        const int64_t w = n->width;
        const int64_t h = DrawnHeight(*n);
        const QColor fill = n.get() == selectedNode ? kSelectedFill : kFill;
        canvas.setPen(Qt::black);
        canvas.setBrush(fill);
        Rectangle(canvas, x, y, x + w, y + h);
        const int64_t r = x + w;
        // Labels stay inside the border, each within its part of the box:
        // the title left of the expand marker, input names left of the
        // middle line, output names left of their connectors.
        const int64_t inside = y + h - 1;
        TextOut(canvas, x + 8, y + 2, Text(n->name), fill, {x + 1, y + 1, r - 16, inside});

        canvas.setBrush(Qt::black);
        if (n->expanded) {
            canvas.drawPolygon(Triangle(r - 16, y + 2, r - 6, y + 2, r - 11, y + 12));
        } else {
            canvas.drawPolygon(Triangle(r - 16, y + 8, r - 6, y + 2, r - 6, y + 12));
        }
        if (!n->expanded) {
            continue;
        }

        LineTo(canvas, x, y + 16, x + w, y + 16);
        LineTo(canvas, x, y + 88, x + w, y + 88);
        LineTo(canvas, x + w / 2, y + 88, x + w / 2, y + h);
        if (n->thumbnail != nullptr) {
            DrawBitmap(canvas, *n->thumbnail, x + 4, y + 20);
        } else {
            canvas.fillRect(QRectF(static_cast<qreal>(x + 4), static_cast<qreal>(y + 20), 64, 64),
                            Qt::black);
        }
        if (!n->isRoot) {
            for (int32_t i = 0; i < n->outputCount; ++i) {
                const int64_t top = y + 94 + 16 * int64_t{i};
                canvas.setBrush(TypeColor(n->outputs[i].value.type));
                Rectangle(canvas, r - 16, top, r - 4, top + 12);
                TextOut(canvas, x + w / 2 + 4, top, Text(n->outputs[i].name), fill,
                        {x + w / 2 + 1, y + 1, r - 16, inside});
            }
        }
        int64_t row = 0;
        for (int32_t i = 0; i < n->paramCount; ++i) {
            const NodeParam& p = n->params[i];
            if (!p.connectable) {
                continue;
            }
            const int64_t top = y + 94 + 16 * row;
            canvas.setBrush(TypeColor(p.value.type));
            Rectangle(canvas, x + 4, top, x + 16, top + 12);
            TextOut(canvas, x + 20, top, Text(p.name), fill, {x + 16, y + 1, x + w / 2, inside});
            ++row;
        }
    }

    // 4. The rubber band of a link being drawn.
    if (pressMode == 3 && pressedNode != nullptr) {
        canvas.setPen(Qt::black);
        canvas.drawLine(QPoint(linkStartX, linkStartY), QPoint(pointerX, pointerY));
    }
}

void TForm1::DrawConnection(QPainter& canvas, int64_t sx, int64_t sy, int64_t ex, int64_t ey,
                            const QColor& color)
{
    canvas.setPen(color);
    canvas.setBrush(color);
    const auto at = [](int64_t x, int64_t y) {
        return QPointF(static_cast<qreal>(x), static_cast<qreal>(y));
    };
    const QPointF line[] = {at(sx, sy), at(sx + 5, sy), at(ex - 15, ey), at(ex, ey)};
    canvas.drawPolyline(line, 4);
    canvas.drawPolygon(Triangle(ex, ey, ex - 10, ey - 6, ex - 10, ey + 6));
}

void TForm1::CalcNodeSize(Node& node)
{
    const QFontMetrics metrics(PaintBox1->font());
    int widest = 0;
    int32_t connectable = 0;
    for (int32_t i = 0; i < node.paramCount; ++i) {
        if (node.params[i].connectable) {
            widest = std::max(widest, metrics.horizontalAdvance(Text(node.params[i].name)));
            ++connectable;
        }
    }
    for (int32_t i = 0; i < node.outputCount; ++i) {
        widest = std::max(widest, metrics.horizontalAdvance(Text(node.outputs[i].name)));
    }
    const int32_t rows = node.isRoot ? connectable : std::max(connectable, node.outputCount);
    node.width = 2 * widest + 52;
    node.height = 16 * rows + 96;
}
