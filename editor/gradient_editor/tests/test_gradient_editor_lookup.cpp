// Keys the window moves are where the very next lookup finds them, whichever
// way they were moved: dragged, typed, by the end fields or turned over.

#include "gradient_editor_test_support.h"

namespace {

using namespace gradient_test;

double RedAt(const Gradient& gradient, double x)
{
    double rgb[3] = {};
    EXPECT_TRUE(gradient.GetColor(x, rgb, nullptr));
    return rgb[0];
}

// Black ends and one red key between them: the lookup on that key's
// position gives full red only where the key really is.
TEST_F(GradientEditorTest, MovedKeysAreSeenByTheNextLookup)
{
    Open({{0.0}, {1.0}, {0.5, 1.0}});
    const GValue& red = *gradient.Key(2);

    Press(Marker(0.5));
    Move(QPoint(5, 76));
    Release(QPoint(5, 76));
    ASSERT_DOUBLE_EQ(red.position, 0.25);
    EXPECT_EQ(RedAt(gradient, red.position), 1.0) << "dragged";

    Select(2);
    Type(editor.Edit5, "0.75");
    ASSERT_EQ(red.position, 0.75);
    EXPECT_EQ(RedAt(gradient, 0.75), 1.0) << "typed";

    // With an end key selected only the start field moves a key.
    Select(0);
    Type(editor.Edit1, "-1");
    ASSERT_EQ(gradient.Key(0)->position, -1.0);
    EXPECT_EQ(RedAt(gradient, -0.125), 0.5) << "start field";

    Click(editor.Button4);
    ASSERT_EQ(red.position, -0.75);
    EXPECT_EQ(RedAt(gradient, -0.75), 1.0) << "turned over";
    EXPECT_EQ(RedAt(gradient, 0.125), 0.5);
}

}  // namespace
