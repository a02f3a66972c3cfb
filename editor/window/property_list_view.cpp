#include "window/property_list_view.h"

#include <QPainter>

PropertyListView::PropertyListView(QWidget* parent) : QTreeWidget(parent) {}

void PropertyListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const QTreeWidgetItem* row = itemFromIndex(index);
    if (!onDrawItem || row == nullptr) {
        QTreeWidget::drawRow(painter, option, index);
        return;
    }
    painter->save();
    onDrawItem(*painter, *row, visualItemRect(row));
    painter->restore();
}
