// The gradient editor's strip and markers under the pointer: insertion,
// selection, dragging, and gradients without a usable range.

#include <algorithm>

#include "gradient_editor_test_support.h"

namespace {

using namespace gradient_test;

// A click in the strip inserts a key with the gradient's colour there,
// unless a key lies within 1 % of the range.
TEST_F(GradientEditorTest, ClickInTheStripInsertsAKey)
{
    Open({{0.0, 0.0, 0.0, 0.0, 0.0}, {1.0, 1.0, 0.5, 0.0, 1.0}});
    ClickStrip(8 + 2);    // 0.0066 from the first key
    ClickStrip(8 + 301);  // 0.0099 from the last key
    EXPECT_EQ(gradient.Count(), 2);
    EXPECT_EQ(editor.selectedKey, gradient.Key(0));

    editor.RenderStrip();
    const std::vector<uint8_t> before(
        editor.strip.bits, editor.strip.bits + editor.strip.rowBytes * editor.strip.height);
    ClickStrip(8 + 152);
    ASSERT_EQ(gradient.Count(), 3);
    const GValue* added = gradient.Key(2);
    EXPECT_EQ(editor.selectedKey, added);
    EXPECT_EQ(added->position, 0.5);
    EXPECT_EQ(added->r, 0.5);
    EXPECT_EQ(added->g, 0.25);
    EXPECT_EQ(added->alpha, 0.5);
    EXPECT_EQ(editor.Edit5->text(), "0.500000");
    EXPECT_FALSE(editor.Edit5->isReadOnly());
    EXPECT_FALSE(editor.dragging);
    editor.RenderStrip();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), editor.strip.bits));

    // Above and below the strip nothing happens.
    ClickStrip(7);
    ClickStrip(8 + 305);
    EXPECT_EQ(gradient.Count(), 3);
}

// Pressing a marker selects its key; dragging keeps a middle key 1 % of the
// range from its neighbours, and the end keys never move.
TEST_F(GradientEditorTest, DraggingStaysWithinTheNeighbours)
{
    Open({{0.0}, {1.0}, {0.5}});
    Press(Marker(0.5));
    EXPECT_EQ(editor.selectedKey, gradient.Key(2));
    EXPECT_TRUE(editor.dragging);
    Move(QPoint(5, 0));
    EXPECT_DOUBLE_EQ(gradient.Key(2)->position, 0.01);
    EXPECT_EQ(editor.Edit5->text(), "0.010000");
    Move(QPoint(5, 330));
    EXPECT_DOUBLE_EQ(gradient.Key(2)->position, 0.99);
    Move(QPoint(5, 76));
    EXPECT_DOUBLE_EQ(gradient.Key(2)->position, 0.25);
    Release(QPoint(5, 76));
    EXPECT_FALSE(editor.dragging);
    Move(QPoint(5, 200));
    EXPECT_DOUBLE_EQ(gradient.Key(2)->position, 0.25);

    Press(Marker(1.0));
    EXPECT_EQ(editor.selectedKey, gradient.Key(1));
    Move(QPoint(5, 100));
    Release(QPoint(5, 100));
    EXPECT_EQ(gradient.Key(1)->position, 1.0);

    // A press on the marker column that hits no marker keeps the selection.
    Press(QPoint(5, 150));
    EXPECT_EQ(editor.selectedKey, gradient.Key(1));
    EXPECT_FALSE(editor.dragging);
    Release(QPoint(5, 150));
}

// A middle key typed onto the end key's position while its marker is held
// has no neighbour above it: the end key bounds the drag instead.
TEST_F(GradientEditorTest, KeyTypedOntoAnEndIsBoundedByIt)
{
    Open({{0.0}, {1.0}, {0.5}});
    // The position field has the focus while the marker is held.
    Click(editor.Edit5);
    Press(Marker(0.5));
    ASSERT_TRUE(editor.Edit5->hasFocus());
    Type(editor.Edit5, "1");
    ASSERT_EQ(gradient.Key(2)->position, 1.0);
    EXPECT_EQ(gradient.LastKey(), gradient.Key(1));
    Move(QPoint(5, 330));
    EXPECT_DOUBLE_EQ(gradient.Key(2)->position, 0.99);

    Type(editor.Edit5, "0");
    Move(QPoint(5, 0));
    EXPECT_DOUBLE_EQ(gradient.Key(2)->position, 0.01);
    Release(QPoint(5, 0));
}

// Gradients without two distinct positions (only a damaged or hand-made
// file has them) show all markers at the top; painting, clicking and
// dragging read no missing key and change nothing.
TEST_F(GradientEditorTest, GradientsWithoutARangeAreShownSafely)
{
    struct Case {
        std::vector<KeySpec> keys;
        QRgb marker;  // inside the one marker at the top
        QRgb strip;   // a light square of the checkerboard, or what covers it
    };
    const QRgb grey = qRgb(192, 192, 192);
    const std::vector<Case> cases = {
        {{}, grey, grey},
        {{{0.3, 1.0}}, qRgb(255, 0, 0), grey},
        {{{0.3}, {0.3, 1.0}, {0.3}}, qRgb(0, 0, 0), qRgb(0, 0, 0)},
    };
    for (const Case& c : cases) {
        Open(c.keys);
        if (!c.keys.empty()) {
            EXPECT_EQ(PaintBox1Pixel(3, 7), c.marker);
        }
        EXPECT_EQ(PaintBox1Pixel(16 + 5, 8 + 20), c.strip);
        ClickStrip(8 + 150);
        Press(QPoint(5, 4));
        Move(QPoint(5, 300));
        Release(QPoint(5, 300));
        Click(editor.Button4);
        EXPECT_EQ(gradient.Count(), static_cast<int32_t>(c.keys.size()));
        for (int32_t i = 0; i < gradient.Count(); ++i) {
            EXPECT_EQ(gradient.Key(i)->position, 0.3);
        }
        Close();
    }
}

}  // namespace
