#pragma once
// The property list: a two-column report list ("Item", "Value") whose rows
// the window draws itself, one whole row at a time.

#include <functional>

#include <QTreeWidget>

class PropertyListView : public QTreeWidget {
public:
    explicit PropertyListView(QWidget* parent);

    // Draws row within its bounds (all columns, in viewport coordinates).
    std::function<void(QPainter& canvas, const QTreeWidgetItem& row, const QRect& bounds)>
        onDrawItem;

protected:
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
};
