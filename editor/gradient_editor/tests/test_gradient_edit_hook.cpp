// A gradient node's Edit opens the gradient editor modally on the node's
// gradient, in the node's mode, and returns when it closes.

#include <QTimer>

#include "gradient/gradient_nodes.h"
#include "gradient_edit_hook.h"
#include "gradient_editor_test_support.h"
#include "model/edit_hooks.h"

namespace {

using namespace gradient_test;

class GradientEditHook : public GradientEditorTest {
protected:
    void SetUp() override { InstallGradientEditHook(editor); }
    void TearDown() override { TheEditHooks().editGradient = nullptr; }

    // Runs the node's Edit; inside the modal window records what it shows,
    // types value into the value field and presses "Done".
    void EditNode(GradientNode& node, const QString& value)
    {
        QTimer::singleShot(0, &editor, [&] {
            modal = editor.isVisible() && editor.isModal();
            shownMode = editor.valueMode;
            shownGradient = editor.gradient;
            Type(editor.Edit3, value);
            Close();
        });
        node.Edit(node.params[0]);
        EXPECT_TRUE(modal);
        EXPECT_EQ(shownGradient, node.gradient.get());
        EXPECT_FALSE(editor.isVisible());
        EXPECT_EQ(editor.gradient, nullptr);
    }

    bool modal = false;
    int32_t shownMode = -1;
    const Gradient* shownGradient = nullptr;
};

TEST_F(GradientEditHook, GradientNodesOpenTheWindowInTheirMode)
{
    const auto value = NGradientV::New();
    auto& valueNode = static_cast<GradientNode&>(*value);
    EditNode(valueNode, "0.75");
    EXPECT_EQ(shownMode, 1);
    EXPECT_EQ(valueNode.gradient->FirstKey()->r, 0.75);

    const auto colour = NGradientC::New();
    auto& colourNode = static_cast<GradientNode&>(*colour);
    EditNode(colourNode, "0.75");  // the hidden value field is not applied
    EXPECT_EQ(shownMode, 0);
    EXPECT_EQ(colourNode.gradient->FirstKey()->r, 0.0);
}

}  // namespace
