// The "Property" tab: the selected node's name, one owner-drawn row per
// input (type swatch, name, value), and a click on a row that starts editing
// the input with the control its edit kind calls for.

#include <cmath>

#include <QFile>
#include <QLineEdit>
#include <QPainter>

#include "colour_bytes.h"
#include "model/node.h"
#include "window/form1.h"
#include "window/gdi_shapes.h"
#include "window/property_list_view.h"
#include "window/tree_item_data.h"
#include "window/type_colors.h"

namespace {

// The colour dialog opens at ceil(c x 255), at most 255 (and, for a value
// below 0 that only a file can give, at 0).
int PresetByte(double c)
{
    return LimitedByte(std::ceil(c * 255.0));
}

bool Linked(const NodeParam& param)
{
    return param.connectable && param.source != nullptr;
}

}  // namespace

void TForm1::ShowNodeProperties(Node* node)
{
    FinishPropertyEdit();
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

void TForm1::ListView1DrawItem(QPainter& canvas, const QTreeWidgetItem& row, const QRect& bounds)
{
    if (selectedNode == nullptr) {
        return;
    }
    const QColor background = ListView1->palette().color(QPalette::Base);
    canvas.fillRect(bounds, background);
    const NodeParam* param = ItemData<NodeParam>(&row);
    if (param == nullptr) {
        return;
    }
    canvas.setClipRect(bounds);
    const int64_t left = bounds.left();
    const int64_t top = bounds.top();
    const int64_t c0 = ListView1->columnWidth(0);
    const int64_t c1 = ListView1->columnWidth(1);

    canvas.setPen(Qt::black);
    canvas.setBrush(TypeColor(param->value.type));
    Rectangle(canvas, left + 1, top + 1, left + 10, top + 10);

    canvas.setBrush(background);
    // The name ends with its column, as a list's own cell text would.
    TextOut(canvas, left + 16, top, row.text(0), background,
            {left, top, left + c0, int64_t{bounds.bottom()} + 1});

    if (param->editKind != EDIT_COLOR || Linked(*param)) {
        TextOut(canvas, left + c0 + 4, top, QString::fromStdString(param->ValueText()), background);
    } else {
        const double* c = param->value.components;
        canvas.setBrush(QColor(ChannelByte(c[0]), ChannelByte(c[1]), ChannelByte(c[2])));
        // A rounded rectangle with 2 x 2 corners, from (left, top) to
        // (right, bottom) exclusive.
        const int64_t l = left + c0 + 12;
        const int64_t r = left + c0 + c1 - 12;
        if (r - l >= 2) {
            canvas.drawRoundedRect(QRectF(static_cast<qreal>(l), static_cast<qreal>(top + 1),
                                          static_cast<qreal>(r - l - 1), 8.0),
                                   1.0, 1.0);
        }
    }
    canvas.setClipping(false);
}

void TForm1::ListView1Click()
{
    QTreeWidgetItem* row = ListView1->currentItem();
    NodeParam* param = ItemData<NodeParam>(row);
    if (selectedNode == nullptr || param == nullptr || param->source != nullptr) {
        return;
    }
    FinishPropertyEdit();
    editedParam = param;
    const QRect bounds = ListView1->visualItemRect(row).translated(
        ListView1->viewport()->mapTo(ListView1, QPoint()));
    switch (param->editKind) {
    case EDIT_COLOR:
        PickParamColor(*param);
        break;
    case EDIT_CHOICE:
        ShowChoiceBox(*param, bounds);
        break;
    case EDIT_FILE:
        PickParamFileName(*param);
        break;
    case EDIT_CUSTOM:
        // The node's own editor: a gradient opens the gradient editor, a
        // macro its sub-graph in the canvas (which rebuilds this list).
        selectedNode->Edit(*param);
        break;
    default:
        ShowTextEditor(*param, bounds);
        break;
    }
    ListView1->viewport()->update();
    // Every click that reached an edit marks the document, also when a
    // dialog was cancelled or the edit changes nothing.
    MarkModified();
}

void TForm1::PickParamColor(NodeParam& param)
{
    double* c = param.value.components;
    QColor colour(PresetByte(c[0]), PresetByte(c[1]), PresetByte(c[2]));
    if (!Dialogs().AskColor(this, colour)) {
        return;
    }
    c[0] = colour.red() / 255.0;
    c[1] = colour.green() / 255.0;
    c[2] = colour.blue() / 255.0;
}

void TForm1::PickParamFileName(NodeParam& param)
{
    const QString path = Dialogs().AskInputFileName(this);
    if (!path.isEmpty()) {
        param.value.text = QFile::encodeName(path).toStdString();
    }
}
