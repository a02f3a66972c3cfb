#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "gradient/gradient_nodes.h"
#include "gradient_test_support.h"
#include "model/edit_hooks.h"
#include "model/node_stream.h"

using gradienttest::BlockStream;
using gradienttest::SetKeys;

namespace {

template <class T>
std::unique_ptr<T> Make()
{
    std::unique_ptr<Node> n = T::New();
    return std::unique_ptr<T>(static_cast<T*>(n.release()));
}

// Sets the unlinked "input" and evaluates as a renderer would.
void EvaluateAt(Node& node, double input)
{
    node.params[1].value.components[0] = input;
    const EvalContext ctx{};
    node.ClearEvaluated();
    node.Evaluate(ctx);
}

const double* Out(const Node& node, int index)
{
    return node.outputs[index].value.components;
}

const OutputDesc kColourOut[] = {{"out", DATA_COLOR}};

// A source with one fixed colour output.
class ColourSource : public Node {
public:
    void Evaluate(const EvalContext&) override
    {
        double* c = outputs[0].value.components;
        c[0] = 0.3;
        c[1] = 0.6;
        c[2] = 0.9;
    }
    std::unique_ptr<Node> Create() const override
    {
        auto n = std::make_unique<ColourSource>();
        n->Setup("source", "Test", 0, nullptr, 1, kColourOut, 0);
        return n;
    }
};

// Empties the edit hooks when a test ends, whatever it installed.
struct HookReset {
    ~HookReset() { TheEditHooks() = EditHooks{}; }
};

}  // namespace

TEST(GradientNodes, TypesPortsAndDefaultKeys)
{
    auto c = Make<NGradientC>();
    auto v = Make<NGradientV>();
    EXPECT_EQ(c->name, "color gradient");
    EXPECT_EQ(v->name, "value gradient");
    for (Node* n : {static_cast<Node*>(c.get()), static_cast<Node*>(v.get())}) {
        EXPECT_EQ(n->category, "Gradient");
        EXPECT_FALSE(n->isRoot);
        ASSERT_EQ(n->paramCount, 2);
        ASSERT_EQ(n->outputCount, 2);
        EXPECT_EQ(n->params[0].name, "gradient");
        EXPECT_EQ(n->params[0].value.type, DATA_CUSTOM);
        EXPECT_EQ(n->params[0].editKind, EDIT_CUSTOM);
        EXPECT_FALSE(n->params[0].connectable);
        EXPECT_EQ(n->params[1].name, "input");
        EXPECT_EQ(n->params[1].value.type, DATA_FLOAT);
        EXPECT_EQ(n->params[1].editKind, EDIT_FLOAT);
        EXPECT_TRUE(n->params[1].connectable);
        EXPECT_EQ(n->params[1].value.components[0], 0.0);
        EXPECT_EQ(n->outputs[1].name, "alpha");
        EXPECT_EQ(n->outputs[1].value.type, DATA_FLOAT);
    }
    EXPECT_EQ(c->outputs[0].name, "color");
    EXPECT_EQ(c->outputs[0].value.type, DATA_COLOR);
    EXPECT_EQ(v->outputs[0].name, "value");
    EXPECT_EQ(v->outputs[0].value.type, DATA_FLOAT);

    ASSERT_EQ(c->gradient->Count(), 2);
    EXPECT_EQ(c->gradient->Key(0)->position, 1.0);
    EXPECT_EQ(c->gradient->Key(1)->position, 0.0);
    const std::unique_ptr<Node> made = v->Create();
    EXPECT_NE(dynamic_cast<NGradientV*>(made.get()), nullptr);
}

TEST(GradientNodes, NewNodeGivesOpaqueBlackEverywhere)
{
    auto c = Make<NGradientC>();
    auto v = Make<NGradientV>();
    for (double x : {-10.0, 0.0, 0.3, 1.0, 55.0}) {
        EvaluateAt(*c, x);
        EXPECT_EQ(Out(*c, 0)[0], 0.0);
        EXPECT_EQ(Out(*c, 0)[1], 0.0);
        EXPECT_EQ(Out(*c, 0)[2], 0.0);
        EXPECT_EQ(Out(*c, 1)[0], 1.0);
        EvaluateAt(*v, x);
        EXPECT_EQ(Out(*v, 0)[0], 0.0);
        EXPECT_EQ(Out(*v, 1)[0], 1.0);
    }
}

TEST(GradientNodes, ColourGradientInterpolatesColourAndAlpha)
{
    const GValue black{0.0, 0, 0, 0, 0.0};
    const GValue white{1.0, 1, 1, 1, 1.0};
    for (bool whiteFirst : {false, true}) {
        auto c = Make<NGradientC>();
        if (whiteFirst) {
            SetKeys(*c->gradient, {white, black});
        } else {
            SetKeys(*c->gradient, {black, white});
        }
        EvaluateAt(*c, 0.25);
        for (int i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(Out(*c, 0)[i], 0.25);
        }
        EXPECT_DOUBLE_EQ(Out(*c, 1)[0], 0.25);
        EvaluateAt(*c, -1.0);
        EXPECT_EQ(Out(*c, 0)[1], 0.0);
        EXPECT_EQ(Out(*c, 1)[0], 0.0);
        EvaluateAt(*c, 2.0);
        EXPECT_EQ(Out(*c, 0)[1], 1.0);
        EXPECT_EQ(Out(*c, 1)[0], 1.0);
    }
}

TEST(GradientNodes, ValueGradientReadsTheRedChannelOnly)
{
    auto v = Make<NGradientV>();
    SetKeys(*v->gradient, {GValue{0.0, 0.2, 7.0, -3.0, 1.0}, GValue{1.0, 0.8, -9.0, 4.0, 0.5}});
    EvaluateAt(*v, 0.5);
    EXPECT_DOUBLE_EQ(Out(*v, 0)[0], 0.5);
    EXPECT_EQ(Out(*v, 0)[1], 0.0);
    EXPECT_EQ(Out(*v, 0)[2], 0.0);
    EXPECT_DOUBLE_EQ(Out(*v, 1)[0], 0.75);
    EXPECT_EQ(Out(*v, 1)[1], 0.0);
}

TEST(GradientNodes, LinkedColourInputIsLookedUpAtItsMean)
{
    auto source = ColourSource().Create();
    auto c = Make<NGradientC>();
    SetKeys(*c->gradient, {GValue{0.0, 0, 0, 0, 1.0}, GValue{1.0, 1, 1, 1, 1.0}});
    c->params[1].source = source.get();
    c->params[1].sourceOutput = 0;
    c->params[1].value.components[0] = 0.1;  // own value, unused while linked
    const EvalContext ctx{};
    c->ClearEvaluated();
    c->Evaluate(ctx);
    EXPECT_DOUBLE_EQ(Out(*c, 0)[0], 0.6);
    EXPECT_DOUBLE_EQ(Out(*c, 0)[2], 0.6);
}

TEST(GradientNodes, FewerThanTwoKeysGiveTransparentBlack)
{
    auto c = Make<NGradientC>();
    auto v = Make<NGradientV>();
    for (Node* n : {static_cast<Node*>(c.get()), static_cast<Node*>(v.get())}) {
        Gradient& g = *static_cast<GradientNode*>(n)->gradient;
        SetKeys(g, {GValue{0.0, 1, 1, 1, 1.0}, GValue{1.0, 1, 1, 1, 1.0}});
        EvaluateAt(*n, 0.5);
        ASSERT_EQ(Out(*n, 0)[0], 1.0);  // the outputs hold a previous sample's values
        SetKeys(g, {GValue{0.0, 1, 1, 1, 1.0}});
        EvaluateAt(*n, 0.5);
        EXPECT_EQ(Out(*n, 0)[0], 0.0);
        EXPECT_EQ(Out(*n, 1)[0], 0.0);
        g.Clear();
        EvaluateAt(*n, 0.5);
        EXPECT_EQ(Out(*n, 0)[0], 0.0);
        EXPECT_EQ(Out(*n, 1)[0], 0.0);
    }
    EXPECT_EQ(Out(*c, 0)[2], 0.0);
}

TEST(GradientNodes, CopyFromTakesOnlyTheSameClass)
{
    auto c = Make<NGradientC>();
    auto v = Make<NGradientV>();
    SetKeys(*v->gradient,
            {GValue{0.5, 1, 1, 1, 1.0}, GValue{0.0, 0, 0, 0, 1.0}, GValue{2.0, 0, 0, 0, 1.0}});
    GValue* before = c->gradient->Key(0);
    c->CopyFrom(*v);
    ASSERT_EQ(c->gradient->Count(), 2);
    EXPECT_EQ(c->gradient->Key(0), before);
    v->CopyFrom(*c);
    EXPECT_EQ(v->gradient->Count(), 3);

    auto other = Make<NGradientC>();
    SetKeys(*other->gradient,
            {GValue{0.5, 0.1, 0.2, 0.3, 0.4}, GValue{-1.0, 5, 6, 7, 8}, GValue{3.0, 0, 0, 0, 0}});
    c->CopyFrom(*other);
    ASSERT_EQ(c->gradient->Count(), 3);
    for (int32_t i = 0; i < 3; ++i) {
        const GValue& a = *other->gradient->Key(i);
        const GValue& b = *c->gradient->Key(i);
        EXPECT_EQ(a.position, b.position);
        EXPECT_EQ(a.r, b.r);
        EXPECT_EQ(a.g, b.g);
        EXPECT_EQ(a.b, b.b);
        EXPECT_EQ(a.alpha, b.alpha);
        EXPECT_NE(&a, &b);
    }
}

TEST(GradientNodes, CloneOwnsAnIndependentGradient)
{
    auto v = Make<NGradientV>();
    SetKeys(*v->gradient, {GValue{0.0, 0.2, 0, 0, 1.0}, GValue{1.0, 0.8, 0, 0, 1.0}});
    v->params[1].value.components[0] = 0.5;
    std::unique_ptr<Node> copy = v->Clone();
    auto* clone = dynamic_cast<NGradientV*>(copy.get());
    ASSERT_NE(clone, nullptr);
    v->gradient->Key(1)->r = 0.0;
    v->gradient->Clear();
    ASSERT_EQ(clone->gradient->Count(), 2);
    EXPECT_EQ(clone->gradient->Key(1)->r, 0.8);
    const EvalContext ctx{};
    clone->Evaluate(ctx);
    EXPECT_DOUBLE_EQ(Out(*clone, 0)[0], 0.5);
}

TEST(GradientNodes, DataBlockRoundTrips)
{
    auto c = Make<NGradientC>();
    SetKeys(*c->gradient,
            {GValue{0.5, 0.1, 0.2, 0.3, 0.4}, GValue{0.0, 0, 0, 0, 1}, GValue{1.0, 1, 1, 1, 1}});
    NBufferStream block(1024);
    c->Save(block);
    ASSERT_EQ(block.position, 124);

    std::vector<uint8_t> bytes(block.data.get(), block.data.get() + block.position);
    auto in = BlockStream(bytes);
    auto back = Make<NGradientC>();
    EXPECT_TRUE(back->Load(*in));
    ASSERT_EQ(back->gradient->Count(), 3);
    EXPECT_EQ(back->gradient->Key(0)->position, 0.5);
    EXPECT_EQ(back->gradient->Key(0)->alpha, 0.4);
    NBufferStream again(1024);
    back->Save(again);
    ASSERT_EQ(again.position, 124);
    EXPECT_EQ(std::memcmp(again.data.get(), bytes.data(), bytes.size()), 0);
}

TEST(GradientNodes, ShortBlockLoadsAsFarAsItGoes)
{
    // A huge count over one zero key, and no block at all: Load still reports
    // success; the stored zero keys (transparent black) or nothing replace
    // the default gradient, so the alpha is 0 either way.
    std::vector<uint8_t> huge(4 + 40, 0);
    const int32_t count = std::numeric_limits<int32_t>::max();
    std::memcpy(huge.data(), &count, 4);
    for (const auto& bytes : {huge, std::vector<uint8_t>{}}) {
        auto c = Make<NGradientC>();
        auto in = BlockStream(bytes);
        EXPECT_TRUE(c->Load(*in));
        EXPECT_EQ(c->gradient->Count(), bytes.empty() ? 0 : 2);
        EvaluateAt(*c, 0.5);
        EXPECT_EQ(Out(*c, 1)[0], 0.0);
    }

    // A negative count is a whole, empty gradient.
    std::vector<uint8_t> negative(4, 0xff);
    auto v = Make<NGradientV>();
    auto in = BlockStream(negative);
    EXPECT_TRUE(v->Load(*in));
    EXPECT_EQ(v->gradient->Count(), 0);
    EvaluateAt(*v, 0.5);
    EXPECT_EQ(Out(*v, 1)[0], 0.0);
}

TEST(GradientNodes, EditReachesTheInstalledGradientEditor)
{
    HookReset reset;
    auto c = Make<NGradientC>();
    auto v = Make<NGradientV>();

    // Without a hook (the render-time build) Edit does nothing.
    c->Edit(c->params[0]);
    EXPECT_EQ(c->gradient->Count(), 2);

    std::vector<std::pair<Gradient*, int32_t>> calls;
    TheEditHooks().editGradient = [&calls](Gradient& g, int32_t valueMode) {
        calls.emplace_back(&g, valueMode);
        g.AddKey(std::make_unique<GValue>());  // the window edits in place
    };
    c->Edit(c->params[0]);
    v->Edit(v->params[1]);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].first, c->gradient.get());
    EXPECT_EQ(calls[0].second, 0);
    EXPECT_EQ(calls[1].first, v->gradient.get());
    EXPECT_EQ(calls[1].second, 1);
    EXPECT_EQ(c->gradient->Count(), 3);
    EXPECT_EQ(v->gradient->Count(), 3);
}
