// Copy, cut, paste and delete through the window's one-node clipboard, and
// new nodes dragged from the palette onto the canvas. A list holds one root
// at most: a second one is refused, as is a node the document could not read
// back from a file.

#include <QTreeWidget>

#include "model/node.h"
#include "model/node_list.h"
#include "window/form1.h"
#include "window/saturate.h"
#include "window/tree_item_data.h"

namespace {

const QString kSecondRoot = QStringLiteral("You cannot create multiple root.");

}  // namespace

void TForm1::RemoveNode(Node* node)
{
    if (pressedNode == node) {
        pressedNode = nullptr;
    }
    // An edit of one of its inputs (or, for a macro, of its sub-graph's)
    // ends while they still exist.
    FinishPropertyEdit();
    currentList->Remove(node);
}

void TForm1::menuCopyClick()
{
    if (selectedNode == nullptr) {
        return;
    }
    // A plug-in node whose plug-in makes no new instance has no copy; the
    // clipboard then keeps what it held.
    if (std::unique_ptr<Node> copy = selectedNode->Clone()) {
        clipboardNode = std::move(copy);
    }
}

// Copy, then delete; a node that has no copy stays.
void TForm1::menuCutClick()
{
    if (selectedNode == nullptr || currentList == nullptr) {
        return;
    }
    const Node* held = clipboardNode.get();
    menuCopyClick();
    if (clipboardNode.get() != held) {
        menuDelNodeClick();
    }
}

void TForm1::menuDelNodeClick()
{
    if (selectedNode == nullptr || currentList == nullptr) {
        return;
    }
    RemoveNode(selectedNode);
    ShowNodeProperties(nullptr);
    RepaintGraph();
    MarkModified();
}

void TForm1::menuPasteClick()
{
    if (clipboardNode == nullptr || currentList == nullptr) {
        return;
    }
    if (clipboardNode->isRoot && currentList->FindRoot() != nullptr) {
        ShowStatusError(kSecondRoot);
        return;
    }
    std::unique_ptr<Node> copy = clipboardNode->Clone();
    if (copy == nullptr) {
        return;
    }
    const QPoint pointer = ClientPointerPos();
    AddNewNode(std::move(copy), pointer.x(), pointer.y());
}

bool TForm1::PaintBox1DragOver(QObject* source) const
{
    return source == TreeView1 && ItemData<Node>(TreeView1->currentItem()) != nullptr;
}

void TForm1::PaintBox1DragDrop(QObject*, int x, int y)
{
    Node* prototype = ItemData<Node>(TreeView1->currentItem());
    if (prototype == nullptr || currentList == nullptr) {
        return;
    }
    if (prototype->isRoot && currentList->FindRoot() != nullptr) {
        ShowStatusError(kSecondRoot);
        return;
    }
    std::unique_ptr<Node> node = prototype->Create();
    if (node == nullptr) {
        return;
    }
    AddNewNode(std::move(node), x, y);
}

// As the stored layout places a dropped or pasted node: the canvas panel's
// offset in the window is taken off the point, the scroll added; the box is
// sized for its labels, and the node joins the current list selected. A node
// that would keep the document from reading back whole (a macro nested too
// deep, or one whose sub-graph is too deep for this level) is not added.
void TForm1::AddNewNode(std::unique_ptr<Node> node, int x, int y)
{
    const QPoint panel = CanvasPanelOrigin();
    node->x = Saturate(int64_t{x} + scrollX - panel.x());
    node->y = Saturate(int64_t{y} + scrollY - panel.y());
    CalcNodeSize(*node);
    Node* added = node.get();
    currentList->nodes.push_back(std::move(node));
    if (RefuseUnreadable(QStringLiteral("add"))) {
        currentList->nodes.pop_back();
        return;
    }
    ShowNodeProperties(added);
    RepaintGraph();
    MarkModified();
}
