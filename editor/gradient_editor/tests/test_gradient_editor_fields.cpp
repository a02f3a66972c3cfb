// The gradient editor's key fields and buttons, typed and clicked.

#include <QColor>

#include "gradient/gradient_nodes.h"
#include "gradient_editor_test_support.h"

namespace {

using namespace gradient_test;

const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

QRgb SwatchPixel(const TGradientEditor& editor)
{
    return editor.PaintBox2->grab().toImage().pixel(56, 3);
}

// A new colour gradient node: first key selected, end fields 0 and 1, the
// position field read-only in the button-face colour, everything black.
TEST_F(GradientEditorTest, NewColourGradientNodeOpensOnItsFirstKey)
{
    const auto node = NGradientC::New();
    editor.gradient = static_cast<NGradientC&>(*node).gradient.get();
    editor.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
    EXPECT_EQ(editor.selectedKey, editor.gradient->FirstKey());
    EXPECT_EQ(editor.Edit1->text(), "0.000000");
    EXPECT_EQ(editor.Edit2->text(), "1.000000");
    EXPECT_EQ(editor.Edit4->text(), "1.000000");
    EXPECT_EQ(editor.Edit5->text(), "0.000000");
    EXPECT_TRUE(editor.Edit5->isReadOnly());
    EXPECT_EQ(editor.Edit5->palette().color(QPalette::Base),
              editor.palette().color(QPalette::Button));
    EXPECT_TRUE(editor.PaintBox2->isVisible());
    EXPECT_FALSE(editor.Edit3->isVisible());
    EXPECT_EQ(SwatchPixel(editor), qRgb(0, 0, 0));
    const QImage box = editor.PaintBox1->grab().toImage();  // strip: 89 x 304 at (16, 8)
    for (int y = 9; y < 8 + 303; y += 7) {
        for (int x = 17; x < 16 + 88; x += 5) {
            ASSERT_EQ(box.pixel(x, y), qRgb(0, 0, 0)) << x << "," << y;
        }
    }
}

// Alpha is limited to 0..1 and what is stored is shown; text that is not a
// number reads as 0.
TEST_F(GradientEditorTest, AlphaIsLimitedToZeroToOne)
{
    Open({{0.0}, {1.0}});
    Type(editor.Edit4, "-1");
    EXPECT_EQ(gradient.Key(0)->alpha, 0.0);
    EXPECT_EQ(editor.Edit4->text(), "0.000000");
    Type(editor.Edit4, "2");
    EXPECT_EQ(gradient.Key(0)->alpha, 1.0);
    EXPECT_EQ(editor.Edit4->text(), "1.000000");
    Type(editor.Edit4, "half");
    EXPECT_EQ(gradient.Key(0)->alpha, 0.0);
}

// Start and end apply only in order; typed out of order they change no key,
// and the field is rewritten only while a key is selected.
TEST_F(GradientEditorTest, StartAndEndApplyOnlyInOrder)
{
    Open({{0.0}, {0.5}});
    Type(editor.Edit1, "0.8");
    EXPECT_EQ(gradient.Key(0)->position, 0.0);
    EXPECT_EQ(gradient.Key(1)->position, 0.5);
    EXPECT_EQ(editor.Edit1->text(), "0.000000");
    Type(editor.Edit1, "-1");
    Type(editor.Edit2, "3");
    EXPECT_EQ(gradient.Key(0)->position, -1.0);
    EXPECT_EQ(gradient.Key(1)->position, 3.0);
    editor.selectedKey = nullptr;
    Type(editor.Edit1, "7.5");
    EXPECT_EQ(gradient.Key(0)->position, -1.0);
    EXPECT_EQ(editor.Edit1->text(), "7.5");
}

// Escape takes back what was typed (and does not close the window);
// leaving the edit for another control applies it.
TEST_F(GradientEditorTest, EscapeUndoesLeavingApplies)
{
    Open({{0.0}, {1.0}, {0.5}});
    Select(2);
    Type(editor.Edit5, "0.25", false);
    QTest::keyClick(editor.Edit5, Qt::Key_Escape);
    EXPECT_EQ(editor.Edit5->text(), "0.500000");
    EXPECT_TRUE(editor.isVisible());
    Type(editor.Edit5, "0.25", false);
    Click(editor.Edit4);
    EXPECT_EQ(gradient.Key(2)->position, 0.25);
}

// A text typed but not entered goes to the key it was typed for when the
// pointer selects another key, by its marker or by a click in the strip that
// inserts one, as Enter would (text that is not a number too); a field left
// untouched rounds no key to its six decimals.
TEST_F(GradientEditorTest, TypedTextGoesToItsKeyBeforeAnotherIsSelected)
{
    Open({{0.0}, {1.0, 0.0, 0.0, 0.0, 0.5}, {0.5}});
    GValue* middle = gradient.Key(2);
    Select(2);
    Type(editor.Edit4, "0.25", false);
    Press(Marker(0.0));
    Release(Marker(0.0));
    EXPECT_EQ(middle->alpha, 0.25);
    EXPECT_EQ(editor.selectedKey, gradient.Key(0));
    EXPECT_EQ(editor.Edit4->text(), "1.000000");

    Select(2);
    Type(editor.Edit5, "0.75", false);
    Press(Marker(1.0));
    Release(Marker(1.0));
    EXPECT_EQ(middle->position, 0.75);
    EXPECT_EQ(editor.selectedKey, gradient.Key(1));
    EXPECT_EQ(editor.Edit4->text(), "0.500000");

    Select(2);
    Type(editor.Edit4, "half", false);
    ClickStrip(8 + 76);
    EXPECT_EQ(middle->alpha, 0.0);
    ASSERT_EQ(gradient.Count(), 4);
    EXPECT_EQ(editor.selectedKey, gradient.Key(3));

    // Nothing typed: the keys keep every bit, also after "Delete key" has
    // emptied the fields.
    middle->alpha = 0.1234567891;
    Select(2);
    Press(Marker(0.0));
    Release(Marker(0.0));
    EXPECT_EQ(middle->alpha, 0.1234567891);
    Select(3);
    Click(editor.Button2);
    ASSERT_EQ(editor.selectedKey, nullptr);
    gradient.Key(0)->position = 0.1234567891;
    gradient.KeysMoved();
    ClickStrip(8 + 200);
    EXPECT_EQ(gradient.Key(0)->position, 0.1234567891);
    EXPECT_EQ(gradient.Count(), 4);
}

// The window's close box, like "Done", keeps a text typed but not entered.
TEST_F(GradientEditorTest, ClosingKeepsTypedText)
{
    Open({{0.0}, {1.0}, {0.5}});
    Select(2);
    Type(editor.Edit4, "0.25", false);
    editor.close();
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(gradient.Key(2)->alpha, 0.25);
}

// "Copy Data" / "Paste Data" carry colour and alpha, not the position;
// pasting before any copy does nothing; a copy does not survive closing.
TEST_F(GradientEditorTest, CopyAndPasteKeyData)
{
    Open({{0.0, 0.1, 0.2, 0.3, 0.4}, {1.0}});
    Select(1);
    Click(editor.Button5);
    EXPECT_EQ(gradient.Key(1)->r, 0.0);
    Select(0);
    Click(editor.Button1);
    Select(1);
    Click(editor.Button5);
    const GValue& pasted = *gradient.Key(1);
    EXPECT_EQ((std::vector{pasted.position, pasted.r, pasted.g, pasted.b, pasted.alpha}),
              (std::vector{1.0, 0.1, 0.2, 0.3, 0.4}));
    Close();
    EXPECT_EQ(editor.gradient, nullptr);
    EXPECT_EQ(editor.keyClipboard, nullptr);
    gradient.Key(1)->r = 0.9;
    Reopen();
    Select(1);
    Click(editor.Button5);
    EXPECT_EQ(gradient.Key(1)->r, 0.9);
}

// "Inverse key" mirrors every key within the range; the strip turns over.
TEST_F(GradientEditorTest, InverseMirrorsTheKeys)
{
    Open({{0.0, 1.0, 0.0, 0.0}, {0.25, 0.0, 1.0, 0.0}, {1.0, 0.0, 0.0, 1.0}});
    Click(editor.Button4);
    EXPECT_EQ(gradient.Key(0)->position, 1.0);
    EXPECT_EQ(gradient.Key(1)->position, 0.75);
    EXPECT_EQ(gradient.Key(2)->position, 0.0);
    const QRgb top = PaintBox1Pixel(40, 9);
    const QRgb bottom = PaintBox1Pixel(40, 8 + 302);
    EXPECT_TRUE(qBlue(top) > 240 && qRed(top) == 0);
    EXPECT_TRUE(qRed(bottom) > 240 && qBlue(bottom) == 0);
}

// End keys cannot be deleted; a middle key goes and the key fields empty.
TEST_F(GradientEditorTest, DeleteRefusesEndKeys)
{
    Open({{1.0}, {0.0}, {0.5}});
    for (int32_t end : {0, 1}) {
        Select(end);
        Click(editor.Button2);
    }
    EXPECT_EQ(gradient.Count(), 3);
    Select(2);
    Click(editor.Button2);
    EXPECT_EQ(gradient.Count(), 2);
    EXPECT_EQ(editor.selectedKey, nullptr);
    EXPECT_TRUE(editor.Edit3->text().isEmpty() && editor.Edit4->text().isEmpty() &&
                editor.Edit5->text().isEmpty());
    EXPECT_EQ(SwatchPixel(editor), qRgb(255, 255, 255));
}

// Value mode: no swatch; the value field shows and edits r alone, and the
// strip and markers show r as grey.
TEST_F(GradientEditorTest, ValueModeEditsTheRedChannelAsGrey)
{
    Open({{0.0, 0.2, 0.9, 0.1}, {1.0, 0.2, 0.9, 0.1}}, 1);
    EXPECT_FALSE(editor.PaintBox2->isVisible());
    EXPECT_TRUE(editor.Edit3->isVisible());
    EXPECT_EQ(editor.Edit3->text(), "0.200000");
    Type(editor.Edit3, "0.6");
    EXPECT_EQ(gradient.Key(0)->r, 0.6);
    EXPECT_EQ(gradient.Key(0)->g, 0.9);
    EXPECT_EQ(gradient.Key(0)->b, 0.1);
    EXPECT_EQ(PaintBox1Pixel(40, 8 + 152), qRgb(102, 102, 102));  // r 0.4 half way
    EXPECT_EQ(PaintBox1Pixel(3, 8 + 304 - 2), qRgb(51, 51, 51));  // the end key's marker
}

// The swatch opens the colour dialog at the key's colour; a confirmed
// colour is stored in 0..1, a cancelled one changes nothing.
TEST_F(GradientEditorTest, SwatchPicksTheKeyColour)
{
    Open({{0.0, 0.5, 0.25, 1.0}, {1.0}});
    QColor offered;
    bool confirm = true;
    editor.ColorDialog1 = [&](QWidget*, QColor& colour) {
        offered = colour;
        colour = confirm ? QColor(255, 0, 51) : QColor(9, 9, 9);
        return confirm;
    };
    Click(editor.PaintBox2);
    EXPECT_EQ(offered, QColor(127, 63, 255));
    EXPECT_EQ((std::vector{gradient.Key(0)->r, gradient.Key(0)->g, gradient.Key(0)->b}),
              (std::vector{1.0, 0.0, 0.2}));
    confirm = false;
    Click(editor.PaintBox2);
    EXPECT_EQ(gradient.Key(0)->g, 0.0);
}

}  // namespace
