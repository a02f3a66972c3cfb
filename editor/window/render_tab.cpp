// The "Render" tab and the thumbnails: the material preview of the current
// list's root at the chosen size, and each node's 64 x 64 picture inside its
// box.

#include <QCheckBox>
#include <QPainter>
#include <QTabWidget>

#include "dib_draw.h"
#include "material_preview.h"
#include "model/node.h"
#include "model/node_list.h"
#include "window/drop_paint_box.h"
#include "window/form1.h"
#include "window/wait_cursor.h"

void TForm1::ComboBox1Change(int index)
{
    int size = 128;
    switch (index) {
    case 0:
        size = 64;
        break;
    case 1:
        size = 96;
        break;
    case 3:
        size = 192;
        break;
    case 4:
        size = 256;
        break;
    default:
        break;
    }
    preview.Create(size, size, 24);
    PaintBox3->update();
}

void TForm1::PaintBox3Click()
{
    if (currentList == nullptr) {
        return;
    }
    FinishPropertyEdit();  // render what the property list shows
    Node* root = currentList->FindRoot();
    if (root == nullptr) {
        ShowStatusError(QStringLiteral("Cannot find root node."));
        return;
    }
    const int32_t samples = CheckBox1->isChecked() ? 2 : 1;
    const WaitCursor hourglass;
    RenderPreview(&preview, samples, root, currentList);
    PaintBox3->update();
}

void TForm1::PaintBox3Paint(QPainter& canvas)
{
    DrawBitmap(canvas, preview, 0, 0);
}

void TForm1::menuPreview()
{
    PageControl1->setCurrentWidget(TabSheet3);
    PaintBox3Click();
}

void TForm1::RenderNodeThumbnail(Node* node)
{
    if (node == nullptr || currentList == nullptr) {
        return;
    }
    FinishPropertyEdit();
    if (node->thumbnail == nullptr) {
        node->thumbnail = std::make_unique<dib24>(64, 64, 24);
    }
    RenderPreview(node->thumbnail.get(), 1, node, currentList);
}

void TForm1::menuPreviewNode()
{
    if (selectedNode == nullptr) {
        return;
    }
    {
        const WaitCursor hourglass;
        RenderNodeThumbnail(selectedNode);
    }
    RepaintGraph();
}

void TForm1::menuPreviewAll()
{
    if (currentList == nullptr) {
        return;
    }
    {
        const WaitCursor hourglass;
        for (const auto& node : currentList->nodes) {
            RenderNodeThumbnail(node.get());
        }
    }
    RepaintGraph();
}

void TForm1::DrawBitmap(QPainter& canvas, const dib24& bitmap, int64_t x, int64_t y)
{
    constexpr int64_t kFar = int64_t{1} << 24;
    if (x < -kFar || x > kFar || y < -kFar || y > kFar) {
        return;  // far outside any canvas
    }
    DrawDib(canvas, bitmap,
            QRect(static_cast<int>(x), static_cast<int>(y), bitmap.width, bitmap.height));
}
