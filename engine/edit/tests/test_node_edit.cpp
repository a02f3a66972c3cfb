#include <gtest/gtest.h>

#include <algorithm>

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
    EXPECT_EQ(node->HitTest(91, 30), HIT_BORDER);
    EXPECT_EQ(node->HitTest(90, 30), HIT_BODY);
    EXPECT_EQ(node->HitTest(89, 57), HIT_BODY);
    EXPECT_EQ(node->HitTest(89, 58), HIT_BORDER);
    EXPECT_EQ(node->HitTest(86, 8), HIT_EXPAND);
    EXPECT_EQ(node->HitTest(10, 30), HIT_THUMBNAIL);
    EXPECT_EQ(node->HitTest(3, 30), HIT_BODY);
}

TEST(NodeHitTest, ConnectorRowsCountConnectableInputsOnly)
{
    auto node = ChoiceFirst::New();
    node->width = 120;
    node->height = 160;
    EXPECT_EQ(node->InputAt(10, 100), &node->params[1]);
    EXPECT_EQ(node->InputAt(10, 112), &node->params[2]);
    EXPECT_EQ(node->InputAt(10, 108), nullptr);  // between rows
    EXPECT_EQ(node->InputAt(10, 126), nullptr);  // past the last connectable input
    EXPECT_EQ(node->InputAt(17, 100), nullptr);
    EXPECT_EQ(node->HitTest(4, 106), HIT_INPUT);

    EXPECT_EQ(node->OutputAt(104, 94), 0);
    EXPECT_EQ(node->OutputAt(116, 138), 2);
    EXPECT_EQ(node->OutputAt(110, 139), -1);
    EXPECT_EQ(node->OutputAt(103, 94), -1);
    EXPECT_EQ(node->HitTest(110, 126), HIT_OUTPUT);
}

TEST(NodeHitTest, RootHasNoOutputConnectorButOutputAtStillAnswers)
{
    auto root = NRoot::New();
    root->width = 120;
    root->height = 400;
    EXPECT_EQ(root->OutputAt(110, 100), 0);
    EXPECT_EQ(root->HitTest(110, 100), HIT_BODY);
    EXPECT_EQ(root->HitTest(10, 100), HIT_INPUT);
}

TEST(NodeHitTest, ExtremeBoxSizesFromAFileDoNotOverflow)
{
    auto node = FakeInvert::New();
    node->width = INT32_MIN;
    node->height = INT32_MIN;
    EXPECT_EQ(node->HitTest(0, 0), HIT_BORDER);
    NodeList list;
    Add(list, FakeInvert::New(), INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX);
    EXPECT_NE(list.HitTest(INT32_MAX, INT32_MAX), nullptr);
}

TEST(NodeListHitTest, TopmostNodeWinsAndMovesToTheEnd)
{
    NodeList list;
    Node* a = Add(list, FakeInvert::New(), 0, 0, 96, 64);
    Node* b = Add(list, FakeInvert::New(), 50, 30, 96, 64);
    Node* c = Add(list, FakeInvert::New(), 500, 0, 96, 64);
    EXPECT_EQ(list.HitTest(60, 40), b);
    ASSERT_EQ(list.nodes.size(), 3u);
    EXPECT_EQ(list.nodes[0].get(), a);
    EXPECT_EQ(list.nodes[1].get(), c);
    EXPECT_EQ(list.nodes[2].get(), b);
    EXPECT_EQ(list.HitTest(60, 40), b);
    EXPECT_EQ(list.nodes[2].get(), b);

    EXPECT_EQ(list.HitTest(10, 10), a);  // only a holds it
    EXPECT_EQ(list.nodes[2].get(), a);
    EXPECT_EQ(list.HitTest(96, 64), a);  // inclusive right and bottom edges
    EXPECT_EQ(list.HitTest(300, 300), nullptr);
    EXPECT_EQ(list.nodes[2].get(), a);
}

TEST(NodeListHitTest, CollapsedBoxIsSixteenHigh)
{
    NodeList list;
    Node* n = Add(list, FakeInvert::New(), 0, 0, 96, 64);
    n->expanded = false;
    EXPECT_EQ(list.HitTest(10, 20), nullptr);
    EXPECT_EQ(list.HitTest(10, 16), n);
}

TEST(LoopCheck, ChainsSelfLinksAndCycles)
{
    NodeList list;
    Node* a = Append<Node>(list, FakeInvert::New());
    Node* b = Append<Node>(list, FakeInvert::New());
    Node* c = Append<Node>(list, FakeInvert::New());
    Link(*b, 0, *a, 0);
    Link(*c, 0, *b, 0);
    EXPECT_FALSE(list.FindLoop());
    EXPECT_EQ(a->loopMark, 1);
    Link(*a, 0, *c, 0);
    EXPECT_TRUE(list.FindLoop());

    NodeList self;
    Node* s = Append<Node>(self, FakeInvert::New());
    EXPECT_FALSE(self.FindLoop());
    Link(*s, 0, *s, 0);
    EXPECT_TRUE(self.FindLoop());
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
    EXPECT_FALSE(list.FindLoop());
    // The rung below the top now also takes the top's output: a cycle.
    Link(*list.nodes.back(), 0, *list.nodes.front(), 0);
    EXPECT_TRUE(list.FindLoop());
}

TEST(ParamText, ColourAndVectorTakeUpToThreePieces)
{
    NodeParam p;
    p.editKind = EDIT_COLOR;
    p.value.type = DATA_COLOR;
    p.value.components[0] = p.value.components[1] = p.value.components[2] = 0.5;
    p.SetFromText("1, 2");
    EXPECT_EQ(p.value.components[0], 1.0);
    EXPECT_EQ(p.value.components[1], 2.0);
    EXPECT_EQ(p.value.components[2], 0.5);
    p.SetFromText("7,8,9,10");
    EXPECT_EQ(p.value.components[2], 9.0);
    p.SetFromText("abc,,1e1x");
    EXPECT_EQ(p.value.components[0], 0.0);
    EXPECT_EQ(p.value.components[1], 0.0);
    EXPECT_EQ(p.value.components[2], 10.0);
    EXPECT_EQ(p.value.type, DATA_COLOR);
    EXPECT_EQ(p.ValueText(), "0.000, 0.000, 10.000");

    p.editKind = EDIT_VECTOR;
    p.SetFromText(" -0.25");
    EXPECT_EQ(p.value.components[0], -0.25);
    EXPECT_EQ(p.ValueText(), "-0.250, 0.000, 10.000");
}

TEST(ParamText, LinkedInputShowsItsSourceAndIgnoresText)
{
    NodeList list;
    Node* pair = Append<Node>(list, PairNode::New());
    Node* inv = Append<Node>(list, FakeInvert::New());
    Link(*inv, 0, *pair, 1);
    inv->params[0].SetFromText("0, 0, 0");
    EXPECT_EQ(inv->params[0].value.components[0], 1.0);
    EXPECT_EQ(inv->params[0].ValueText(), "[ pair : level ]");
}

TEST(ParamText, KindsOtherThanColour)
{
    NodeParam f;
    f.editKind = EDIT_FLOAT;
    f.SetFromText("2.5e-1 rest");
    EXPECT_EQ(f.value.components[0], 0.25);
    EXPECT_EQ(f.ValueText(), "0.250");
    f.SetFromText("0x10");
    EXPECT_EQ(f.ValueText(), "16.000");

    NodeParam t;
    t.editKind = EDIT_FILE;
    t.SetFromText("/tmp/a b.bmp");
    EXPECT_EQ(t.ValueText(), "/tmp/a b.bmp");

    NodeParam c;
    c.editKind = EDIT_CHOICE;
    c.value.text = "X\nY\nZ";
    c.SetFromText("2");
    EXPECT_EQ(c.value.components[0], 0.0);  // choices are not set from text
    c.value.components[0] = 1.9;
    EXPECT_EQ(c.ValueText(), "Y");
    c.value.components[0] = 2.0;
    EXPECT_EQ(c.ValueText(), "Z");
    c.value.components[0] = 3.0;
    EXPECT_EQ(c.ValueText(), "");
    c.value.components[0] = -0.5;
    EXPECT_EQ(c.ValueText(), "X");  // truncated toward zero
    c.value.components[0] = -1.0;
    EXPECT_EQ(c.ValueText(), "");
    c.value.components[0] = 1e300;
    EXPECT_EQ(c.ValueText(), "");

    NodeParam custom;
    custom.editKind = EDIT_CUSTOM;
    EXPECT_EQ(custom.ValueText(), "[-- Edit Here --]");
    NodeParam other;
    other.editKind = 3;
    other.SetFromText("1");
    EXPECT_EQ(other.ValueText(), "");
}
