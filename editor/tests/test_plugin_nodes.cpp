// A node plug-in whose functions throw, used as a user would use it.

#include "editor_test_support.h"

#include <cstdlib>

#include "plugin_test_support.h"

using namespace editor_test;

// Dropped, linked to the material, previewed, its thumbnails made, copied and
// pasted, and, once its create throws too, dropped and copied again: the
// window goes on, and the preview shows the outputs the plug-in left.
TEST_F(EditorTest, PluginNodeWhoseFunctionsThrowLeavesTheWindowWorking)
{
    const std::string lib =
        std::string(std::getenv("QMERE_HOME")) + "Node/fixture_throwing_plugin.so";
    const auto palette =
        form->TreeView1->findItems("thrower", Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(palette.size(), 1);
    form->TreeView1->setCurrentItem(palette[0]);
    form->PaintBox1DragDrop(form->TreeView1, 40, 60);
    ASSERT_EQ(document.nodes.size(), 1u);
    Node* thrower = document.nodes[0].get();
    Node* root = Add("Root", "root", 300, 20);
    Stroke({OutputRow(*thrower, 0), InputRow(*root, 0)});
    ASSERT_EQ(root->params[0].source, thrower);

    form->menuPreview();
    const std::vector<uint8_t> linked = Pixels(form->preview);
    form->menuPreviewAll();
    form->ShowNodeProperties(thrower);
    form->menuPreviewNode();
    ASSERT_NE(thrower->thumbnail, nullptr);
    EXPECT_EQ(thrower->thumbnail->bits[32 * thrower->thumbnail->rowBytes + 3 * 32], 191);
    EXPECT_EQ(thrower->thumbnail->bits[32 * thrower->thumbnail->rowBytes + 3 * 32 + 2], 63);
    ASSERT_NE(root->thumbnail, nullptr);
    // The material is that of a root whose own colour the plug-in's output is.
    root->params[0].source = nullptr;
    double* colour = root->params[0].value.components;
    colour[0] = 0.25;
    colour[1] = 0.5;
    colour[2] = 0.75;
    form->menuPreview();
    EXPECT_EQ(Pixels(form->preview), linked);

    form->menuCopyClick();
    form->menuPasteClick();
    ASSERT_EQ(document.nodes.size(), 3u);

    // No new instance: the drop and the paste make nothing, the cut keeps
    // its node.
    ASSERT_TRUE(plugintest::SetCreateThrows(lib, true));
    form->PaintBox1DragDrop(form->TreeView1, 40, 300);
    form->menuPasteClick();
    form->ShowNodeProperties(thrower);
    form->menuCutClick();
    plugintest::SetCreateThrows(lib, false);
    EXPECT_EQ(document.nodes.size(), 3u);
    EXPECT_EQ(form->selectedNode, thrower);
}
