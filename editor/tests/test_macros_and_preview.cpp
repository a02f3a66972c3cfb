// Opening and leaving macros, the Render tab, and the whole path of a user:
// build a shader from the palette, preview it, save it, reopen it and save
// it again to the same bytes.

#include "editor_test_support.h"

#include <functional>
#include <set>

#include <QCheckBox>
#include <QComboBox>

#include "macro/macro_nodes.h"

using namespace editor_test;

namespace {

int Byte(const dib24& bitmap, int x, int row, int channel)
{
    return bitmap.bits[row * bitmap.rowBytes + 3 * x + channel];
}

}  // namespace

TEST_F(EditorTest, MacrosOpenAndCloseRestoringTheEnclosingCaption)
{
    auto* macro = static_cast<NMacro*>(Add("Macro", "macro", 20, 20));
    form->UpdateCaption("/work/a.shd", true);
    form->closeMBtnClick();  // no macro open: nothing happens
    EXPECT_EQ(form->currentList, &document);

    // The macro's custom row in the property list opens it.
    form->ShowNodeProperties(macro);
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    QTreeWidgetItem* row = form->ListView1->topLevelItem(0);
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(form->ListView1->viewport(), Qt::LeftButton, Qt::NoModifier,
                      form->ListView1->visualItemRect(row).center());
    QApplication::processEvents();
    EXPECT_EQ(form->currentList, macro->subGraph.get());
    EXPECT_FALSE(form->closeMBtn->isHidden());
    EXPECT_FALSE(form->menuSave->isEnabled());
    EXPECT_TRUE(form->windowTitle().startsWith("Quillmere 0.10 [alpha] []"));

    // A second level, entered through the engine's hook.
    auto* inner = static_cast<NMacro*>(Add("Macro", "macro", 40, 40, macro->subGraph.get()));
    form->UpdateCaption(QString(), false);
    inner->Edit(inner->params[0]);
    EXPECT_EQ(form->currentList, inner->subGraph.get());
    EXPECT_EQ(form->navStack.Size(), 2u);
    form->MarkModified();

    form->closeMBtnClick();  // the change inside is a change of this level too
    EXPECT_EQ(form->currentList, macro->subGraph.get());
    EXPECT_EQ(form->windowTitle(), "Quillmere 0.10 [alpha] [] (modified)");
    EXPECT_FALSE(form->closeMBtn->isHidden());
    form->closeMBtnClick();
    EXPECT_EQ(form->currentList, &document);
    EXPECT_EQ(form->windowTitle(), "Quillmere 0.10 [alpha] [/work/a.shd] (modified)");
    EXPECT_TRUE(form->closeMBtn->isHidden());
    EXPECT_TRUE(form->menuSave->isEnabled());
}

// Each way the content of a macro changes leaves the document modified once
// the macro is left, for Save and for the question on closing: also when the
// macro's level, or the one it returns to, was then saved as a file of its
// own, and when only the caption marked the change.
TEST_F(EditorTest, ChangesInsideAMacroMarkTheDocument)
{
    ScratchDir scratch;
    const QString file = scratch.QPath("inner.shd");
    auto* outer = static_cast<NMacro*>(Add("Macro", "macro", 20, 20));
    auto* inner = static_cast<NMacro*>(Add("Macro", "macro", 20, 20, outer->subGraph.get()));
    const std::vector<std::function<void()>> changes = {
        [&] {
            form->AddNewNode(globals.nodeFactory->Find("macro root", "Macro")->Create(), 100, 100);
            dialogs->saveAnswers = {file};
            form->menuSaveAsClick();
        },
        [&] {
            dialogs->openAnswers = {file};
            form->menuOpenClick();
        },
        [&] {
            dialogs->confirmAnswers = {true};
            form->menuNewClick();
        },
        [&] { form->UpdateCaption(QString(), true); },
    };
    for (size_t k = 0; k < changes.size(); ++k) {
        form->UpdateCaption("/work/a.shd", false);
        outer->Edit(outer->params[0]);
        inner->Edit(inner->params[0]);
        changes[k]();
        form->closeMBtnClick();
        dialogs->saveAnswers = {scratch.QPath("outer.shd")};
        form->menuSaveAsClick();
        QTest::mouseClick(form->closeMBtn, Qt::LeftButton);
        EXPECT_TRUE(form->navStack.Empty());
        EXPECT_TRUE(form->modified) << k;
        dialogs->confirmAnswers = {false};
        EXPECT_FALSE(form->FormCloseQuery()) << k;
    }
}

TEST_F(EditorTest, InsideAMacroFileCommandsActOnItsSubGraph)
{
    ScratchDir scratch;
    Add("Operator", "invert", 20, 20);
    auto* macro = static_cast<NMacro*>(Add("Macro", "macro", 200, 20));
    form->UpdateCaption("/work/a.shd", false);
    const QString path = scratch.QPath("outer.shd");
    dialogs->saveAnswers.push_back(path);
    form->menuSaveAsClick();

    macro->Edit(macro->params[0]);
    form->menuSaveClick();  // disabled inside a macro: no dialog
    dialogs->openAnswers.push_back(path);
    form->menuOpenClick();
    ASSERT_EQ(macro->subGraph->nodes.size(), 2u);  // the file became the macro's content
    EXPECT_EQ(form->fileName, QString());
    EXPECT_EQ(document.nodes.size(), 2u);

    dialogs->saveAnswers.push_back(scratch.QPath("inner.shd"));
    form->menuSaveAsClick();
    EXPECT_EQ(form->currentList, macro->subGraph.get());  // the macro stays open
    EXPECT_EQ(form->fileName, QString());
    EXPECT_EQ(FileBytes(scratch.Path("inner.shd")), FileBytes(scratch.Path("outer.shd")));
}

TEST_F(EditorTest, RenderTabPreviewsTheRootAtTheChosenSize)
{
    EXPECT_EQ(form->preview.width, 128);
    form->menuPreview();
    EXPECT_EQ(Status(), "Cannot find root node.");
    EXPECT_EQ(dialogs->errorBeeps, 1);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet3);
    EXPECT_EQ(Byte(form->preview, 0, 0, 0), 0);  // nothing rendered

    form->ComboBox1->setCurrentIndex(3);
    EXPECT_EQ(form->preview.width, 192);
    form->ComboBox1->setCurrentIndex(0);
    EXPECT_EQ(form->preview.height, 64);
    form->ComboBox1Change(-1);
    EXPECT_EQ(form->preview.width, 128);

    // A default root: the side turned from the light gets the ambient term
    // only (0.1 x 0.78 -> 19); around the sphere a checkerboard of 89 and 191.
    Add("Root", "root", 20, 20);
    form->CheckBox1->setChecked(false);
    QTest::mouseClick(form->PaintBox3, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(Byte(form->preview, 96, 32, channel), 19);
    }
    const auto firstRow = [this] {
        std::set<int> values;
        for (int x = 0; x < 128; ++x) {
            values.insert(Byte(form->preview, x, 0, 0));
        }
        return values;
    };
    EXPECT_EQ(firstRow(), (std::set<int>{89, 191}));
    EXPECT_FALSE(form->modified);

    // Anti-aliased, pixels on a checker edge average their samples.
    const std::vector<uint8_t> plain = Pixels(form->preview);
    form->CheckBox1->setChecked(true);
    form->PaintBox3Click();
    EXPECT_NE(Pixels(form->preview), plain);
    EXPECT_EQ(firstRow(), (std::set<int>{89, 140, 191}));
    EXPECT_EQ(Byte(form->preview, 96, 32, 0), 19);
}

TEST_F(EditorTest, PreviewCommandsRenderThumbnailsIntoTheirOwnBitmaps)
{
    form->menuPreviewAll();   // an empty list: nothing to do
    form->menuPreviewNode();  // nothing selected
    Node* half = Place(ConstantNode::Make(ConstantNode::kHalfFloat), 20, 20);
    Node* red = Place(ConstantNode::Make(ConstantNode::kRed), 200, 20);
    form->ShowNodeProperties(red);
    form->menuPreviewNode();
    EXPECT_EQ(half->thumbnail, nullptr);
    ASSERT_NE(red->thumbnail, nullptr);
    const dib24* kept = red->thumbnail.get();
    form->menuPreviewAll();
    EXPECT_EQ(red->thumbnail.get(), kept);
    ASSERT_NE(half->thumbnail, nullptr);
    EXPECT_EQ(Byte(*half->thumbnail, 32, 32, 2), 127);
    EXPECT_EQ(Byte(*red->thumbnail, 32, 32, 2), 255);
    EXPECT_EQ(Byte(*red->thumbnail, 32, 32, 0), 0);
}

TEST_F(EditorTest, ShaderBuiltFromThePaletteSurvivesSaveOpenSaveByteForByte)
{
    ScratchDir scratch;
    const auto drop = [this](const char* category, const char* type, int x, int y) {
        for (int i = 0; i < form->TreeView1->topLevelItemCount(); ++i) {
            QTreeWidgetItem* c = form->TreeView1->topLevelItem(i);
            for (int j = 0; j < c->childCount(); ++j) {
                if (c->text(0) == category && c->child(j)->text(0) == type) {
                    form->TreeView1->setCurrentItem(c->child(j));
                }
            }
        }
        form->PaintBox1DragDrop(form->TreeView1, x, y);
        return document.nodes.back().get();
    };
    Node* noise = drop("Noise", "turbulence", 30, 60);
    Node* invert = drop("Operator", "invert", 260, 60);
    Node* root = drop("Root", "root", 480, 60);
    ASSERT_EQ(document.nodes.size(), 3u);
    Stroke({OutputRow(*noise, 0), InputRow(*invert, 0)});
    Stroke({OutputRow(*invert, 0), InputRow(*root, 0)});
    ASSERT_EQ(invert->params[0].source, noise);
    ASSERT_EQ(root->params[0].source, invert);

    form->menuPreview();
    std::set<std::vector<int>> colours;
    for (int x = 40; x < 88; ++x) {
        colours.insert({Byte(form->preview, x, 64, 0), Byte(form->preview, x, 64, 1),
                        Byte(form->preview, x, 64, 2)});
    }
    EXPECT_GT(colours.size(), 10u);  // a pattern, not a flat sphere

    const std::string first = scratch.Path("first.shd");
    dialogs->saveAnswers.push_back(QString::fromStdString(first));
    form->menuSaveClick();
    dialogs->confirmAnswers = {true};
    form->menuNewClick();
    dialogs->openAnswers.push_back(QString::fromStdString(first));
    form->menuOpenClick();
    ASSERT_EQ(document.nodes.size(), 3u);
    form->MarkModified();
    form->menuSaveClick();
    const std::string second = scratch.Path("second.shd");
    dialogs->saveAnswers.push_back(QString::fromStdString(second));
    form->menuSaveAsClick();
    EXPECT_EQ(FileBytes(second), FileBytes(first));
    EXPECT_GT(FileBytes(first).size(), 100u);
}
