// The "Property" tab: the selected node's name and one row per input.

#include <QLineEdit>
#include <QTreeWidget>

#include "model/node.h"
#include "window/form1.h"
#include "window/tree_item_data.h"

void TForm1::ShowNodeProperties(Node* node)
{
    selectedNode = node;
    ListView1->clear();
    Edit1->clear();
    if (node == nullptr) {
        return;
    }
    for (int32_t i = 0; i < node->paramCount; ++i) {
        auto* row = new QTreeWidgetItem(ListView1, {QString::fromStdString(node->params[i].name)});
        SetItemData(*row, &node->params[i]);
    }
    Edit1->setText(QString::fromStdString(node->name));
}

void TForm1::ListView1Click()
{
    NodeParam* param = ItemData<NodeParam>(ListView1->currentItem());
    if (selectedNode == nullptr || param == nullptr || param->source != nullptr) {
        return;
    }
    editedParam = param;
    switch (param->editKind) {
    case EDIT_CUSTOM:
        // The node's own editor: a macro opens its sub-graph in the canvas.
        selectedNode->Edit(*param);
        break;
    default:
        break;
    }
    ListView1->viewport()->update();
    MarkModified();
}
