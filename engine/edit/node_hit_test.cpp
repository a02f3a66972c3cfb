// NodeList::HitTest, Node::HitTest, Node::InputAt and Node::OutputAt: where a
// point of the editor canvas falls on the node boxes (box geometry at
// HitCode).

#include <algorithm>
#include <memory>

#include "model/node.h"
#include "model/node_list.h"

namespace {

// Box sizes come from files and may be anything; all arithmetic is done in
// 64 bits so that no stored width or height can overflow it.
bool Within(int64_t v, int64_t low, int64_t high)
{
    return low <= v && v <= high;
}

// The connector row holding py, or -1 (rows are 13 pixels of every 16).
int64_t ConnectorRow(int64_t py)
{
    if (py < 94) {
        return -1;
    }
    const int64_t row = (py - 94) / 16;
    return Within(py, 94 + 16 * row, 106 + 16 * row) ? row : -1;
}

// The index of the connectable input whose connector holds the point, or -1.
int32_t InputIndexAt(const Node& node, int64_t px, int64_t py)
{
    const int64_t row = ConnectorRow(py);
    if (row < 0 || !Within(px, 4, 16)) {
        return -1;
    }
    int64_t k = 0;
    for (int32_t i = 0; i < node.paramCount; ++i) {
        if (!node.params[i].connectable) {
            continue;
        }
        if (k == row) {
            return i;
        }
        ++k;
    }
    return -1;
}

bool InOutputColumn(const Node& node, int64_t px)
{
    const int64_t w = node.width;
    return Within(px, w - 16, w - 4);
}

}  // namespace

Node* NodeList::HitTest(int32_t x, int32_t y)
{
    auto found = nodes.end();
    for (auto it = nodes.begin(); it != nodes.end(); ++it) {
        const Node& n = **it;
        const int64_t h = n.expanded ? n.height : 16;
        if (Within(x, n.x, int64_t{n.x} + n.width) && Within(y, n.y, int64_t{n.y} + h)) {
            found = it;
        }
    }
    if (found == nodes.end()) {
        return nullptr;
    }
    Node* node = found->get();
    std::rotate(found, found + 1, nodes.end());
    return node;
}

int32_t Node::HitTest(int32_t px, int32_t py) const
{
    const int64_t w = width;
    const int64_t h = height;
    if (px > w - 6 || py >= h - 6) {
        return HIT_BORDER;
    }
    if (Within(px, w - 16, w - 4) && Within(py, 2, 14)) {
        return HIT_EXPAND;
    }
    if (Within(px, 4, 68) && Within(py, 20, 84)) {
        return HIT_THUMBNAIL;
    }
    if (InputIndexAt(*this, px, py) >= 0) {
        return HIT_INPUT;
    }
    if (isRoot) {
        return HIT_BODY;
    }
    if (OutputAt(px, py) >= 0) {
        return HIT_OUTPUT;
    }
    return HIT_BODY;
}

NodeParam* Node::InputAt(int32_t px, int32_t py)
{
    const int32_t index = InputIndexAt(*this, px, py);
    return index >= 0 ? &params[index] : nullptr;
}

int32_t Node::OutputAt(int32_t px, int32_t py) const
{
    const int64_t row = ConnectorRow(py);
    if (row < 0 || row >= outputCount || !InOutputColumn(*this, px)) {
        return -1;
    }
    return static_cast<int32_t>(row);
}
