#pragma once
// The object a palette or property-list item stands for: a node type's
// prototype (owned by the registry) or an input (owned by its node). Items
// without one (palette categories) answer null. Kept as a number, which the
// item's drag data can carry.

#include <QTreeWidgetItem>
#include <QVariant>

namespace tree_item_data {
constexpr int kRole = Qt::UserRole + 1;
}

template <typename T>
void SetItemData(QTreeWidgetItem& item, T* object)
{
    item.setData(0, tree_item_data::kRole, QVariant::fromValue(reinterpret_cast<quintptr>(object)));
}

template <typename T>
T* ItemData(const QTreeWidgetItem* item)
{
    return item != nullptr
               ? reinterpret_cast<T*>(item->data(0, tree_item_data::kRole).value<quintptr>())
               : nullptr;
}
