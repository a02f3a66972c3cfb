#include <gtest/gtest.h>

#include <algorithm>

#include "edit/loop_check.h"
#include "edit/node_hit_test.h"
#include "edit/param_text.h"
#include "graph_test_support.h"

using namespace graph_test;

namespace {

// A choice input first, then two colour inputs, and three outputs.
class ChoiceFirst : public Node {
public:
    static std::unique_ptr<Node> New()
    {
        static const ParamDesc inputs[] = {
            {"mode", DATA_FLOAT, EDIT_CHOICE, 0},
            {"a", DATA_COLOR, EDIT_COLOR, 1},
            {"b", DATA_COLOR, EDIT_COLOR, 1},
        };
        static const OutputDesc outs[] = {{"x", DATA_COLOR}, {"y", DATA_FLOAT}, {"z", DATA_FLOAT}};
        auto n = std::make_unique<ChoiceFirst>();
        n->Setup("choice first", "Test", 3, inputs, 3, outs, 0);
        return n;
    }
    void Evaluate(const EvalContext&) override {}
    std::unique_ptr<Node> Create() const override { return New(); }
};

Node* Add(NodeList& list, std::unique_ptr<Node> node, int32_t x, int32_t y, int32_t w, int32_t h)
{
    node->x = x;
    node->y = y;
    node->width = w;
    node->height = h;
    return Append<Node>(list, std::move(node));
}

}  // namespace

TEST(NodeHitTest, ZonesOfAPlainBox)
{
    auto node = FakeInvert::New();  // 96 x 64
    EXPECT_EQ(HitTest(*node, 91, 30), HIT_BORDER);
    EXPECT_EQ(HitTest(*node, 90, 30), HIT_BODY);
    EXPECT_EQ(HitTest(*node, 89, 57), HIT_BODY);
    EXPECT_EQ(HitTest(*node, 89, 58), HIT_BORDER);
    EXPECT_EQ(HitTest(*node, 86, 8), HIT_EXPAND);
    EXPECT_EQ(HitTest(*node, 10, 30), HIT_THUMBNAIL);
    EXPECT_EQ(HitTest(*node, 3, 30), HIT_BODY);
}

TEST(NodeHitTest, ConnectorRowsCountConnectableInputsOnly)
{
    auto node = ChoiceFirst::New();
    node->width = 120;
    node->height = 160;
    EXPECT_EQ(InputAt(*node, 10, 100), &node->params[1]);
    EXPECT_EQ(InputAt(*node, 10, 112), &node->params[2]);
    EXPECT_EQ(InputAt(*node, 10, 108), nullptr);  // between rows
    EXPECT_EQ(InputAt(*node, 10, 126), nullptr);  // past the last connectable input
    EXPECT_EQ(InputAt(*node, 17, 100), nullptr);
    EXPECT_EQ(HitTest(*node, 4, 106), HIT_INPUT);

    EXPECT_EQ(OutputAt(*node, 104, 94), 0);
    EXPECT_EQ(OutputAt(*node, 116, 138), 2);
    EXPECT_EQ(OutputAt(*node, 110, 139), -1);
    EXPECT_EQ(OutputAt(*node, 103, 94), -1);
    EXPECT_EQ(HitTest(*node, 110, 126), HIT_OUTPUT);
}

TEST(NodeHitTest, RootHasNoOutputConnectorButOutputAtStillAnswers)
{
    auto root = NRoot::New();
    root->width = 120;
    root->height = 400;
    EXPECT_EQ(OutputAt(*root, 110, 100), 0);
    EXPECT_EQ(HitTest(*root, 110, 100), HIT_BODY);
    EXPECT_EQ(HitTest(*root, 10, 100), HIT_INPUT);
}

TEST(NodeHitTest, ExtremeBoxSizesFromAFileDoNotOverflow)
{
    auto node = FakeInvert::New();
    node->width = INT32_MIN;
    node->height = INT32_MIN;
    EXPECT_EQ(HitTest(*node, 0, 0), HIT_BORDER);
    NodeList list;
    Add(list, FakeInvert::New(), INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX);
    EXPECT_NE(HitTest(list, INT32_MAX, INT32_MAX), nullptr);
}

TEST(NodeListHitTest, TopmostNodeWinsAndMovesToTheEnd)
{
    NodeList list;
    Node* a = Add(list, FakeInvert::New(), 0, 0, 96, 64);
    Node* b = Add(list, FakeInvert::New(), 50, 30, 96, 64);
    Node* c = Add(list, FakeInvert::New(), 500, 0, 96, 64);
    EXPECT_EQ(HitTest(list, 60, 40), b);
    ASSERT_EQ(list.nodes.size(), 3u);
    EXPECT_EQ(list.nodes[0].get(), a);
    EXPECT_EQ(list.nodes[1].get(), c);
    EXPECT_EQ(list.nodes[2].get(), b);
    EXPECT_EQ(HitTest(list, 60, 40), b);
    EXPECT_EQ(list.nodes[2].get(), b);

    EXPECT_EQ(HitTest(list, 10, 10), a);  // only a holds it
    EXPECT_EQ(list.nodes[2].get(), a);
    EXPECT_EQ(HitTest(list, 96, 64), a);  // inclusive right and bottom edges
    EXPECT_EQ(HitTest(list, 300, 300), nullptr);
    EXPECT_EQ(list.nodes[2].get(), a);
}

TEST(NodeListHitTest, CollapsedBoxIsSixteenHigh)
{
    NodeList list;
    Node* n = Add(list, FakeInvert::New(), 0, 0, 96, 64);
    n->expanded = false;
    EXPECT_EQ(HitTest(list, 10, 20), nullptr);
    EXPECT_EQ(HitTest(list, 10, 16), n);
}

TEST(LoopCheck, ChainsSelfLinksAndCycles)
{
    NodeList list;
    Node* a = Append<Node>(list, FakeInvert::New());
    Node* b = Append<Node>(list, FakeInvert::New());
    Node* c = Append<Node>(list, FakeInvert::New());
    Link(*b, 0, *a, 0);
    Link(*c, 0, *b, 0);
    EXPECT_FALSE(FindLoop(list));
    EXPECT_EQ(a->loopMark, 1);
    Link(*a, 0, *c, 0);
    EXPECT_TRUE(FindLoop(list));

    NodeList self;
    Node* s = Append<Node>(self, FakeInvert::New());
    EXPECT_FALSE(FindLoop(self));
    Link(*s, 0, *s, 0);
    EXPECT_TRUE(FindLoop(self));
}

TEST(LoopCheck, LadderOfSharedSourcesIsCheckedInLinearTime)
{
    // Each rung's pair takes both inputs from the previous pair: 2^rungs
    // paths, yet every node is explored once.
    NodeList list;
    Node* left = Append<Node>(list, PairNode::New());
    Node* right = Append<Node>(list, PairNode::New());
    for (int rung = 0; rung < 200; ++rung) {
        Node* l = Append<Node>(list, PairNode::New());
        Node* r = Append<Node>(list, PairNode::New());
        Link(*l, 0, *left, 0);
        Link(*l, 1, *right, 1);
        Link(*r, 0, *left, 0);
        Link(*r, 1, *right, 1);
        left = l;
        right = r;
    }
    // Searching from the top first makes every later start an explored node.
    std::rotate(list.nodes.begin(), list.nodes.end() - 2, list.nodes.end());
    EXPECT_FALSE(FindLoop(list));
    // The rung below the top now also takes the top's output: a cycle.
    Link(*list.nodes.back(), 0, *list.nodes.front(), 0);
    EXPECT_TRUE(FindLoop(list));
}

TEST(ParamText, ColourAndVectorTakeUpToThreePieces)
{
    NodeParam p;
    p.editKind = EDIT_COLOR;
    p.value.type = DATA_COLOR;
    p.value.components[0] = p.value.components[1] = p.value.components[2] = 0.5;
    SetFromText(p, "1, 2");
    EXPECT_EQ(p.value.components[0], 1.0);
    EXPECT_EQ(p.value.components[1], 2.0);
    EXPECT_EQ(p.value.components[2], 0.5);
    SetFromText(p, "7,8,9,10");
    EXPECT_EQ(p.value.components[2], 9.0);
    SetFromText(p, "abc,,1e1x");
    EXPECT_EQ(p.value.components[0], 0.0);
    EXPECT_EQ(p.value.components[1], 0.0);
    EXPECT_EQ(p.value.components[2], 10.0);
    EXPECT_EQ(p.value.type, DATA_COLOR);
    EXPECT_EQ(ValueText(p), "0.000, 0.000, 10.000");

    p.editKind = EDIT_VECTOR;
    SetFromText(p, " -0.25");
    EXPECT_EQ(p.value.components[0], -0.25);
    EXPECT_EQ(ValueText(p), "-0.250, 0.000, 10.000");
}

TEST(ParamText, LinkedInputShowsItsSourceAndIgnoresText)
{
    NodeList list;
    Node* pair = Append<Node>(list, PairNode::New());
    Node* inv = Append<Node>(list, FakeInvert::New());
    Link(*inv, 0, *pair, 1);
    SetFromText(inv->params[0], "0, 0, 0");
    EXPECT_EQ(inv->params[0].value.components[0], 1.0);
    EXPECT_EQ(ValueText(inv->params[0]), "[ pair : level ]");
}

TEST(ParamText, KindsOtherThanColour)
{
    NodeParam f;
    f.editKind = EDIT_FLOAT;
    SetFromText(f, "2.5e-1 rest");
    EXPECT_EQ(f.value.components[0], 0.25);
    EXPECT_EQ(ValueText(f), "0.250");
    SetFromText(f, "0x10");
    EXPECT_EQ(ValueText(f), "16.000");

    NodeParam t;
    t.editKind = EDIT_FILE;
    SetFromText(t, "/tmp/a b.bmp");
    EXPECT_EQ(ValueText(t), "/tmp/a b.bmp");

    NodeParam c;
    c.editKind = EDIT_CHOICE;
    c.value.text = "X\nY\nZ";
    SetFromText(c, "2");
    EXPECT_EQ(c.value.components[0], 0.0);  // choices are not set from text
    c.value.components[0] = 1.9;
    EXPECT_EQ(ValueText(c), "Y");
    c.value.components[0] = 2.0;
    EXPECT_EQ(ValueText(c), "Z");
    c.value.components[0] = 3.0;
    EXPECT_EQ(ValueText(c), "");
    c.value.components[0] = -0.5;
    EXPECT_EQ(ValueText(c), "X");  // truncated toward zero
    c.value.components[0] = -1.0;
    EXPECT_EQ(ValueText(c), "");
    c.value.components[0] = 1e300;
    EXPECT_EQ(ValueText(c), "");

    NodeParam custom;
    custom.editKind = EDIT_CUSTOM;
    EXPECT_EQ(ValueText(custom), "[-- Edit Here --]");
    NodeParam other;
    other.editKind = 3;
    SetFromText(other, "1");
    EXPECT_EQ(ValueText(other), "");
}
