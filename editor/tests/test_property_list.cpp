// The "Property" tab: its owner-drawn rows and every way a click on a row
// edits an input, driven by real mouse and key events, with the dialogs
// answered by the test.

#include "editor_test_support.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include "gradient/gradient_nodes.h"
#include "gradient_edit_hook.h"
#include "gradient_editor.h"
#include "macro/macro_nodes.h"
#include "model/edit_hooks.h"
#include "nodes/noise_nodes.h"
#include "paint_box.h"
#include "window/document_file.h"
#include "window/type_colors.h"

using namespace editor_test;

namespace {

constexpr int kOctaves = NoiseNode::kFirstOwnInput;  // a float input of "turbulence"

class PropertyListTest : public EditorTest {
protected:
    void SetUp() override
    {
        EditorTest::SetUp();
        Activate();
    }
    void TearDown() override { TheEditHooks().editGradient = nullptr; }
    // The offscreen platform does not give the focus back after a popup or
    // a modal window closes.
    void Activate()
    {
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void Show(Node* node)
    {
        form->ShowNodeProperties(node);
        form->PageControl1->setCurrentWidget(form->TabSheet2);
    }
    QRect Row(int i) const
    {
        return form->ListView1->visualItemRect(form->ListView1->topLevelItem(i));
    }
    // A click on row i of the "Property" tab (which a click on the empty
    // canvas leaves); the edit starts once the click has been handled.
    void ClickRow(int i)
    {
        form->PageControl1->setCurrentWidget(form->TabSheet2);
        form->ListView1->scrollToItem(form->ListView1->topLevelItem(i));
        QTest::mouseClick(form->ListView1->viewport(), Qt::LeftButton, {}, Row(i).center());
        QApplication::processEvents();
    }
    void ClickCanvas() { Stroke({QPoint(2, 2)}); }  // takes the focus
    void Type(const QString& text, Qt::Key last = Qt::Key_Return)
    {
        QTest::keyClicks(form->textEditor, text);
        QTest::keyClick(form->textEditor, last);
    }
    // Row i's pixel dx to the right of its value column (dx < 0: of its
    // left edge), 5 below its top.
    QRgb Pixel(int i, int dx) const
    {
        const int x = Row(i).left() + (dx < 0 ? -dx : form->ListView1->columnWidth(0) + dx);
        return form->ListView1->viewport()->grab().toImage().pixel(x, Row(i).top() + 5);
    }
};

}  // namespace

TEST_F(PropertyListTest, ColourRowsShowTruncatedBytesAndOpenTheDialogAtTheCeiling)
{
    Show(nullptr);
    EXPECT_EQ(form->ListView1->topLevelItemCount() + form->Edit1->text().size(), 0);
    Node* node = Place(ConstantNode::Make(ConstantNode::kRed), 20, 20);
    double* c = node->params[0].value.components;
    c[0] = c[1] = c[2] = 0.5;
    Show(node);
    EXPECT_EQ(form->Edit1->text(), "constant");
    EXPECT_EQ(Pixel(0, -5), TypeColor(DATA_COLOR).rgb());
    EXPECT_EQ(Pixel(0, 20), qRgb(127, 127, 127));
    dialogs->colorAnswers = {QColor(128, 128, 128), QColor()};
    ClickRow(0);
    EXPECT_EQ(dialogs->colorPresets.back(), QColor(128, 128, 128));
    EXPECT_EQ(c[1], 128 / 255.0);
    EXPECT_TRUE(form->modified);

    // Cancelled: nothing changes, yet the click marked the document.
    c[0] = 1.5;
    c[2] = -0.5;
    form->UpdateCaption(QString(), false);
    ClickRow(0);
    EXPECT_EQ(dialogs->colorPresets.back(), QColor(255, 128, 0));
    EXPECT_EQ(Pixel(0, 20), qRgb(255, 128, 0));
    EXPECT_EQ(c[0], 1.5);
    EXPECT_TRUE(form->modified);

    // A linked row shows its link and opens nothing.
    node->params[0].source = Place(ConstantNode::Make(ConstantNode::kHalfFloat), 200, 20);
    form->UpdateCaption(QString(), false);
    Show(node);
    EXPECT_NE(Pixel(0, 20), qRgb(255, 128, 0));
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
    EXPECT_EQ(box->geometry(),
              QRect(row.left() + c0 + 1, row.top() - 4, row.width() - c0 - 1, row.height() - 1));
    // Picking from the box's own list keeps the edit open.
    box->showPopup();
    QTest::keyClick(box->view(), Qt::Key_Up);
    QTest::keyClick(box->view(), Qt::Key_Return);
    EXPECT_TRUE(box->isVisible());
    Activate();
    form->UpdateCaption(QString(), false);
    ClickCanvas();
    EXPECT_FALSE(box->isVisible());
    EXPECT_EQ(coordinate.value.components[0], 1.0);
    EXPECT_FALSE(form->modified);  // committing marks nothing

    // An index outside the list: no selection, -1 stored, and the render
    // keeps the choice it had.
    noise->BeginRender();
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
    double& octaves = noise->params[kOctaves].value.components[0];
    octaves = 0.12345;
    Show(noise);
    ClickRow(kOctaves);
    QLineEdit* editor = form->textEditor;
    ASSERT_TRUE(editor != nullptr && editor->hasFocus() && !editor->hasFrame());
    EXPECT_EQ(editor->text(), "0.123");
    Type("0.75", Qt::Key_Escape);
    EXPECT_FALSE(editor->isVisible());
    EXPECT_TRUE(form->ListView1->hasFocus());
    EXPECT_EQ(octaves, 0.12345);
    ClickRow(kOctaves);
    ClickCanvas();  // the shown text given back leaves the value unrounded
    EXPECT_EQ(octaves, 0.12345);
    ClickRow(kOctaves);
    Type("0.75");
    EXPECT_EQ(octaves, 0.75);

    // Typing over part of a vector; a click on another row commits it.
    ClickRow(NoiseNode::kScale);
    QTest::keyClicks(editor, "4,5");
    ClickRow(kOctaves);
    const double* v = noise->params[NoiseNode::kScale].value.components;
    EXPECT_EQ(std::vector<double>(v, v + 3), std::vector<double>({4.0, 5.0, 1.0}));
    EXPECT_TRUE(editor->isVisible());
}

// Each way a node can go while one of its inputs is open in an editor: the
// edit ends first, and no later focus change writes into the freed input.
TEST_F(PropertyListTest, EditsEndBeforeTheirNodeGoes)
{
    ScratchDir scratch;
    const QString file = scratch.QPath("one.shd");
    dialogs->saveAnswers.push_back(file);
    form->menuSaveAsClick();
    const std::vector<std::function<void()>> removals = {
        [&] { form->menuDelNodeClick(); },
        [&] { form->menuCutClick(); },
        [&] {
            dialogs->confirmAnswers = {true, true};
            form->menuNewClick();
        },
        [&] {
            dialogs->openAnswers = {file};
            dialogs->confirmAnswers = {true};
            form->menuOpenClick();
        },
    };
    for (size_t k = 0; k < 2 * removals.size(); ++k) {
        Show(Add("Noise", "turbulence", 20, 200));
        ClickRow(k % 2 == 0 ? kOctaves : NoiseNode::kCoordinate);
        QTest::keyClicks(QApplication::focusWidget(), "9");
        removals[k / 2]();
        EXPECT_EQ(form->editedParam, nullptr) << k;
        EXPECT_TRUE(form->textEditor->isHidden() &&
                    (form->choiceBox == nullptr || form->choiceBox->isHidden()))
            << k;
        ClickCanvas();
        form->CommitEditText();
        form->CommitComboChoice();
    }

    // Leaving a macro commits into its inner node, which then goes with it.
    auto* macro = static_cast<NMacro*>(Add("Macro", "macro", 300, 20));
    macro->Edit(macro->params[0]);
    Node* inner = Add("Noise", "turbulence", 20, 20, macro->subGraph.get());
    Show(inner);
    ClickRow(kOctaves);
    QTest::keyClicks(form->textEditor, "0.5");
    QTest::mouseClick(form->closeMBtn, Qt::LeftButton);
    EXPECT_EQ(inner->params[kOctaves].value.components[0], 0.5);
    form->ShowNodeProperties(macro);
    form->menuDelNodeClick();
    ClickCanvas();
}

// Every input of every built-in node type, and of a plug-in type, changes
// through the list: dialogs, the choice box, the text editor, or the node's
// own editor (the real gradient editor, whose colour dialog is the
// window's).
TEST_F(PropertyListTest, EveryInputOfEveryNodeTypeIsEditedFromTheList)
{
    ASSERT_TRUE(form->OpenDocument(QStringLiteral(QM_EXAMPLES_DIR "/all_types.shd")));
    const Node* probe = globals.nodeFactory->Find("probe", "Plug");
    ASSERT_NE(probe, nullptr);
    Place(probe->Create(), 20, 600);
    // In the gradient editor: a key inserted half way down the strip gets
    // its colour from the dialog (its value, in value mode), then "Done".
    auto* gradientEditor = new TGradientEditor(form.get());
    form->ShareDialogs(*gradientEditor);
    InstallGradientEditHook(*gradientEditor);
    const auto showEditor = TheEditHooks().editGradient;
    TheEditHooks().editGradient = [&](Gradient& gradient, int32_t valueMode) {
        QTimer::singleShot(0, gradientEditor, [this, gradientEditor] {
            QTest::mouseClick(gradientEditor->PaintBox1, Qt::LeftButton, {}, QPoint(60, 160));
            if (gradientEditor->valueMode == 0) {
                dialogs->colorAnswers = {QColor(0, 0, 255)};
                QTest::mouseClick(gradientEditor->PaintBox2, Qt::LeftButton);
            } else {
                gradientEditor->Edit3->selectAll();
                QTest::keyClicks(gradientEditor->Edit3, "1");
                QTest::keyClick(gradientEditor->Edit3, Qt::Key_Return);
            }
            gradientEditor->Button3->click();
        });
        showEditor(gradient, valueMode);
    };
    std::vector<Node*> nodes;
    for (const auto& n : document.nodes) {
        nodes.push_back(n.get());
    }
    ASSERT_EQ(nodes.size(), 38u);
    for (Node* node : nodes) {
        for (int i = 0; i < node->paramCount; ++i) {
            SCOPED_TRACE(node->name + " / " + node->params[i].name);
            NodeParam& p = node->params[i];
            Show(node);
            form->UpdateCaption(QString(), false);
            if (p.editKind == EDIT_COLOR) {
                dialogs->colorAnswers = {QColor(51, 102, 0)};
                ClickRow(i);
                EXPECT_EQ(p.value.components[1], 0.4);
            } else if (p.editKind == EDIT_FILE) {
                dialogs->fileNameAnswers = {"/pictures/wood.bmp"};
                ClickRow(i);
                EXPECT_EQ(p.value.text, "/pictures/wood.bmp");
            } else if (p.editKind == EDIT_CHOICE) {
                ClickRow(i);
                const int before = form->choiceBox->currentIndex();
                QTest::keyClick(form->choiceBox,
                                before + 1 < form->choiceBox->count() ? Qt::Key_Down : Qt::Key_Up);
                ClickCanvas();
                EXPECT_EQ(p.value.components[0], form->choiceBox->currentIndex());
                EXPECT_TRUE(form->choiceBox->count() < 2 || p.value.components[0] != before);
            } else if (auto* gradient = dynamic_cast<GradientNode*>(node)) {
                ClickRow(i);
                ASSERT_EQ(gradient->gradient->Count(), 3);
                const GValue& added = *gradient->gradient->Key(2);
                EXPECT_EQ(node->name == "value gradient" ? added.r : added.b, 1.0);
                Activate();
            } else if (auto* macro = dynamic_cast<NMacro*>(node)) {
                ClickRow(i);
                EXPECT_EQ(form->currentList, macro->subGraph.get());
                form->closeMBtnClick();  // the click's mark comes back with it
            } else {
                ClickRow(i);
                ASSERT_TRUE(form->textEditor->hasFocus());
                Type("0.5, 0.25, 2");
                EXPECT_EQ(p.value.components[0], 0.5);
            }
            EXPECT_TRUE(form->modified);
        }
    }
}

// Saving, rendering or closing while a value is still being typed (or a
// choice is open) takes what the list shows, as leaving the editor would.
TEST_F(PropertyListTest, CommandsTakeTheValueStillBeingEdited)
{
    ScratchDir scratch;
    Node* root = Add("Root", "root", 20, 20);
    Node* noise = Add("Noise", "turbulence", 200, 20);
    dialogs->saveAnswers.push_back(scratch.QPath("a.shd"));
    form->menuSaveAsClick();
    Show(root);
    ClickRow(1);  // "diffuse"
    QTest::keyClicks(form->textEditor, "0.3");
    form->menuSave->trigger();  // Ctrl+S, Enter not pressed
    EXPECT_FALSE(form->modified);
    NodeList reread;
    ReadGraphFile(scratch.Path("a.shd"), reread, *globals.nodeFactory);
    EXPECT_EQ(reread.FindRoot()->params[1].value.components[0], 0.3);

    // The preview and a thumbnail are those of the new value: drawn again
    // once the edit is over, they stay the same. (Rendering from the menu
    // shows the "Render" tab first, which hides the editor: the preview is
    // rendered here as it is after that.)
    Show(root);
    ClickRow(1);
    QTest::keyClicks(form->textEditor, "0");
    form->PaintBox3Click();
    const std::vector<uint8_t> preview = Pixels(form->preview);
    form->menuPreview();
    EXPECT_EQ(Pixels(form->preview), preview);
    Show(noise);
    ClickRow(kOctaves);
    QTest::keyClicks(form->textEditor, "1");
    form->menuPreviewNode();
    EXPECT_EQ(noise->params[kOctaves].value.components[0], 1.0);
    ASSERT_NE(noise->thumbnail, nullptr);
    const std::vector<uint8_t> thumbnail = Pixels(*noise->thumbnail);
    form->menuPreviewAll();
    EXPECT_EQ(Pixels(*noise->thumbnail), thumbnail);

    // A command that stops at its dialog or box has ended the edit first.
    QMimeData dropped;
    dropped.setUrls({QUrl::fromLocalFile(scratch.QPath("a.shd"))});
    const std::vector<std::function<void()>> cancelled = {
        [&] {
            dialogs->confirmAnswers = {false};
            form->menuNewClick();
        },
        [&] {
            dialogs->openAnswers = {QString()};
            form->menuOpenClick();
        },
        [&] {
            dialogs->confirmAnswers = {false};
            form->HandleDropFiles(dropped);
        },
        [&] {
            dialogs->saveAnswers = {QString()};
            form->menuSaveAsClick();
        },
        [&] {
            dialogs->confirmAnswers = {false};
            form->FormCloseQuery();
        },
    };
    for (size_t k = 0; k < 2 * cancelled.size(); ++k) {
        const int row = k % 2 == 0 ? kOctaves : NoiseNode::kCoordinate;
        double& value = noise->params[row].value.components[0];
        value = 0;
        Show(noise);
        ClickRow(row);
        QTest::keyClick(QApplication::focusWidget(), row == kOctaves ? Qt::Key_2 : Qt::Key_Down);
        cancelled[k / 2]();
        EXPECT_EQ(value, row == kOctaves ? 2.0 : 1.0) << k;
        EXPECT_EQ(form->editedParam, nullptr) << k;
        EXPECT_TRUE(dialogs->confirmAnswers.empty() && dialogs->openAnswers.empty() &&
                    dialogs->saveAnswers.empty())
            << k;
    }
}

// The box stands above the row's lower edge; once it closes, the row shows
// the new choice as a fresh paint of the list does. A grab paints afresh, so
// the row is read from the screen.
TEST_F(PropertyListTest, RowOfACommittedChoiceShowsTheChoice)
{
    NodeParam& coordinate = Add("Noise", "noise", 20, 20)->params[NoiseNode::kCoordinate];
    Show(document.nodes.back().get());
    ClickRow(NoiseNode::kCoordinate);
    QTest::keyClick(form->choiceBox, Qt::Key_Down);
    QTest::mouseClick(form->Edit1, Qt::LeftButton);
    QApplication::processEvents();
    ASSERT_FALSE(form->choiceBox->isVisible());
    ASSERT_EQ(coordinate.value.components[0], 1.0);
    const auto onScreen = [this] {
        const QRect row = Row(NoiseNode::kCoordinate);
        const QPoint at = form->ListView1->viewport()->mapTo(form.get(), row.topLeft());
        return form->screen()
            ->grabWindow(form->winId(), at.x(), at.y(), row.width(), row.height())
            .toImage();
    };
    const QImage committed = onScreen();
    ASSERT_FALSE(committed.isNull());
    form->ListView1->viewport()->repaint();
    EXPECT_EQ(committed, onScreen());
}

// A name wider than its column ends there, as in a list's own cells: the
// value column looks as it does beside no name at all.
TEST_F(PropertyListTest, LongInputNameEndsWithItsColumn)
{
    Node* noise = Add("Noise", "turbulence", 20, 20);
    const auto valueColumn = [&](const char* name) {
        noise->params[kOctaves].name = name;
        Show(noise);
        const QRect row = Row(kOctaves);
        const int c0 = form->ListView1->columnWidth(0);
        return form->ListView1->viewport()->grab().toImage().copy(row.adjusted(c0, 0, 0, 0));
    };
    const QImage nameless = valueColumn("");
    EXPECT_EQ(valueColumn("an input name far wider than its column"), nameless);
}
