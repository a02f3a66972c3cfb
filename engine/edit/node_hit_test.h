#pragma once
// Where a point of the editor canvas falls on the node boxes of a list.
//
// Geometry of a box, relative to its top-left corner (x, y of the node), all
// ranges inclusive: the border is everything right of width - 6 or from
// height - 6 down; the expand box spans width - 16 to width - 4 by 2 to 14;
// the thumbnail 4 to 68 by 20 to 84; connector row k spans 94 + 16 k to
// 106 + 16 k, inputs at 4 to 16 (connectable inputs only, counted in input
// order), outputs at width - 16 to width - 4 (all outputs). Root nodes offer
// no output connectors to HitTest.

#include <cstdint>

class Node;
class NodeList;
struct NodeParam;

// What a point inside a node's box hits.
enum HitCode : int32_t {
    HIT_NONE = 0,
    HIT_BODY = 1,
    HIT_BORDER = 2,
    HIT_OUTPUT = 3,
    HIT_INPUT = 4,
    HIT_EXPAND = 5,
    HIT_THUMBNAIL = 6,
};

// The node list's hit test: the topmost node (the last in list order) whose
// box holds the canvas point (x, y), a collapsed box being 16 high; null when
// none. The node found moves to the end of the list, so it is drawn on top
// from now on (this changes node ids and the file order).
Node* HitTest(NodeList& list, int32_t x, int32_t y);

// The node's hit test: the hit code of the point (px, py) relative to its
// box, first match in the order border, expand box, thumbnail, input
// connector, (root: body), output connector, body. Uses height whether or
// not the node is collapsed.
int32_t HitTest(const Node& node, int32_t px, int32_t py);

// The connectable input whose connector row holds the relative point, or null.
NodeParam* InputAt(Node& node, int32_t px, int32_t py);

// The index of the output whose connector holds the relative point, or -1.
// Answers for root nodes too.
int32_t OutputAt(const Node& node, int32_t px, int32_t py);
