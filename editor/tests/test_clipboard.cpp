// The one-node clipboard, deleting, and nodes dragged from the palette; one
// root per list.

#include "editor_test_support.h"

#include <QCursor>

#include "window/tree_item_data.h"

using namespace editor_test;

namespace {

QTreeWidgetItem* PaletteItem(QTreeWidget& palette, const QString& category, const QString& type)
{
    for (int i = 0; i < palette.topLevelItemCount(); ++i) {
        QTreeWidgetItem* c = palette.topLevelItem(i);
        if (c->text(0) != category) {
            continue;
        }
        if (type.isEmpty()) {
            return c;
        }
        for (int j = 0; j < c->childCount(); ++j) {
            if (c->child(j)->text(0) == type) {
                return c->child(j);
            }
        }
    }
    return nullptr;
}

}  // namespace

TEST_F(EditorTest, CutCopyPasteAndDeleteThroughTheClipboard)
{
    Node* a = Add("Operator", "invert", 20, 20);
    Node* b = Add("Operator", "mix", 300, 20);
    b->params[0].source = a;

    form->menuCopyClick();  // nothing selected: the clipboard stays empty
    EXPECT_EQ(form->clipboardNode, nullptr);
    form->ShowNodeProperties(a);
    form->menuCutClick();
    ASSERT_EQ(document.nodes.size(), 1u);
    EXPECT_EQ(b->params[0].source, nullptr);
    ASSERT_NE(form->clipboardNode, nullptr);
    EXPECT_EQ(form->clipboardNode->name, "invert");
    EXPECT_EQ(form->selectedNode, nullptr);
    EXPECT_TRUE(form->modified);

    // Two pastes at the pointer give two independent copies.
    form->scrollX = 5;
    const QPoint at(200, 150);
    QCursor::setPos(form->PaintBox1->mapToGlobal(at));
    form->menuPasteClick();
    QCursor::setPos(form->PaintBox1->mapToGlobal(at + QPoint(50, 30)));
    form->menuPasteClick();
    ASSERT_EQ(document.nodes.size(), 3u);
    Node* first = document.nodes[1].get();
    Node* second = document.nodes[2].get();
    EXPECT_EQ(form->selectedNode, second);
    EXPECT_NE(first, second);
    EXPECT_LE(std::abs(first->x - (at.x() + 5)), 2);
    EXPECT_LE(std::abs(first->y - at.y()), 2);
    EXPECT_EQ(second->x - first->x, 50);
    EXPECT_EQ(second->y - first->y, 30);
    first->params[0].value.components[0] = 0.25;
    EXPECT_EQ(second->params[0].value.components[0], 1.0);
    EXPECT_NE(form->clipboardNode, nullptr);

    // Deleting the node whose input is being edited forgets the input.
    form->ShowNodeProperties(first);
    form->editedParam = &first->params[0];
    form->menuDelNodeClick();
    EXPECT_EQ(form->editedParam, nullptr);
    EXPECT_EQ(document.nodes.size(), 2u);
}

TEST_F(EditorTest, SecondRootIsRefusedOnPasteAndOnDrop)
{
    Node* root = Add("Root", "root", 300, 20);
    form->ShowNodeProperties(root);
    form->menuCopyClick();
    form->UpdateCaption(QString(), false);
    form->menuPasteClick();
    EXPECT_EQ(document.nodes.size(), 1u);
    EXPECT_EQ(Status(), "You cannot create multiple root.");
    EXPECT_EQ(dialogs->errorBeeps, 1);

    QTreeWidgetItem* rootType = PaletteItem(*form->TreeView1, "Root", "root");
    ASSERT_NE(rootType, nullptr);
    form->TreeView1->setCurrentItem(rootType);
    EXPECT_TRUE(form->PaintBox1DragOver(form->TreeView1));
    EXPECT_FALSE(form->PaintBox1DragOver(form->ListView1));
    form->PaintBox1DragDrop(form->TreeView1, 50, 60);
    EXPECT_EQ(document.nodes.size(), 1u);
    EXPECT_EQ(dialogs->errorBeeps, 2);
    EXPECT_FALSE(form->modified);

    // A macro root is a root too; in a list of its own it may go in.
    NodeList other;
    form->EnterNodeList(&other, true);
    form->TreeView1->setCurrentItem(PaletteItem(*form->TreeView1, "Macro", "macro root"));
    form->PaintBox1DragDrop(form->TreeView1, 50, 60);
    form->PaintBox1DragDrop(form->TreeView1, 80, 60);
    EXPECT_EQ(other.nodes.size(), 1u);
    form->menuPasteClick();
    EXPECT_EQ(other.nodes.size(), 1u);
    EXPECT_EQ(dialogs->errorBeeps, 4);
}

TEST_F(EditorTest, PaletteDropMakesASizedNodeAtThePanelOffset)
{
    QTreeWidgetItem* category = PaletteItem(*form->TreeView1, "Operator", "");
    ASSERT_NE(category, nullptr);
    form->TreeView1->setCurrentItem(category);
    EXPECT_FALSE(form->PaintBox1DragOver(form->TreeView1));
    form->PaintBox1DragDrop(form->TreeView1, 10, 10);
    EXPECT_TRUE(document.nodes.empty());

    form->TreeView1->setCurrentItem(PaletteItem(*form->TreeView1, "Operator", "mix"));
    form->scrollX = 7;
    form->scrollY = 3;
    form->PaintBox1DragDrop(form->TreeView1, 100, 200);
    ASSERT_EQ(document.nodes.size(), 1u);
    Node& mix = *document.nodes[0];
    const QPoint panel = form->Panel1->mapTo(form->centralWidget(), QPoint(0, 0));
    const int toolBar = form->ToolBar1->height();
    EXPECT_EQ(mix.x, 100 + 7 - panel.x());
    EXPECT_EQ(mix.y, 200 + 3 - panel.y() - toolBar);
    EXPECT_EQ(toolBar, 29);
    EXPECT_EQ(mix.height, 3 * 16 + 96);  // three connectable inputs, one output
    EXPECT_GT(mix.width, 52);
    EXPECT_EQ(form->selectedNode, &mix);
    EXPECT_TRUE(form->modified);
}

TEST_F(EditorTest, PaletteListsTheRegistryInItsOrder)
{
    const NodeFactory& factory = *globals.nodeFactory;
    QStringList fromRegistry;
    QStringList shown;
    for (uint32_t i = 0; !factory.CategoryName(i).empty(); ++i) {
        const std::string category = factory.CategoryName(i);
        fromRegistry << QString::fromStdString(category);
        for (uint32_t j = 0; !factory.NodeName(category, j).empty(); ++j) {
            fromRegistry << QString::fromStdString(category + "/" + factory.NodeName(category, j));
        }
    }
    for (int i = 0; i < form->TreeView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* c = form->TreeView1->topLevelItem(i);
        shown << c->text(0);
        EXPECT_EQ(ItemData<Node>(c), nullptr);
        for (int j = 0; j < c->childCount(); ++j) {
            shown << c->text(0) + "/" + c->child(j)->text(0);
            const Node* prototype = ItemData<Node>(c->child(j));
            ASSERT_NE(prototype, nullptr);
            EXPECT_EQ(prototype, factory.Find(prototype->name, prototype->category));
        }
    }
    EXPECT_EQ(shown, fromRegistry);
    EXPECT_EQ(form->minimumSize(), QSize(480, 360));
}
