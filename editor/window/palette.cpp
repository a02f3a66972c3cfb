// The node palette: the registry's categories and node types, in its order.

#include <QTreeWidget>
#include <QTreeWidgetItem>

#include "registry/globals.h"
#include "window/editor_icons.h"
#include "window/form1.h"
#include "window/tree_item_data.h"

void TForm1::FillPalette()
{
    const NodeFactory* factory = globals.nodeFactory.get();
    if (factory == nullptr) {
        return;
    }
    for (uint32_t i = 0;; ++i) {
        const std::string category = factory->CategoryName(i);
        if (category.empty()) {
            break;
        }
        auto* categoryItem = new QTreeWidgetItem(TreeView1, {QString::fromStdString(category)});
        categoryItem->setIcon(0, PaletteIcon(0));
        for (uint32_t j = 0;; ++j) {
            int32_t imageIndex = 0;
            const std::string nodeName = factory->NodeName(category, j, &imageIndex);
            if (nodeName.empty()) {
                break;
            }
            Node* prototype = factory->Find(nodeName, category);
            if (prototype == nullptr) {
                continue;
            }
            auto* typeItem =
                new QTreeWidgetItem(categoryItem, {QString::fromStdString(prototype->name)});
            typeItem->setIcon(0, PaletteIcon(imageIndex));
            SetItemData(*typeItem, prototype);
        }
    }
}
