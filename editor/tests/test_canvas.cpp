// The canvas through real mouse events: links and the loop check, moving,
// collapsing, scrolling, the popup's Disconnect, thumbnails on a press, and
// the minimap.

#include "editor_test_support.h"

#include <QTabWidget>

#include "macro/macro_nodes.h"

using namespace editor_test;

namespace {

// A body point of a box: right of the thumbnail, above the connector rows.
QPoint Body(const Node& n, const TForm1& form)
{
    return QPoint(n.x - form.scrollX + 80, n.y - form.scrollY + 50);
}

}  // namespace

TEST_F(EditorTest, LinkDraggedFromAnOutputOntoAnInput)
{
    Node* a = Add("Operator", "invert", 20, 20);
    Node* b = Add("Operator", "mix", 300, 20);
    Node* c = Add("Operator", "add", 20, 200);
    Stroke({OutputRow(*a, 0), QPoint(200, 100), InputRow(*b, 1)});
    EXPECT_EQ(b->params[1].source, a);
    EXPECT_EQ(b->params[1].sourceOutput, 0);
    EXPECT_EQ(form->selectedNode, b);
    EXPECT_EQ(document.nodes.back().get(), b);  // the target comes to the top
    EXPECT_EQ(form->pressedNode, nullptr);
    EXPECT_TRUE(form->windowTitle().endsWith("] (modified)"));

    // A second link onto the same input replaces the first.
    Stroke({OutputRow(*c, 0), InputRow(*b, 1)});
    EXPECT_EQ(b->params[1].source, c);

    // A release over anything but an input connector links nothing.
    form->UpdateCaption(QString(), false);
    Stroke({OutputRow(*a, 0), Body(*b, *form)});
    EXPECT_EQ(b->params[0].source, nullptr);
    EXPECT_FALSE(form->modified);
    EXPECT_EQ(dialogs->errorBeeps, 0);
}

TEST_F(EditorTest, LinkThatClosesACycleIsRefused)
{
    Node* a = Add("Operator", "invert", 20, 20);
    Node* b = Add("Operator", "invert", 300, 20);
    Node* c = Add("Operator", "invert", 20, 300);
    Stroke({OutputRow(*a, 0), InputRow(*b, 0)});
    Stroke({OutputRow(*c, 0), InputRow(*a, 0)});
    ASSERT_EQ(b->params[0].source, a);
    ASSERT_EQ(a->params[0].source, c);
    form->UpdateCaption(QString(), false);

    // b -> a would close a -> b -> a: refused, and a's earlier link is gone.
    Stroke({OutputRow(*b, 0), InputRow(*a, 0)});
    EXPECT_EQ(a->params[0].source, nullptr);
    EXPECT_EQ(b->params[0].source, a);
    EXPECT_EQ(Status(), "Loop detected, cannot connect.");
    EXPECT_EQ(dialogs->errorBeeps, 1);
    EXPECT_TRUE(form->modified);

    // A node's output into its own input is a cycle too; the next press
    // clears the status line.
    Stroke({OutputRow(*c, 0), InputRow(*c, 0)});
    EXPECT_EQ(c->params[0].source, nullptr);
    EXPECT_EQ(dialogs->errorBeeps, 2);
    Press(QPoint(500, 450));
    EXPECT_TRUE(Status().isEmpty());
    Release(QPoint(500, 450));
}

TEST_F(EditorTest, DraggingABodyMovesTheTopmostNode)
{
    Node* a = Add("Operator", "mix", 20, 20);
    Node* b = Add("Operator", "mix", 30, 30);
    Node* c = Add("Operator", "add", 400, 300);
    const QPoint start = Body(*b, *form);
    Stroke({start, start + QPoint(10, 5), start + QPoint(30, 10)});
    EXPECT_EQ(b->x, 60);
    EXPECT_EQ(b->y, 40);
    EXPECT_EQ(a->x, 20);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet2);
    EXPECT_EQ(form->Edit1->text(), "mix");

    // Pressing b brought it to the end of the list, its place in a file;
    // a click on a does the same for a.
    ASSERT_EQ(document.nodes.size(), 3u);
    EXPECT_EQ(document.nodes[2].get(), b);
    Stroke({QPoint(25, 25)});
    EXPECT_EQ(document.nodes[0].get(), c);
    EXPECT_EQ(document.nodes[1].get(), b);
    EXPECT_EQ(document.nodes[2].get(), a);
}

// The layout is saved with the graph: a drag that leaves a node elsewhere is
// a change that Quit asks about, in a macro too; a press, or a drag back to
// where it started, is none.
TEST_F(EditorTest, DragThatMovesANodeMarksTheDocument)
{
    ASSERT_TRUE(form->OpenDocument(QStringLiteral(QM_EXAMPLES_DIR "/invert.shd")));
    ASSERT_FALSE(document.nodes.empty());
    ASSERT_FALSE(form->modified);
    Node* n = document.nodes.back().get();
    const QPoint start = Body(*n, *form);
    const int32_t x0 = n->x;

    Stroke({start});
    Stroke({start, start + QPoint(25, 0), start});
    EXPECT_EQ(n->x, x0);
    EXPECT_FALSE(form->modified);

    Stroke({start, start + QPoint(25, 7)});
    EXPECT_EQ(n->x, x0 + 25);
    EXPECT_TRUE(form->modified);
    EXPECT_TRUE(form->windowTitle().endsWith("] (modified)"));
    dialogs->confirmAnswers = {false};
    EXPECT_FALSE(form->close());
    ASSERT_EQ(dialogs->boxes.size(), 1u);
    EXPECT_EQ(dialogs->boxes[0], "Document has changed, really continue operation?");

    // A right-button popup in the middle of a drag may take its release; the
    // next press still counts the move.
    form->UpdateCaption(form->fileName, false);
    const QPoint moved = Body(*n, *form);
    Press(moved);
    Drag(moved + QPoint(0, 30));
    Press(moved + QPoint(0, 30), Qt::RightButton);
    EXPECT_EQ(dialogs->popups, 1);
    Stroke({QPoint(5, 5)});
    EXPECT_TRUE(form->modified);

    auto* macro = static_cast<NMacro*>(Add("Macro", "macro", 600, 20));
    form->UpdateCaption(form->fileName, false);
    macro->Edit(macro->params[0]);
    Node* inner = Add("Operator", "invert", 20, 20, macro->subGraph.get());
    Stroke({Body(*inner, *form), Body(*inner, *form) + QPoint(-8, 12)});
    EXPECT_EQ(inner->y, 32);
    EXPECT_TRUE(form->modified);
    form->closeMBtnClick();
    EXPECT_TRUE(form->windowTitle().endsWith("] (modified)"));
}

TEST_F(EditorTest, ExpandBoxCollapsesAndReopensTheBox)
{
    Node* a = Add("Operator", "mix", 20, 20);
    const QPoint expandBox(a->x + a->width - 10, a->y + 8);
    Stroke({expandBox});
    EXPECT_FALSE(a->expanded);
    EXPECT_FALSE(form->modified);
    // Collapsed, only the title bar is hit.
    Stroke({QPoint(a->x + 30, a->y + 30)});
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);
    Stroke({expandBox});
    EXPECT_TRUE(a->expanded);
}

TEST_F(EditorTest, DraggingTheEmptyCanvasScrollsAndTheMinimapRecentres)
{
    Add("Operator", "mix", 20, 20);
    Stroke({QPoint(300, 300), QPoint(305, 300), QPoint(310, 302)});
    EXPECT_EQ(form->scrollX, -10);
    EXPECT_EQ(form->scrollY, -2);

    form->scrollX = 0;
    form->scrollY = 0;
    const QSize map = form->PaintBox2->size();
    const QSize canvas = form->PaintBox1->size();
    ASSERT_FALSE(map.isEmpty());
    // The graph lies inside the visible area: a click on the map's centre
    // keeps the view where it is, up to truncation.
    QTest::mouseClick(form->PaintBox2, Qt::LeftButton, Qt::NoModifier,
                      QPoint(map.width() / 2, map.height() / 2));
    EXPECT_LE(std::abs(form->scrollX), canvas.width() / map.width() + 1);
    EXPECT_LE(std::abs(form->scrollY), canvas.height() / map.height() + 1);
    // Its top-left corner brings the area's top-left point to the centre.
    form->scrollX = 0;
    form->scrollY = 0;
    form->PaintBox2MouseDown(Qt::LeftButton, 0, 0);  // (QTest takes (0, 0) for the centre)
    EXPECT_EQ(form->scrollX, -(canvas.width() / 2));
    EXPECT_EQ(form->scrollY, -(canvas.height() / 2));
}

TEST_F(EditorTest, RightButtonPopupDisconnectsTheRowUnderThePress)
{
    Node* a = Add("Operator", "invert", 20, 20);
    Node* b = Add("Operator", "mix", 300, 20);
    b->params[1].source = a;
    bool disconnectEnabled = true;
    dialogs->onPopup = [&](QMenu&) { disconnectEnabled = form->menuDisconnect->isEnabled(); };

    // On a body: no Disconnect, and neither selection nor tab change.
    Press(Body(*b, *form), Qt::RightButton);
    Release(Body(*b, *form), Qt::RightButton);
    EXPECT_EQ(dialogs->popups, 1);
    EXPECT_FALSE(disconnectEnabled);
    EXPECT_EQ(form->selectedNode, nullptr);
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet1);

    dialogs->onPopup = [&](QMenu&) {
        disconnectEnabled = form->menuDisconnect->isEnabled();
        form->menuDisconnect->trigger();
    };
    Press(InputRow(*b, 1), Qt::RightButton);
    EXPECT_TRUE(disconnectEnabled);
    EXPECT_EQ(b->params[1].source, nullptr);
    EXPECT_EQ(form->selectedNode, b);
    EXPECT_TRUE(form->modified);
}

TEST_F(EditorTest, ThumbnailPressRendersTheNodesFirstOutput)
{
    Node* half = Place(ConstantNode::Make(ConstantNode::kHalfFloat), 20, 20);
    Node* red = Place(ConstantNode::Make(ConstantNode::kRed), 200, 20);
    Node* none = Place(ConstantNode::Make(ConstantNode::kNoOutputs), 380, 20);
    for (Node* n : {half, red, none}) {
        Stroke({QPoint(n->x + 30, n->y + 50)});
        ASSERT_NE(n->thumbnail, nullptr);
        EXPECT_EQ(n->thumbnail->width, 64);
        EXPECT_EQ(n->thumbnail->height, 64);
    }
    const auto pixel = [](const Node& n, int x, int row) {
        const uint8_t* p = n.thumbnail->bits + row * n.thumbnail->rowBytes + 3 * x;
        return std::vector<int>{p[0], p[1], p[2]};
    };
    EXPECT_EQ(pixel(*half, 32, 32), (std::vector<int>{127, 127, 127}));
    EXPECT_EQ(pixel(*red, 32, 32), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(pixel(*none, 32, 32), (std::vector<int>{0, 0, 0}));
    const int corner = pixel(*none, 0, 0)[0];
    EXPECT_TRUE(corner == 89 || corner == 191) << corner;
    EXPECT_FALSE(form->modified);
    EXPECT_FALSE(form->dragging);
}

TEST_F(EditorTest, ZeroSizedCanvasOrMinimapIsNeitherDrawnNorClickable)
{
    form->PaintBox1->setFixedSize(0, 0);
    QApplication::processEvents();
    form->PaintBox2->grab();  // an empty graph and no canvas: no scale to divide by
    QTest::mouseClick(form->PaintBox2, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    EXPECT_EQ(form->scrollX, 0);
    EXPECT_EQ(form->scrollY, 0);
    form->PaintBox1MouseDown(Qt::LeftButton, 0, 0);
    EXPECT_FALSE(form->dragging);

    form->PaintBox1->setMinimumSize(0, 0);
    form->PaintBox1->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    form->PaintBox2->setFixedSize(0, 0);
    QApplication::processEvents();
    form->PaintBox2MouseDown(Qt::LeftButton, 0, 0);
    EXPECT_EQ(form->scrollX, 0);
}

TEST_F(EditorTest, NodesFarOutOfRangePaintAndScaleWithoutOverflow)
{
    Node* far = Add("Operator", "mix", INT32_MAX - 50, INT32_MIN + 10);
    Node* near = Add("Operator", "invert", 0, 0);
    far->params[0].source = near;
    near->params[0].source = far;
    form->ShowNodeProperties(far);
    form->PaintBox1->grab();
    form->PaintBox2->grab();
    const QSize map = form->PaintBox2->size();
    QTest::mouseClick(form->PaintBox2, Qt::LeftButton, Qt::NoModifier, QPoint(map.width() - 1, 0));
    EXPECT_GT(form->scrollX, INT32_MAX / 2);
    form->scrollX = INT32_MAX - 100;
    form->scrollY = 0;
    Stroke({QPoint(300, 300), QPoint(0, 300)});  // scrolling saturates
    EXPECT_EQ(form->scrollX, INT32_MAX);
    form->PaintBox1->grab();
}

// The title is drawn inside the box: a collapsed box keeps its lower border
// under the title, and a title wider than its box leaves the right border.
TEST_F(EditorTest, CollapsedBoxKeepsItsBorderAroundItsTitle)
{
    Node* a = Add("Operator", "mix", 20, 20);
    Node* b = Add("Operator", "mix", 20, 100);
    b->name = "a title far wider than the box it names";
    a->expanded = b->expanded = false;
    const QImage canvas = form->PaintBox1->grab().toImage();
    const QRgb black = qRgb(0, 0, 0);
    for (const Node* n : {a, b}) {
        int bottom = n->y;  // where the left border ends
        while (canvas.pixel(n->x, bottom + 1) == black) ++bottom;
        int gaps = 0;
        for (int x = n->x; x < n->x + n->width; ++x) gaps += canvas.pixel(x, bottom) != black;
        for (int y = n->y; y <= bottom; ++y) gaps += canvas.pixel(n->x + n->width - 1, y) != black;
        EXPECT_GT(bottom, n->y);
        EXPECT_EQ(gaps, 0) << n->name;
    }
}

// Names wider than their part of the box end there: an input name before
// the middle line, an output name before its connector, neither over a line
// of the box (black without the names) nor past its edge.
TEST_F(EditorTest, LongPortNamesStayWithinTheirColumns)
{
    Node* n = Place(ConstantNode::Make(ConstantNode::kRed), 20, 20);
    n->width = 96;
    const auto picture = [&](const char* input, const char* output) {
        n->params[0].name = input;
        n->outputs[0].name = output;
        return form->PaintBox1->grab().toImage();
    };
    const QImage nameless = picture("", "");
    const QImage named = picture("an input name far wider than its half", "and an output name");
    const QRect box(n->x, n->y, n->width, n->height);
    int changed = 0;
    int misplaced = 0;
    for (int y = 0; y < named.height(); ++y) {
        for (int x = 0; x < named.width(); ++x) {
            if (named.pixel(x, y) != nameless.pixel(x, y)) {
                ++changed;
                misplaced += !box.contains(x, y) || nameless.pixel(x, y) == qRgb(0, 0, 0);
            }
        }
    }
    EXPECT_GT(changed, 0);
    EXPECT_EQ(misplaced, 0);
}
