// The mouse on the node canvas: a press picks the topmost node and what part
// of its box was hit; a drag moves the node or scrolls the view; a release
// over an input connector completes a link, refused when it closes a cycle
// or makes a chain longer than a file can hold.
// The popup's "Disconnect" cuts the link of the input under the right-button
// press that opened it.

#include <QFrame>
#include <QMenu>
#include <QTabWidget>

#include "model/node.h"
#include "model/node_list.h"
#include "window/drop_paint_box.h"
#include "window/form1.h"
#include "window/saturate.h"
#include "window/wait_cursor.h"

namespace {

// A canvas-widget point in graph coordinates, relative to node's box.
int32_t LocalX(const Node& node, int x, int32_t scrollX)
{
    return Saturate(int64_t{x} + scrollX - node.x);
}
int32_t LocalY(const Node& node, int y, int32_t scrollY)
{
    return Saturate(int64_t{y} + scrollY - node.y);
}

}  // namespace

void TForm1::PaintBox1MouseDown(Qt::MouseButton button, int x, int y)
{
    if (currentList == nullptr || PaintBox1->width() <= 0 || PaintBox1->height() <= 0) {
        return;
    }
    // A drag whose release never came here (a second button's popup took
    // it) still counts before the press starts another.
    MarkMovedNode();
    Panel1->setFocus();
    ClearStatus();
    lastMouseX = x;
    lastMouseY = y;
    pointerX = x;
    pointerY = y;
    pressedNode =
        currentList->HitTest(Saturate(int64_t{x} + scrollX), Saturate(int64_t{y} + scrollY));

    if (button == Qt::RightButton) {
        menuDisconnect->setEnabled(pressedNode != nullptr &&
                                   pressedNode->InputAt(LocalX(*pressedNode, x, scrollX),
                                                        LocalY(*pressedNode, y, scrollY)) !=
                                       nullptr);
        Dialogs().RunPopup(*PopupMenu1, PaintBox1->mapToGlobal(QPoint(x, y)));
        return;
    }

    dragging = true;
    if (pressedNode == nullptr) {
        PageControl1->setCurrentWidget(TabSheet1);
        pressMode = 0;
        RepaintGraph();
        return;
    }
    Node& node = *pressedNode;
    pressNodeX = node.x;
    pressNodeY = node.y;
    const int32_t px = LocalX(node, x, scrollX);
    const int32_t py = LocalY(node, y, scrollY);
    PageControl1->setCurrentWidget(TabSheet2);
    ShowNodeProperties(&node);
    pressMode = node.HitTest(px, py);
    switch (pressMode) {
    case HIT_OUTPUT:
        pendingOutput = node.OutputAt(px, py);
        linkStartX = x;
        linkStartY = y;
        if (pendingOutput < 0) {
            pressMode = 0;
        }
        break;
    case HIT_EXPAND:
        node.expanded = !node.expanded;
        pressMode = 0;
        break;
    case HIT_THUMBNAIL: {
        dragging = false;
        const WaitCursor hourglass;
        RenderNodeThumbnail(&node);
        break;
    }
    default:
        break;
    }
    RepaintGraph();
}

void TForm1::PaintBox1MouseMove(int x, int y)
{
    if (!dragging) {
        return;
    }
    if (pressedNode == nullptr) {
        scrollX = Saturate(int64_t{scrollX} + lastMouseX - x);
        scrollY = Saturate(int64_t{scrollY} + lastMouseY - y);
    } else if (pressMode == HIT_BODY) {
        pressedNode->x = Saturate(int64_t{pressedNode->x} + x - lastMouseX);
        pressedNode->y = Saturate(int64_t{pressedNode->y} + y - lastMouseY);
    }
    pointerX = x;
    pointerY = y;
    RepaintGraph();
    lastMouseX = x;
    lastMouseY = y;
}

void TForm1::PaintBox1MouseUp(Qt::MouseButton, int x, int y)
{
    if (currentList != nullptr && pressedNode != nullptr && pressMode == HIT_OUTPUT) {
        Node* target =
            currentList->HitTest(Saturate(int64_t{x} + scrollX), Saturate(int64_t{y} + scrollY));
        NodeParam* input = target != nullptr ? target->InputAt(LocalX(*target, x, scrollX),
                                                               LocalY(*target, y, scrollY))
                                             : nullptr;
        if (input != nullptr && input->connectable) {
            input->source = pressedNode;
            input->sourceOutput = pendingOutput;
            if (currentList->FindLoop()) {
                ShowStatusError(QStringLiteral("Loop detected, cannot connect."));
                input->source = nullptr;
            } else if (RefuseUnreadable(QStringLiteral("connect"))) {
                input->source = nullptr;  // refused as a loop is
            } else {
                ShowNodeProperties(target);
            }
            MarkModified();
        }
    }
    MarkMovedNode();
    pressedNode = nullptr;
    dragging = false;
    RepaintGraph();
}

void TForm1::MarkMovedNode()
{
    if (dragging && pressedNode != nullptr && pressMode == HIT_BODY &&
        (pressedNode->x != pressNodeX || pressedNode->y != pressNodeY)) {
        MarkModified();
    }
}

void TForm1::menuDisconnectClick()
{
    if (pressedNode == nullptr) {
        return;
    }
    Node& node = *pressedNode;
    if (NodeParam* input =
            node.InputAt(LocalX(node, lastMouseX, scrollX), LocalY(node, lastMouseY, scrollY))) {
        input->source = nullptr;
    }
    pressMode = 0;
    ShowNodeProperties(&node);
    RepaintGraph();
    MarkModified();
}
