#pragma once
// The editor's way into the engine's Node::Edit overrides.
//
// The engine is compiled once, for the editor and for the render-time core
// library alike, and holds no editor code. The few node types whose custom
// input is edited in a window of its own (the gradient nodes, the macro node)
// reach that window through these hooks. The editor installs them at start-up,
// before any window opens, and leaves them in place; everywhere else they stay
// empty and those Edit overrides do nothing.
//
// The hooks are read on the user-interface thread only, inside Node::Edit.

#include <cstdint>
#include <functional>

class Gradient;
class NodeList;

struct EditHooks {
    // Shows the gradient editor modally on gradient and returns when it
    // closes; the window edits the keys in place. valueMode is 1 for a value
    // gradient (one channel, r) and 0 for a colour gradient.
    std::function<void(Gradient& gradient, int32_t valueMode)> editGradient;

    // Makes a macro node's sub-graph the list being edited, keeping the
    // enclosing list to return to.
    std::function<void(NodeList* subGraph)> enterNodeList;
};

// The process's one set of hooks; empty until the editor fills it.
EditHooks& TheEditHooks();
