#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "graph_test_support.h"
#include "macro/macro_nodes.h"
#include "model/edit_hooks.h"
#include "node_test_helpers.h"
#include "nodes/operator_nodes.h"
#include "nodes/root_node.h"
#include "registry/globals.h"

using graph_test::Append;
using graph_test::Bytes;
using graph_test::InputRecord;
using graph_test::LoadBytes;
using graph_test::SaveBytes;
using graph_test::StreamBuilder;
using nodetest::ConstantNode;
using nodetest::ExpectRgb;
using nodetest::Link;
using nodetest::Sample;
using nodetest::SetColor;

namespace {

// Nested loads and copies use the process's registry; each test gets a full
// one of its own and the previous one back afterwards.
class MacroNodes : public ::testing::Test {
protected:
    void SetUp() override
    {
        saved_ = std::exchange(globals.nodeFactory, std::make_unique<NodeFactory>());
    }
    void TearDown() override { globals.nodeFactory = std::move(saved_); }

private:
    std::unique_ptr<NodeFactory> saved_;
};

NMacro* AddMacro(NodeList& list)
{
    return Append<NMacro>(list, NMacro::New());
}

NMacroRoot* AddMacroRoot(NodeList& list)
{
    return Append<NMacroRoot>(list, NMacroRoot::New());
}

// The depth of the deepest macro root below list (1 = in list itself), or
// minus the depth of the first empty sub-graph met on the way down.
int32_t InnermostDepth(const NodeList& list)
{
    const NodeList* at = &list;
    for (int32_t depth = 1;; ++depth) {
        if (at->nodes.empty()) {
            return -depth;
        }
        const auto* macro = dynamic_cast<const NMacro*>(at->nodes[0].get());
        if (macro == nullptr) {
            return depth;
        }
        at = macro->subGraph.get();
    }
}

// A graph stream of depth levels: each but the last holds a macro (first)
// with the next level inside and a macro root showing that macro's result;
// the last holds a macro root of the given colour.
Bytes NestedStream(int32_t depth, double r, double g, double b)
{
    Bytes inner =
        StreamBuilder().Int(1).Record("Macro", "macro root", {{0, 0, {r, g, b}, ""}}).Done();
    for (int32_t level = depth - 1; level >= 1; --level) {
        inner = StreamBuilder()
                    .Int(2)
                    .Record("Macro", "macro", {{}}, inner)
                    .Record("Macro", "macro root", {{1, 0, {}, ""}})
                    .Done();
    }
    return inner;
}

// One level of a graph stream: a macro root fed through a chain of length
// inverts from a macro holding inner.
Bytes ChainLevel(int32_t length, const Bytes& inner)
{
    StreamBuilder b;
    b.Int(length + 2).Record("Macro", "macro root", {{2, 0, {}, ""}});
    for (int32_t record = 2; record <= length + 1; ++record) {
        b.Record("Operator", "invert", {{record + 1, 0, {}, ""}});
    }
    return b.Record("Macro", "macro", {{}}, inner).Done();
}

}  // namespace

TEST_F(MacroNodes, PortsAndRegistration)
{
    const auto macro = NMacro::New();
    nodetest::ExpectPorts(*macro, "macro", "Macro",
                          {{"macro", DATA_CUSTOM, EDIT_CUSTOM, false, {0, 0, 0}, ""}}, "result",
                          DATA_COLOR);
    EXPECT_TRUE(static_cast<NMacro&>(*macro).subGraph->nodes.empty());

    const auto root = NMacroRoot::New();
    EXPECT_EQ(root->name, "macro root");
    EXPECT_EQ(root->category, "Macro");
    EXPECT_TRUE(root->isRoot);
    ASSERT_EQ(root->paramCount, 1);
    EXPECT_EQ(root->params[0].name, "input");
    EXPECT_EQ(root->params[0].value.type, DATA_COLOR);
    EXPECT_TRUE(root->params[0].connectable);
    ASSERT_EQ(root->outputCount, 1);
    EXPECT_EQ(root->outputs[0].name, "result");
    EXPECT_EQ(root->outputs[0].value.type, DATA_COLOR);

    // Right after the material root, in the palette's second category.
    const NodeFactory& f = *globals.nodeFactory;
    EXPECT_EQ(f.CategoryName(1), "Macro");
    int32_t image = 0;
    EXPECT_EQ(f.NodeName("Macro", 0, &image), "macro");
    EXPECT_EQ(image, 3);
    EXPECT_EQ(f.NodeName("Macro", 1, &image), "macro root");
    EXPECT_EQ(image, 3);
    EXPECT_EQ(f.NodeName("Macro", 2), "");
    EXPECT_NE(dynamic_cast<const NMacro*>(f.Find("macro", "Macro")), nullptr);
    EXPECT_NE(dynamic_cast<const NMacroRoot*>(f.Find("macro root", "Macro")), nullptr);
}

TEST_F(MacroNodes, EvaluatesTheFirstRootOfItsSubGraph)
{
    NodeList outer;
    NMacro* macro = AddMacro(outer);

    // Empty: black, whatever the output held before.
    SetColor(*macro, 0, 0.0, 0.0, 0.0);
    macro->outputs[0].value.components[1] = 0.7;
    ExpectRgb(Sample(*macro), 0.0, 0.0, 0.0);

    // A macro root fed by "add": 0.1 + 0.1, 0.1 + 0.2, 0.1 + 0.3.
    NodeList& sub = *macro->subGraph;
    NMacroRoot* first = AddMacroRoot(sub);
    Node* add = Append<Node>(sub, NAdd::New());
    SetColor(*add, 0, 0.1, 0.1, 0.1);
    SetColor(*add, 1, 0.1, 0.2, 0.3);
    Link(*first, 0, *add);
    ExpectRgb(Sample(*macro), 0.1 + 0.1, 0.1 + 0.2, 0.1 + 0.3);
    EXPECT_EQ(macro->outputs[0].value.type, DATA_COLOR);

    // A second macro root later in the list is not the result.
    NMacroRoot* second = AddMacroRoot(sub);
    SetColor(*second, 0, 0.9, 0.9, 0.9);
    ExpectRgb(Sample(*macro), 0.1 + 0.1, 0.1 + 0.2, 0.1 + 0.3);

    // The sub-graph runs afresh each sample: a changed value shows at once.
    SetColor(*add, 1, 0.5, 0.5, 0.5);
    ExpectRgb(Sample(*macro), 0.1 + 0.5, 0.1 + 0.5, 0.1 + 0.5);

    // A float source converts to a grey colour on the macro root's input.
    Node* half = Append<Node>(sub, ConstantNode::Make(DATA_FLOAT, 0.5, 0.0, 0.0));
    Link(*first, 0, *half);
    ExpectRgb(Sample(*macro), 0.5, 0.5, 0.5);

    // A material root put first computes nothing: its untouched output 0.
    sub.nodes.insert(sub.nodes.begin(), NRoot::New());
    ExpectRgb(Sample(*macro), 0.0, 0.0, 0.0);
}

TEST_F(MacroNodes, NestedMacrosEvaluateThroughEveryLevel)
{
    NodeList outer;
    NMacro* top = AddMacro(outer);
    NMacroRoot* topRoot = AddMacroRoot(*top->subGraph);
    Node* invert = Append<Node>(*top->subGraph, NInvert::New());
    NMacro* middle = AddMacro(*top->subGraph);
    Link(*topRoot, 0, *invert);
    Link(*invert, 0, *middle);

    NMacroRoot* middleRoot = AddMacroRoot(*middle->subGraph);
    NMacro* bottom = AddMacro(*middle->subGraph);
    Link(*middleRoot, 0, *bottom);
    NMacroRoot* bottomRoot = AddMacroRoot(*bottom->subGraph);
    SetColor(*bottomRoot, 0, 0.25, 0.5, 0.125);

    ExpectRgb(Sample(*top), 1.0 - 0.25, 1.0 - 0.5, 1.0 - 0.125);
    SetColor(*bottomRoot, 0, 0.0, 1.0, 0.5);
    ExpectRgb(Sample(*top), 1.0, 0.0, 0.5);

    // The same graph after a trip through a stream, with the real registry.
    NodeList reloaded;
    ASSERT_TRUE(LoadBytes(reloaded, SaveBytes(outer), *globals.nodeFactory));
    ASSERT_EQ(reloaded.nodes.size(), 1u);
    ExpectRgb(Sample(*reloaded.nodes[0]), 1.0, 0.0, 0.5);
    EXPECT_EQ(SaveBytes(reloaded), SaveBytes(outer));
}

TEST_F(MacroNodes, ClonesOwnIndependentSubGraphs)
{
    const auto original = NMacro::New();
    auto& macro = static_cast<NMacro&>(*original);
    NMacroRoot* root = AddMacroRoot(*macro.subGraph);
    NMacro* inner = AddMacro(*macro.subGraph);
    Link(*root, 0, *inner);
    SetColor(*AddMacroRoot(*inner->subGraph), 0, 0.3, 0.2, 0.1);
    const Bytes before = SaveBytes(*macro.subGraph);

    const auto clone = original->Clone();
    auto& copy = static_cast<NMacro&>(*clone);
    ASSERT_NE(copy.subGraph.get(), macro.subGraph.get());
    EXPECT_EQ(SaveBytes(*copy.subGraph), before);
    ExpectRgb(Sample(copy), 0.3, 0.2, 0.1);

    // Changing the copy at any depth leaves the original alone, and back.
    copy.subGraph->nodes.push_back(NInvert::New());
    auto& copyInner = static_cast<NMacro&>(*copy.subGraph->nodes[1]);
    SetColor(*copyInner.subGraph->nodes[0], 0, 0.9, 0.9, 0.9);
    EXPECT_EQ(SaveBytes(*macro.subGraph), before);
    ExpectRgb(Sample(macro), 0.3, 0.2, 0.1);
    ExpectRgb(Sample(copy), 0.9, 0.9, 0.9);
    macro.subGraph->Clear();
    ExpectRgb(Sample(copy), 0.9, 0.9, 0.9);
    EXPECT_EQ(copy.subGraph->nodes.size(), 3u);

    // Copying from another type, or from a macro root, changes nothing.
    const Bytes copied = SaveBytes(*copy.subGraph);
    copy.CopyFrom(*NAdd::New());
    copy.CopyFrom(*NMacroRoot::New());
    EXPECT_EQ(SaveBytes(*copy.subGraph), copied);
}

TEST_F(MacroNodes, SubGraphIsANestedStreamInTheDataBlock)
{
    NodeList outer;
    NMacro* macro = AddMacro(outer);
    macro->x = 10;
    macro->y = 20;
    NMacroRoot* root = AddMacroRoot(*macro->subGraph);
    SetColor(*root, 0, 0.5, 0.25, 1.0);
    NMacro* inner = AddMacro(*macro->subGraph);
    inner->expanded = false;
    Link(*root, 0, *inner);

    // Each data block is a whole graph stream: nodeCount first, then records
    // whose links count from 1 within that block.
    const Bytes innermost = StreamBuilder().Int(0).Done();
    const Bytes middle = StreamBuilder()
                             .Int(2)
                             .Record("Macro", "macro root", {{2, 0, {0.5, 0.25, 1.0}, ""}})
                             .Record("Macro", "macro", {{}}, innermost, 0, 0, 96, 64, 0)
                             .Done();
    const Bytes expected =
        StreamBuilder().Int(1).Record("Macro", "macro", {{}}, middle, 10, 20).Done();
    EXPECT_EQ(SaveBytes(outer), expected);
    // The outer record's block: dataLength, then the nested nodeCount 2.
    const Bytes saved = SaveBytes(outer);
    const size_t block = 4 + (4 + 6) + (4 + 6) + 5 * 4 + 4 + (4 + 4 + 3 * 8 + 4 + 1);
    ASSERT_EQ(saved.size(), block + 4 + middle.size());
    EXPECT_EQ(Bytes(saved.begin() + block, saved.begin() + block + 8),
              (Bytes{static_cast<uint8_t>(middle.size()), 0, 0, 0, 2, 0, 0, 0}));

    NodeList loaded;
    ASSERT_TRUE(LoadBytes(loaded, expected, *globals.nodeFactory));
    const auto* back = dynamic_cast<const NMacro*>(loaded.nodes[0].get());
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->subGraph->nodes.size(), 2u);
    EXPECT_EQ(back->subGraph->nodes[0]->params[0].source, back->subGraph->nodes[1].get());
    EXPECT_FALSE(back->subGraph->nodes[1]->expanded);
    EXPECT_EQ(SaveBytes(loaded), expected);
}

TEST_F(MacroNodes, RenderBracketsReachEveryLevel)
{
    static std::vector<int32_t>* log = nullptr;
    struct Logger : Node {
        explicit Logger(int32_t tagIn) : tag(tagIn)
        {
            Setup("logger", "Test", 0, nullptr, 0, nullptr, 0);
        }
        void BeginRender() override { log->push_back(tag); }
        void EndRender() override { log->push_back(-tag); }
        void Evaluate(const EvalContext&) override {}
        std::unique_ptr<Node> Create() const override { return std::make_unique<Logger>(tag); }
        int32_t tag;
    };
    std::vector<int32_t> calls;
    log = &calls;

    NodeList outer;
    outer.nodes.push_back(std::make_unique<Logger>(1));
    NMacro* macro = AddMacro(outer);
    macro->subGraph->nodes.push_back(std::make_unique<Logger>(2));
    NMacro* inner = AddMacro(*macro->subGraph);
    inner->subGraph->nodes.push_back(std::make_unique<Logger>(3));
    macro->subGraph->nodes.push_back(std::make_unique<Logger>(4));
    outer.nodes.push_back(std::make_unique<Logger>(5));

    outer.BeginRender();
    EXPECT_EQ(calls, (std::vector<int32_t>{1, 2, 3, 4, 5}));
    calls.clear();
    outer.EndRender();
    EXPECT_EQ(calls, (std::vector<int32_t>{-1, -2, -3, -4, -5}));
    log = nullptr;
}

TEST_F(MacroNodes, EditEntersTheSubGraphThroughTheHook)
{
    const auto node = NMacro::New();
    auto& macro = static_cast<NMacro&>(*node);
    node->Edit(node->params[0]);  // no hook: nothing happens

    std::vector<NodeList*> entered;
    TheEditHooks().enterNodeList = [&](NodeList* list) { entered.push_back(list); };
    node->Edit(node->params[0]);
    NMacroRoot().Edit(node->params[0]);  // other types do not use the hook
    TheEditHooks().enterNodeList = nullptr;
    EXPECT_EQ(entered, std::vector<NodeList*>{macro.subGraph.get()});
}

TEST_F(MacroNodes, DeepNestingStopsAtTheBoundWithoutFailingTheFile)
{
    // Forty real macros inside one another: the outer levels load, the macro
    // at the deepest allowed level keeps an empty sub-graph, and the rest of
    // the file is untouched.
    const Bytes deep = NestedStream(40, 0.1, 0.2, 0.3);
    const Bytes file = StreamBuilder()
                           .Int(3)
                           .Record("Operator", "invert", {{2, 0, {}, ""}})
                           .Record("Macro", "macro", {{}}, deep)
                           .Record("Operator", "invert", {{}})
                           .Done();
    NodeList list;
    ASSERT_TRUE(LoadBytes(list, file, *globals.nodeFactory));
    ASSERT_EQ(list.nodes.size(), 3u);
    EXPECT_EQ(list.nodes[0]->params[0].source, list.nodes[1].get());
    const NodeList& top = *static_cast<const NMacro&>(*list.nodes[1]).subGraph;
    EXPECT_EQ(InnermostDepth(top), -(NodeList::kMaxNestingDepth));
    ExpectRgb(Sample(*list.nodes[0]), 1.0, 1.0, 1.0);

    // At the bound itself everything loads and evaluates.
    NodeList fits;
    ASSERT_TRUE(LoadBytes(fits, NestedStream(NodeList::kMaxNestingDepth, 0.1, 0.2, 0.3),
                          *globals.nodeFactory));
    EXPECT_EQ(InnermostDepth(fits), NodeList::kMaxNestingDepth);
    ExpectRgb(Sample(*fits.nodes[0]), 0.1, 0.2, 0.3);

    // Far deeper hostile nesting is cut at the same place, and a clone of
    // the deepest legal macro is whole.
    NodeList hostile;
    ASSERT_TRUE(LoadBytes(hostile, NestedStream(1000, 0.1, 0.2, 0.3), *globals.nodeFactory));
    EXPECT_EQ(InnermostDepth(hostile), -(NodeList::kMaxNestingDepth + 1));
    const auto clone = fits.nodes[0]->Clone();
    NodeList cloned;
    cloned.nodes.push_back(clone->Clone());
    EXPECT_EQ(InnermostDepth(cloned), NodeList::kMaxNestingDepth);
}

TEST_F(MacroNodes, ChainsAddUpAcrossLevelsAndAreBounded)
{
    // Four levels, each list's chain well within the bound on its own. The
    // second level's macro would evaluate through its own chain, the third
    // level's and the macro roots: 1 + n + 1 + (1 + n + 1 + 1).
    const Bytes innermost = StreamBuilder()
                                .Int(1)
                                .Record("Macro", "macro root", {{0, 0, {0.25, 0.5, 0.75}, ""}})
                                .Done();
    for (const int32_t n : {400, 600}) {
        const Bytes file = ChainLevel(n, ChainLevel(n, ChainLevel(n, innermost)));
        NodeList list;
        ASSERT_TRUE(LoadBytes(list, file, *globals.nodeFactory)) << n;
        ASSERT_EQ(list.nodes.size(), static_cast<size_t>(n + 2));
        const auto& second = static_cast<const NMacro&>(*list.nodes.back());
        const bool fits = 2 * n + 5 <= static_cast<int32_t>(NodeList::kMaxChainLength);
        EXPECT_EQ(fits, n == 400);
        EXPECT_EQ(second.subGraph->nodes.size(), fits ? static_cast<size_t>(n + 2) : 0u) << n;
        // An even number of inverts on every path gives the innermost colour back.
        if (fits) {
            ExpectRgb(Sample(*list.nodes[0]), 0.25, 0.5, 0.75);
        } else {
            ExpectRgb(Sample(*list.nodes[0]), 0.0, 0.0, 0.0);
        }
    }
}

TEST_F(MacroNodes, DamagedSubGraphsLeaveEmptyMacros)
{
    const Bytes truncated = [] {
        Bytes b = NestedStream(3, 0.5, 0.5, 0.5);
        b.resize(b.size() - 6);
        return b;
    }();
    const std::vector<Bytes> blocks = {
        truncated,
        StreamBuilder().Int(INT_MAX).Done(),
        StreamBuilder().Int(-1).Done(),
        StreamBuilder().Int(1).Record("Macro", "macro", {{}}, StreamBuilder().Int(7).Done()).Done(),
        Bytes{1, 0},
    };
    for (size_t i = 0; i < blocks.size(); ++i) {
        const Bytes file = StreamBuilder()
                               .Int(2)
                               .Record("Macro", "macro", {{}}, blocks[i])
                               .Record("Operator", "invert", {{1, 0, {}, ""}})
                               .Done();
        NodeList list;
        ASSERT_TRUE(LoadBytes(list, file, *globals.nodeFactory)) << i;
        ASSERT_EQ(list.nodes.size(), 2u) << i;
        const auto& macro = static_cast<const NMacro&>(*list.nodes[0]);
        if (i == 3) {
            // Only the inner level was damaged.
            ASSERT_EQ(macro.subGraph->nodes.size(), 1u);
            EXPECT_TRUE(
                static_cast<const NMacro&>(*macro.subGraph->nodes[0]).subGraph->nodes.empty());
        } else {
            EXPECT_TRUE(macro.subGraph->nodes.empty()) << i;
        }
        EXPECT_EQ(list.nodes[1]->params[0].source, list.nodes[0].get()) << i;
        ExpectRgb(Sample(*list.nodes[1]), 1.0, 1.0, 1.0);
    }

    // A link id outside a nested list is the stream's one error: it leaves
    // the whole file, which keeps nothing, as for a bad link at the top.
    const Bytes badLink =
        StreamBuilder().Int(1).Record("Operator", "invert", {{2, 0, {}, ""}}).Done();
    const Bytes file =
        StreamBuilder()
            .Int(2)
            .Record("Operator", "invert", {{}})
            .Record("Macro", "macro", {{}},
                    StreamBuilder().Int(1).Record("Macro", "macro", {{}}, badLink).Done())
            .Done();
    NodeList thrown;
    EXPECT_THROW(LoadBytes(thrown, file, *globals.nodeFactory), std::out_of_range);
    EXPECT_TRUE(thrown.nodes.empty());
}

TEST_F(MacroNodes, WithoutARegistrySubGraphsStayEmpty)
{
    const Bytes file = NestedStream(3, 0.5, 0.5, 0.5);
    std::unique_ptr<NodeFactory> registry = std::move(globals.nodeFactory);
    NodeList list;
    const bool loaded = LoadBytes(list, file, *registry);
    const auto clone = NMacro::New();
    clone->CopyFrom(*list.nodes.at(0));
    globals.nodeFactory = std::move(registry);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(static_cast<const NMacro&>(*clone).subGraph->nodes.empty());
    ASSERT_EQ(list.nodes.size(), 2u);
    EXPECT_EQ(InnermostDepth(list), -2);
    ExpectRgb(Sample(*list.nodes[0]), 0.0, 0.0, 0.0);
}
