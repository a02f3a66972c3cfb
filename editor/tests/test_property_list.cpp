// The "Property" tab: its owner-drawn rows and every way a click on a row
// edits an input, driven by real mouse and key events, with the dialogs
// answered by the test.

#include "editor_test_support.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include "gradient/gradient_nodes.h"
#include "gradient_edit_hook.h"
#include "gradient_editor.h"
#include "macro/macro_nodes.h"
#include "model/edit_hooks.h"
#include "nodes/noise_nodes.h"
#include "paint_box.h"
#include "window/type_colors.h"

using namespace editor_test;

namespace {

class PropertyListTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void TearDown() override { TheEditHooks().editGradient = nullptr; }

    void Show(Node* node)
    {
        form->ShowNodeProperties(node);
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        QApplication::processEvents();
    }
    QRect Row(int i) const { return form->ListView1->visualItemRect(form->ListView1->topLevelItem(i)); }
    // A click on row i (on the "Property" tab, which a click on the empty
    // canvas leaves); the edit starts once the click has been handled.
    void ClickRow(int i)
    {
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        form->ListView1->scrollToItem(form->ListView1->topLevelItem(i));
        QTest::mouseClick(form->ListView1->viewport(), Qt::LeftButton, {}, Row(i).center());
        QApplication::processEvents();
    }
    // A click on the empty canvas, which takes the focus.
    void ClickCanvas() { Stroke({QPoint(2, 2)}); }
    void Type(const QString& text, Qt::Key last = Qt::Key_Return)
    {
        QTest::keyClicks(form->textEditor, text);
        QTest::keyClick(form->textEditor, last);
    }
    QRgb Pixel(int x, int y) const { return form->ListView1->viewport()->grab().toImage().pixel(x, y); }
    // The middle of row i's colour swatch, and of its type swatch.
    QRgb Swatch(int i) const { return Pixel(Row(i).left() + form->ListView1->columnWidth(0) + 20, Row(i).top() + 5); }
    QRgb TypeSwatch(int i) const { return Pixel(Row(i).left() + 5, Row(i).top() + 5); }
};

double* Colour(Node* n, int i) { return n->params[i].value.components; }

}  // namespace

TEST_F(PropertyListTest, RowsShowTheSelectedNodesInputs)
{
    Node* noise = Add("Noise", "noise", 20, 20);
    Show(nullptr);
    EXPECT_EQ(form->ListView1->topLevelItemCount(), 0);
    EXPECT_EQ(form->Edit1->text(), "");
    Show(noise);
    ASSERT_EQ(form->ListView1->topLevelItemCount(), noise->paramCount);
    EXPECT_EQ(form->Edit1->text(), "noise");
    for (int i = 0; i < noise->paramCount; ++i) {
        EXPECT_EQ(form->ListView1->topLevelItem(i)->text(0).toStdString(), noise->params[i].name);
        EXPECT_EQ(TypeSwatch(i), TypeColor(noise->params[i].value.type).rgb()) << i;
    }
}

TEST_F(PropertyListTest, ColourRowsShowTruncatedBytesAndOpenTheDialogAtTheCeiling)
{
    Node* node = Place(ConstantNode::Make(ConstantNode::kRed), 20, 20);
    Colour(node, 0)[0] = Colour(node, 0)[1] = Colour(node, 0)[2] = 0.5;
    Show(node);
    EXPECT_EQ(Swatch(0), qRgb(127, 127, 127));
    dialogs->colorAnswers = {QColor(128, 128, 128), QColor()};
    ClickRow(0);
    EXPECT_EQ(dialogs->colorPresets.back(), QColor(128, 128, 128));
    EXPECT_EQ(Colour(node, 0)[1], 128 / 255.0);
    EXPECT_TRUE(form->modified);

    // Cancelled: nothing changes, yet the click marked the document.
    Colour(node, 0)[0] = 1.5;
    Colour(node, 0)[2] = -0.5;
    form->UpdateCaption(QString(), false);
    form->ListView1->viewport()->update();
    ClickRow(0);
    EXPECT_EQ(dialogs->colorPresets.back(), QColor(255, 128, 0));
    EXPECT_EQ(Swatch(0), qRgb(255, 128, 0));
    EXPECT_EQ(Colour(node, 0)[0], 1.5);
    EXPECT_TRUE(form->modified);

    // A linked row shows its link and opens nothing.
    node->params[0].source = Place(ConstantNode::Make(ConstantNode::kHalfFloat), 200, 20);
    form->UpdateCaption(QString(), false);
    Show(node);
    EXPECT_NE(Swatch(0), qRgb(255, 128, 0));
    ClickRow(0);
    EXPECT_FALSE(form->modified);
    EXPECT_EQ(dialogs->colorPresets.size(), 2u);
}

TEST_F(PropertyListTest, ChoiceBoxOpensOnTheTruncatedIndexAndCommitsOnLeaving)
{
    auto* noise = static_cast<NoiseNode*>(Add("Noise", "noise", 20, 20));
    NodeParam& coordinate = noise->params[NoiseNode::kCoordinate];
    coordinate.value.text = "object\nworld\nthird";
    coordinate.value.components[0] = 2.7;
    Show(noise);
    ClickRow(NoiseNode::kCoordinate);
    QComboBox* box = form->choiceBox;
    ASSERT_TRUE(box != nullptr && box->isVisible() && box->hasFocus());
    EXPECT_EQ(box->count(), 3);
    EXPECT_EQ(box->currentIndex(), 2);
    const QRect row = Row(NoiseNode::kCoordinate).translated(form->ListView1->viewport()->pos());
    const int c0 = form->ListView1->columnWidth(0);
    EXPECT_EQ(box->geometry(), QRect(row.left() + c0 + 1, row.top() - 4, row.width() - c0 - 1, row.height() - 1));
    // Choosing from the box's own list keeps the edit open.
    box->showPopup();
    QTest::keyClick(box->view(), Qt::Key_Up);
    QTest::keyClick(box->view(), Qt::Key_Return);
    EXPECT_TRUE(box->isVisible());
    form->activateWindow();  // the offscreen platform leaves it inactive
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->UpdateCaption(QString(), false);
    ClickCanvas();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(coordinate.value.components[0], 1.0);
    EXPECT_FALSE(form->modified);  // committing marks nothing

    // An index outside the list: no selection, -1 stored, and the render
    // keeps the choice it had.
    noise->BeginRender();
    EXPECT_EQ(noise->coordinate, 1);
    coordinate.value.components[0] = 7;
    ClickRow(NoiseNode::kCoordinate);
    EXPECT_EQ(box->currentIndex(), -1);
    ClickCanvas();
    EXPECT_EQ(coordinate.value.components[0], -1.0);
    noise->BeginRender();
    EXPECT_EQ(noise->coordinate, 1);
}

TEST_F(PropertyListTest, TextEditorCommitsOnEnterAndLeavingAndRevertsOnEscape)
{
    auto* noise = Add("Noise", "turbulence", 20, 20);
    const int scale = NoiseNode::kScale;
    const int first = NoiseNode::kFirstOwnInput;  // "octaves", a float
    noise->params[first].value.components[0] = 0.12345;
    Show(noise);
    ClickRow(first);
    QLineEdit* editor = form->textEditor;
    ASSERT_TRUE(editor != nullptr && editor->isVisible() && editor->hasFocus());
    EXPECT_EQ(editor->text(), "0.123");
    EXPECT_FALSE(editor->hasFrame());
    Type("0.75", Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(form->ListView1->hasFocus());
    EXPECT_EQ(noise->params[first].value.components[0], 0.12345);

    ClickRow(first);
    ClickCanvas();  // the same text back leaves the value unrounded
    EXPECT_EQ(noise->params[first].value.components[0], 0.12345);
    ClickRow(first);
    Type("0.75");
    EXPECT_EQ(noise->params[first].value.components[0], 0.75);

    // Typing over part of a vector; a click on another row commits it.
    ClickRow(scale);
    QTest::keyClicks(form->textEditor, "4,5");
    ClickRow(first);
    const double* v = noise->params[scale].value.components;
    EXPECT_EQ(v[0], 4.0);
    EXPECT_EQ(v[1], 5.0);
    EXPECT_EQ(v[2], 1.0);
    EXPECT_TRUE(editor->isVisible());
}

TEST_F(PropertyListTest, FileNamesAndNodeEditorsRunInsideTheClick)
{
    Node* image = Add("External", "image", 20, 20);
    Show(image);
    dialogs->fileNameAnswers = {"/pictures/wood.bmp", ""};
    ClickRow(0);
    ClickRow(0);
    EXPECT_EQ(image->params[0].value.text, "/pictures/wood.bmp");

    Gradient* edited = nullptr;
    TheEditHooks().editGradient = [&](Gradient& g, int32_t) { edited = &g; };
    auto* gradient = static_cast<GradientNode*>(Add("Gradient", "color gradient", 200, 20));
    Show(gradient);
    form->UpdateCaption(QString(), false);
    ClickRow(0);
    EXPECT_EQ(edited, gradient->gradient.get());
    EXPECT_TRUE(form->modified);
}

// Each way a node can go while one of its inputs is open in an editor: the
// edit ends first, and no later focus change writes into the freed input.
TEST_F(PropertyListTest, EditsEndBeforeTheirNodeGoes)
{
    ScratchDir scratch;
    const QString file = scratch.QPath("one.shd");
    Add("Operator", "invert", 20, 20);
    dialogs->saveAnswers.push_back(file);
    form->menuSaveAsClick();
    const std::vector<std::function<void()>> removals = {
        [&] { form->menuDelNodeClick(); },
        [&] { form->menuCutClick(); },
        [&] { dialogs->confirmAnswers = {true, true}; form->menuNewClick(); },
        [&] { dialogs->openAnswers = {file}; dialogs->confirmAnswers = {true}; form->menuOpenClick(); },
    };
    for (size_t k = 0; k < 2 * removals.size(); ++k) {
        SCOPED_TRACE(k);
        auto* noise = Add("Noise", "turbulence", 20, 200);
        Show(noise);
        ClickRow(k % 2 == 0 ? NoiseNode::kFirstOwnInput : NoiseNode::kCoordinate);
        QTest::keyClicks(QApplication::focusWidget(), "9");
        removals[k / 2]();
        EXPECT_EQ(form->editedParam, nullptr);
        EXPECT_FALSE(form->textEditor != nullptr && form->textEditor->isVisible());
        EXPECT_FALSE(form->choiceBox != nullptr && form->choiceBox->isVisible());
        ClickCanvas();
        form->CommitEditText();
        form->CommitComboChoice();
    }

    // Leaving a macro commits into its inner node, which then goes with it.
    auto* macro = static_cast<NMacro*>(Add("Macro", "macro", 300, 20));
    macro->Edit(macro->params[0]);
    Node* inner = Add("Noise", "turbulence", 20, 20, macro->subGraph.get());
    Show(inner);
    ClickRow(NoiseNode::kFirstOwnInput);
    QTest::keyClicks(form->textEditor, "0.5");
    QTest::mouseClick(form->closeMBtn, Qt::LeftButton);
    EXPECT_EQ(inner->params[NoiseNode::kFirstOwnInput].value.components[0], 0.5);
    form->ShowNodeProperties(macro);
    form->menuDelNodeClick();
    ClickCanvas();
    EXPECT_EQ(form->editedParam, nullptr);
}

TEST_F(PropertyListTest, GradientEditorAsksForColoursThroughTheWindow)
{
    auto* editor = new TGradientEditor(form.get());
    form->ShareDialogs(*editor);
    Gradient gradient;
    gradient.AddKey(std::make_unique<GValue>(GValue{0.0, 0.0, 0.0, 0.0, 1.0}));
    gradient.AddKey(std::make_unique<GValue>(GValue{1.0, 0.0, 0.0, 0.0, 1.0}));
    editor->gradient = &gradient;
    editor->show();
    dialogs->colorAnswers = {QColor(255, 0, 51)};
    QTest::mouseClick(editor->PaintBox2, Qt::LeftButton);
    EXPECT_EQ(gradient.FirstKey()->r, 1.0);
    EXPECT_EQ(gradient.FirstKey()->b, 0.2);
    editor->done(1);
}

// Every input of every built-in node type, and of a plug-in type, changes
// through the list: dialogs, the choice box, the text editor or the node's
// own editor (the real gradient editor window, closed by "Done").
TEST_F(PropertyListTest, EveryInputOfEveryNodeTypeIsEditedFromTheList)
{
    ASSERT_TRUE(form->OpenDocument(QStringLiteral(QM_EXAMPLES_DIR "/all_types.shd")));
    const Node* probe = globals.nodeFactory->Find("probe", "Plug");
    ASSERT_NE(probe, nullptr);
    Place(probe->Create(), 20, 600);
    // The real gradient editor: a click half way down its strip inserts a
    // key, then "Done" closes it.
    auto* gradientEditor = new TGradientEditor(form.get());
    InstallGradientEditHook(*gradientEditor);
    const auto showEditor = TheEditHooks().editGradient;
    TheEditHooks().editGradient = [&](Gradient& gradient, int32_t valueMode) {
        QTimer::singleShot(0, gradientEditor, [gradientEditor] {
            QTest::mouseClick(gradientEditor->PaintBox1, Qt::LeftButton, {}, QPoint(60, 160));
            gradientEditor->Button3->click();
        });
        showEditor(gradient, valueMode);
    };
    std::vector<Node*> nodes;
    for (const auto& n : document.nodes) {
        nodes.push_back(n.get());
    }
    ASSERT_GE(nodes.size(), 38u);
    for (Node* node : nodes) {
        for (int i = 0; i < node->paramCount; ++i) {
            SCOPED_TRACE(node->name + " / " + node->params[i].name);
            NodeParam& p = node->params[i];
            const NodeData before = p.value;
            Show(node);
            form->UpdateCaption(QString(), false);
            switch (p.editKind) {
            case EDIT_COLOR:
                dialogs->colorAnswers = {QColor(51, 102, 0)};
                ClickRow(i);
                EXPECT_EQ(p.value.components[1], 0.4);
                break;
            case EDIT_FILE:
                dialogs->fileNameAnswers = {"/pictures/wood.bmp"};
                ClickRow(i);
                EXPECT_EQ(p.value.text, "/pictures/wood.bmp");
                break;
            case EDIT_CHOICE: {
                ClickRow(i);
                const int count = form->choiceBox->count();
                QTest::keyClick(form->choiceBox, form->choiceBox->currentIndex() + 1 < count ? Qt::Key_Down : Qt::Key_Up);
                const int chosen = form->choiceBox->currentIndex();
                ClickCanvas();
                EXPECT_EQ(p.value.components[0], chosen);
                EXPECT_TRUE(count < 2 || chosen != before.components[0]);
                break;
            }
            case EDIT_CUSTOM:
                if (auto* gradient = dynamic_cast<GradientNode*>(node)) {
                    ClickRow(i);
                    EXPECT_EQ(gradient->gradient->Count(), 3);
                    EXPECT_EQ(gradientEditor->valueMode, node->name == "value gradient" ? 1 : 0);
                    form->activateWindow();  // back from the modal window
                    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
                } else {
                    auto* macro = dynamic_cast<NMacro*>(node);
                    ASSERT_NE(macro, nullptr);
                    ClickRow(i);
                    EXPECT_EQ(form->currentList, macro->subGraph.get());
                    EXPECT_TRUE(form->modified);  // the open macro's mark, gone on leaving
                    form->closeMBtnClick();
                    continue;
                }
                break;
            default:
                ClickRow(i);
                ASSERT_TRUE(form->textEditor->hasFocus());
                Type(p.editKind == EDIT_TEXT ? "text" : "0.5, 0.25, 2");
                EXPECT_TRUE(p.editKind == EDIT_TEXT ? p.value.text == "text" : p.value.components[0] == 0.5);
                break;
            }
            EXPECT_TRUE(form->modified);
        }
    }
}
