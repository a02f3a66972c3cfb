// The minimap below the tabs: the whole graph and the canvas's visible area
// scaled into the box, coloured by relation to the selected node; a click
// recentres the canvas on the graph point under it.

#include <algorithm>
#include <optional>

#include <QPainter>

#include "model/node.h"
#include "model/node_list.h"
#include "window/drop_paint_box.h"
#include "window/form1.h"
#include "window/gdi_shapes.h"
#include "window/saturate.h"

namespace {

// The graph area the minimap shows: the visible canvas area grown to hold
// every node's full box. Integer arithmetic throughout, each product formed
// before its division, quotients truncated toward zero.
struct MapBounds {
    int64_t minX, minY, maxX, maxY;
    int64_t Dx() const { return maxX - minX; }
    int64_t Dy() const { return maxY - minY; }
};

MapBounds Bounds(const NodeList& list, int32_t scrollX, int32_t scrollY, int64_t canvasW,
                 int64_t canvasH)
{
    MapBounds b{scrollX, scrollY, scrollX + canvasW, scrollY + canvasH};
    for (const auto& n : list.nodes) {
        b.minX = std::min<int64_t>(b.minX, n->x);
        b.minY = std::min<int64_t>(b.minY, n->y);
        b.maxX = std::max<int64_t>(b.maxX, int64_t{n->x} + n->width);
        b.maxY = std::max<int64_t>(b.maxY, int64_t{n->y} + n->height);
    }
    return b;
}

// What the minimap shows and at which scale: its own size, the canvas's and
// the graph area; nothing without a list or when either box has no area.
struct MapView {
    int64_t w, h, canvasW, canvasH;
    MapBounds b;
};

std::optional<MapView> View(const NodeList* list, const QWidget& map, const QWidget& canvas,
                            int32_t scrollX, int32_t scrollY)
{
    const MapView view{map.width(), map.height(), canvas.width(), canvas.height(), {}};
    if (list == nullptr || view.w <= 0 || view.h <= 0 || view.canvasW <= 0 || view.canvasH <= 0) {
        return std::nullopt;
    }
    return MapView{view.w, view.h, view.canvasW, view.canvasH,
                   Bounds(*list, scrollX, scrollY, view.canvasW, view.canvasH)};
}

}  // namespace

QColor TForm1::OverviewNodeColor(const Node& node, const QColor& defaultColor) const
{
    if (selectedNode == nullptr) {
        return defaultColor;
    }
    if (&node == selectedNode) {
        return QColor(192, 255, 192);
    }
    for (int32_t i = 0; i < node.paramCount; ++i) {
        if (node.params[i].source == selectedNode) {
            return QColor(192, 192, 255);
        }
    }
    for (int32_t i = 0; i < selectedNode->paramCount; ++i) {
        if (selectedNode->params[i].source == &node) {
            return QColor(255, 192, 192);
        }
    }
    return defaultColor;
}

void TForm1::PaintBox2Paint(QPainter& canvas)
{
    const std::optional<MapView> view = View(currentList, *PaintBox2, *PaintBox1, scrollX, scrollY);
    if (!view) {
        return;
    }
    const auto& [w, h, canvasW, canvasH, b] = *view;
    const int64_t dx = b.Dx();
    const int64_t dy = b.Dy();

    canvas.setPen(Qt::black);
    for (const auto& n : currentList->nodes) {
        canvas.setBrush(OverviewNodeColor(*n, Qt::white));
        const int64_t left = w * (n->x - b.minX) / dx;
        const int64_t top = h * (n->y - b.minY) / dy;
        const int64_t boxW = std::max<int64_t>(int64_t{n->width} * w / dx, 1);
        const int64_t boxH = std::max<int64_t>((n->expanded ? int64_t{n->height} : 16) * h / dy, 1);
        Rectangle(canvas, left, top, left + boxW, top + boxH);
    }
    const int64_t frameX = w * (scrollX - b.minX) / dx;
    const int64_t frameY = h * (scrollY - b.minY) / dy;
    FrameRect(canvas, frameX, frameY, frameX + canvasW * w / dx, frameY + canvasH * h / dy);
}

void TForm1::PaintBox2MouseDown(Qt::MouseButton, int x, int y)
{
    const std::optional<MapView> view = View(currentList, *PaintBox2, *PaintBox1, scrollX, scrollY);
    if (!view) {
        return;
    }
    const auto& [w, h, canvasW, canvasH, b] = *view;
    scrollX = Saturate(b.minX + x * b.Dx() / w - canvasW / 2);
    scrollY = Saturate(b.minY + y * b.Dy() / h - canvasH / 2);
    RepaintGraph();
}
