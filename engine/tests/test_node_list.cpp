#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "graph_test_support.h"
#include "model/node_list.h"

using namespace graph_test;

namespace {

class NodeListTest : public ::testing::Test {
protected:
    void SetUp() override { nestedFactory = factory.get(); }
    void TearDown() override { nestedFactory = nullptr; }

    std::unique_ptr<NodeFactory> factory = MakeFactory();
};

bool LoadThroughFile(NodeList& list, const Bytes& bytes, const NodeFactory& factory)
{
    FILE* f = std::tmpfile();
    if (f == nullptr) {
        ADD_FAILURE() << "no temporary file";
        return false;
    }
    if (!bytes.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
    }
    std::rewind(f);
    NFileStream stream(f);
    return list.Load(stream, factory);
}

}  // namespace

TEST_F(NodeListTest, EmptyListIsFourZeroBytes)
{
    NodeList list;
    EXPECT_EQ(SaveBytes(list), Bytes({0, 0, 0, 0}));
    NodeList back;
    EXPECT_TRUE(LoadBytes(back, {0, 0, 0, 0}, *factory));
    EXPECT_TRUE(back.nodes.empty());
}

TEST_F(NodeListTest, FreshInvertNodeSavesAsItsNinetyThreeBytes)
{
    NodeList list;
    list.nodes.push_back(factory->Find("invert", "Operator")->Create());
    Bytes expect = {1, 0, 0, 0, 9, 0, 0, 0};
    for (char ch : std::string("Operator")) {
        expect.push_back(static_cast<uint8_t>(ch));
    }
    expect.insert(expect.end(), {0, 7, 0, 0, 0});
    for (char ch : std::string("invert")) {
        expect.push_back(static_cast<uint8_t>(ch));
    }
    expect.push_back(0);
    const Bytes box = {0, 0, 0, 0, 0, 0, 0, 0, 96, 0, 0, 0, 64, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};
    expect.insert(expect.end(), box.begin(), box.end());
    expect.insert(expect.end(), 8, 0);  // id 0, sourceOutput 0
    for (int i = 0; i < 3; ++i) {
        expect.insert(expect.end(), {0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
    }
    expect.insert(expect.end(), {1, 0, 0, 0, 0, 0, 0, 0, 0});  // text "", dataLength 0
    ASSERT_EQ(expect.size(), 93u);
    EXPECT_EQ(SaveBytes(list), expect);
}

TEST_F(NodeListTest, SaveThenLoadGivesTheSameGraph)
{
    NodeList list;
    auto* root = Append<NRoot>(list, NRoot::New());
    auto* pair = Append<PairNode>(list, PairNode::New());
    auto* invert = Append<FakeInvert>(list, FakeInvert::New());
    Link(*root, NRoot::kColor, *pair, 0);
    Link(*root, NRoot::kRoughness, *pair, 1);
    Link(*pair, 0, *invert, 0);
    pair->params[0].value.components[1] = -3.5;  // own value kept while linked
    pair->params[2].value.text = "x\ny\nz";
    pair->params[2].value.components[0] = 2;
    pair->tag = -12;
    pair->note = "kept";
    pair->x = -40;
    pair->y = 7;
    pair->width = 150;
    pair->height = 222;
    invert->expanded = false;
    invert->params[0].value.components[2] = 0.125;

    const Bytes saved = SaveBytes(list);
    for (bool viaFile : {false, true}) {
        NodeList back;
        ASSERT_TRUE(viaFile ? LoadThroughFile(back, saved, *factory)
                            : LoadBytes(back, saved, *factory));
        ASSERT_EQ(back.nodes.size(), 3u);
        auto* p = dynamic_cast<PairNode*>(back.nodes[1].get());
        ASSERT_NE(p, nullptr);
        EXPECT_NE(dynamic_cast<NRoot*>(back.nodes[0].get()), nullptr);
        EXPECT_NE(dynamic_cast<FakeInvert*>(back.nodes[2].get()), nullptr);
        EXPECT_EQ(back.nodes[0]->params[NRoot::kColor].source, p);
        EXPECT_EQ(back.nodes[0]->params[NRoot::kRoughness].sourceOutput, 1);
        EXPECT_EQ(p->params[0].source, back.nodes[2].get());
        EXPECT_EQ(p->params[0].value.components[1], -3.5);
        EXPECT_EQ(p->params[0].value.type, DATA_COLOR);
        EXPECT_EQ(p->params[2].value.type, DATA_STRING);
        EXPECT_EQ(p->params[2].value.text, "x\ny\nz");
        EXPECT_EQ(p->params[2].value.components[0], 2.0);
        EXPECT_EQ(p->tag, -12);
        EXPECT_EQ(p->note, "kept");
        EXPECT_EQ(p->x, -40);
        EXPECT_EQ(p->y, 7);
        EXPECT_EQ(p->width, 150);
        EXPECT_EQ(p->height, 222);
        EXPECT_TRUE(p->expanded);
        EXPECT_FALSE(back.nodes[2]->expanded);
        EXPECT_EQ(back.nodes[2]->params[0].value.components[2], 0.125);
        EXPECT_EQ(back.nodes[2]->id, 3);
        EXPECT_EQ(SaveBytes(back), saved);
    }
}

TEST_F(NodeListTest, UnknownTypesAreDroppedAndTheirLinksFallBack)
{
    InputRecord linked{2, 0, {0.1, 0.2, 0.3}, ""};
    const Bytes file = StreamBuilder()
                           .Int(3)
                           .Record("Operator", "invert", {{}})
                           .Record("Operator", "frobnicate", {{}, {}}, {1, 2, 3, 4, 5})
                           .Record("Operator", "invert", {linked})
                           .Done();
    NodeList list;
    ASSERT_TRUE(LoadBytes(list, file, *factory));
    ASSERT_EQ(list.nodes.size(), 2u);
    const NodeParam& in = list.nodes[1]->params[0];
    EXPECT_EQ(in.source, nullptr);
    EXPECT_EQ(in.sourceOutput, 0);
    EXPECT_EQ(in.value.components[0], 0.1);
    EXPECT_EQ(in.value.components[2], 0.3);

    // Two unknown records first: both go, and links count file positions.
    InputRecord toThird{3, 0, {}, ""};
    const Bytes twoUnknown = StreamBuilder()
                                 .Int(4)
                                 .Record("Nope", "a", {})
                                 .Record("Operator", "Invert", {{}})  // names are case-sensitive
                                 .Record("Operator", "invert", {{}})
                                 .Record("Operator", "invert", {toThird})
                                 .Done();
    NodeList second;
    ASSERT_TRUE(LoadBytes(second, twoUnknown, *factory));
    ASSERT_EQ(second.nodes.size(), 2u);
    EXPECT_EQ(second.nodes[1]->params[0].source, second.nodes[0].get());
    EXPECT_EQ(second.nodes[0]->id, 3);
    second.Renumber();
    EXPECT_EQ(second.nodes[0]->id, 1);
    EXPECT_EQ(second.nodes[1]->id, 2);
}

TEST_F(NodeListTest, InputCountMismatchKeepsDefaultsButTakesTheBox)
{
    NBufferStream data(16);
    data.WriteInt(99);
    data.WriteString("stored");
    InputRecord a{0, 0, {9, 9, 9}, ""};
    const Bytes file = StreamBuilder()
                           .Int(2)
                           .Record("Test", "pair", {a, a}, Written(data), 11, 12, 130, 140, 0)
                           .Record("Operator", "invert", {{0, 0, {0.5, 0.5, 0.5}, ""}})
                           .Done();
    NodeList list;
    ASSERT_TRUE(LoadBytes(list, file, *factory));
    ASSERT_EQ(list.nodes.size(), 2u);
    auto* p = dynamic_cast<PairNode*>(list.nodes[0].get());
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->params[0].value.components[0], 0.5);
    EXPECT_EQ(p->params[2].value.text, "one\ntwo");
    EXPECT_EQ(p->tag, 7);
    EXPECT_EQ(p->note, "fresh");
    EXPECT_EQ(p->x, 11);
    EXPECT_EQ(p->y, 12);
    EXPECT_EQ(p->width, 130);
    EXPECT_EQ(p->height, 140);
    EXPECT_FALSE(p->expanded);
    EXPECT_EQ(list.nodes[1]->params[0].value.components[1], 0.5);  // next record intact
}

TEST_F(NodeListTest, LinkIdsOutsideTheListThrowAfterClearing)
{
    const auto fileLinkingTo = [](int32_t id) {
        return StreamBuilder()
            .Int(2)
            .Record("Operator", "invert", {{}})
            .Record("Operator", "invert", {{id, 0, {0.3, 0.3, 0.3}, ""}})
            .Done();
    };
    NodeList list;
    ASSERT_TRUE(LoadBytes(list, fileLinkingTo(0), *factory));
    EXPECT_EQ(list.nodes[1]->params[0].source, nullptr);
    list.Clear();
    ASSERT_TRUE(LoadBytes(list, fileLinkingTo(2), *factory));  // a link to itself
    EXPECT_EQ(list.nodes[1]->params[0].source, nullptr);
    list.Clear();
    for (int32_t id : {3, -1, INT_MIN, INT_MAX}) {
        NodeList bad;
        EXPECT_THROW(LoadBytes(bad, fileLinkingTo(id), *factory), std::out_of_range) << id;
        EXPECT_TRUE(bad.nodes.empty()) << id;
    }
}

TEST_F(NodeListTest, LinksToOutputsTheSourceLacksLoadUnlinked)
{
    // The pair type has two outputs: index 1 is fine, 2 and -1 are not.
    for (int32_t output : {2, -1, 1}) {
        const Bytes file =
            StreamBuilder()
                .Int(2)
                .Record("Test", "pair", {{}, {}, {0, 0, {}, "p"}}, {0, 0, 0, 0, 1, 0, 0, 0, 0})
                .Record("Operator", "invert", {{1, output, {0.25, 0, 0}, ""}})
                .Done();
        NodeList list;
        ASSERT_TRUE(LoadBytes(list, file, *factory));
        const NodeParam& in = list.nodes[1]->params[0];
        if (output == 1) {
            EXPECT_EQ(in.source, list.nodes[0].get());
            EXPECT_EQ(in.sourceOutput, 1);
        } else {
            EXPECT_EQ(in.source, nullptr) << output;
            EXPECT_EQ(in.sourceOutput, 0) << output;
            EXPECT_EQ(in.value.components[0], 0.25);
        }
    }
}

TEST_F(NodeListTest, CyclesAreBrokenAtTheLinkThatClosesThemAndSharingIsKept)
{
    // root <- pair.sum; pair.a <- invert; invert.value <- root.color (closes
    // a cycle); pair.b <- invert as well (shared, not a cycle).
    const Bytes file = StreamBuilder()
                           .Int(3)
                           .Record("Root", "root", std::vector<InputRecord>(16))
                           .Record("Test", "pair", {{3, 0, {}, ""}, {3, 0, {}, ""}, {}},
                                   {0, 0, 0, 0, 1, 0, 0, 0, 0})
                           .Record("Operator", "invert", {{1, 0, {0.2, 0.2, 0.2}, ""}})
                           .Done();
    // Point root.color at the pair.
    Bytes patched = file;
    const size_t rootColorId = 4 + 9 + 9 + 6 * 4;
    patched[rootColorId] = 2;
    NodeList list;
    ASSERT_TRUE(LoadBytes(list, patched, *factory));
    ASSERT_EQ(list.nodes.size(), 3u);
    Node& root = *list.nodes[0];
    Node& pair = *list.nodes[1];
    Node& invert = *list.nodes[2];
    EXPECT_EQ(root.params[NRoot::kColor].source, &pair);
    EXPECT_EQ(pair.params[0].source, &invert);
    EXPECT_EQ(pair.params[1].source, &invert);
    EXPECT_EQ(invert.params[0].source, nullptr);

    // Evaluation terminates and sees the own value of the cut input.
    EvalContext ctx{};
    root.ClearEvaluated();
    const NodeData colour = root.EvaluateParam(root.params[NRoot::kColor], &ctx);
    EXPECT_DOUBLE_EQ(colour.components[0], 0.8 + (0.8 + 0.8 + 0.8) / 3.0);

    // A longer ring: each of four inverts takes the next one's output.
    StreamBuilder ring;
    ring.Int(4);
    for (int32_t k = 0; k < 4; ++k) {
        ring.Record("Operator", "invert", {{(k + 1) % 4 + 1, 0, {}, ""}});
    }
    NodeList ringList;
    ASSERT_TRUE(LoadBytes(ringList, ring.Done(), *factory));
    EXPECT_EQ(ringList.nodes[0]->params[0].source, ringList.nodes[1].get());
    EXPECT_EQ(ringList.nodes[2]->params[0].source, ringList.nodes[3].get());
    EXPECT_EQ(ringList.nodes[3]->params[0].source, nullptr);
}

TEST_F(NodeListTest, DamagedStreamsFailAndLeaveTheListEmpty)
{
    NodeList good;
    auto* root = Append<NRoot>(good, NRoot::New());
    auto* pair = Append<PairNode>(good, PairNode::New());
    Link(*root, NRoot::kColor, *pair, 0);
    Append<FakeMacro>(good, FakeMacro::New())->subGraph.nodes.push_back(FakeInvert::New());
    const Bytes valid = SaveBytes(good);

    // Every proper prefix of a valid stream is damaged, through both streams.
    for (size_t cut = 0; cut < valid.size(); ++cut) {
        const Bytes prefix(valid.begin(), valid.begin() + static_cast<long>(cut));
        NodeList a;
        EXPECT_FALSE(LoadBytes(a, prefix, *factory)) << cut;
        EXPECT_TRUE(a.nodes.empty()) << cut;
        NodeList b;
        EXPECT_FALSE(LoadThroughFile(b, prefix, *factory)) << cut;
        EXPECT_TRUE(b.nodes.empty()) << cut;
    }
    NodeList whole;
    EXPECT_TRUE(LoadThroughFile(whole, valid, *factory));

    const std::vector<Bytes> damaged = {
        StreamBuilder().Int(INT_MAX).Done(),
        StreamBuilder().Int(-1).Done(),
        StreamBuilder().Int(1).Int(INT_MAX).Done(),             // category length
        StreamBuilder().Int(1).Str("Operator").Int(-5).Done(),  // name length
        StreamBuilder()
            .Int(1)
            .Str("Operator")
            .Str("invert")
            .Int(0)
            .Int(0)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(INT_MAX)
            .Done(),  // inputCount
        StreamBuilder()
            .Int(1)
            .Str("Nope")
            .Str("x")
            .Int(0)
            .Int(0)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(-3)
            .Int(0)
            .Done(),  // negative inputCount
        StreamBuilder()
            .Int(1)
            .Record("Operator", "invert", {{0, 0, {}, ""}})
            .Done(),  // complete...
        StreamBuilder()
            .Int(1)
            .Str("Operator")
            .Str("invert")
            .Int(0)
            .Int(0)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(0)
            .Int(0)
            .Double(1)
            .Double(1)
            .Double(1)
            .Int(0x40000000)
            .Done(),  // text length
        StreamBuilder()
            .Int(1)
            .Str("Operator")
            .Str("invert")
            .Int(0)
            .Int(0)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(0)
            .Int(0)
            .Double(1)
            .Double(1)
            .Double(1)
            .Str("")
            .Int(INT_MAX)
            .Done(),  // dataLength
        StreamBuilder()
            .Int(1)
            .Str("Operator")
            .Str("invert")
            .Int(0)
            .Int(0)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(0)
            .Int(0)
            .Double(1)
            .Double(1)
            .Double(1)
            .Str("")
            .Int(-1)
            .Done(),  // negative dataLength
        StreamBuilder()
            .Int(1)
            .Str("Operator")
            .Str("invert")
            .Int(0)
            .Int(0)
            .Int(1)
            .Int(1)
            .Int(1)
            .Int(0)
            .Int(-8)
            .Done(),  // skipped block, negative
        StreamBuilder().Int(2).Record("Operator", "invert", {{}}).Done(),  // a record missing
    };
    for (size_t i = 0; i < damaged.size(); ++i) {
        NodeList list;
        const bool loaded = LoadBytes(list, damaged[i], *factory);
        if (i == 6) {
            EXPECT_TRUE(loaded);  // the control: a whole record loads
            EXPECT_EQ(list.nodes.size(), 1u);
            continue;
        }
        EXPECT_FALSE(loaded) << i;
        EXPECT_TRUE(list.nodes.empty()) << i;
    }
}

TEST_F(NodeListTest, NestedLoadsAreBoundedAndTheBoundRecovers)
{
    // depth 1 is the outermost list; each level is a macro holding the next.
    const auto nested = [](int32_t depth, Bytes inner) {
        for (int32_t level = depth; level >= 1; --level) {
            StreamBuilder b;
            if (level == depth) {
                b.Int(1).Record("Macro", "macro root", {{0, 0, {0.1, 0.2, 0.3}, ""}});
            } else {
                b.Int(1).Record("Macro", "macro", {{}}, inner);
            }
            inner = b.Done();
        }
        return inner;
    };
    const auto innermost = [](NodeList& list) {
        NodeList* at = &list;
        int32_t depth = 1;
        while (!at->nodes.empty()) {
            auto* macro = dynamic_cast<FakeMacro*>(at->nodes[0].get());
            if (macro == nullptr) {
                return depth;  // a macro root
            }
            at = &macro->subGraph;
            ++depth;
        }
        return -depth;  // an empty sub-graph at this depth
    };

    NodeList deepest;
    ASSERT_TRUE(LoadBytes(deepest, nested(NodeList::kMaxNestingDepth, {}), *factory));
    EXPECT_EQ(innermost(deepest), NodeList::kMaxNestingDepth);

    NodeList tooDeep;
    ASSERT_TRUE(LoadBytes(tooDeep, nested(NodeList::kMaxNestingDepth + 1, {}), *factory));
    EXPECT_EQ(innermost(tooDeep), -(NodeList::kMaxNestingDepth + 1));

    NodeList hostile;
    ASSERT_TRUE(LoadBytes(hostile, nested(1000, {}), *factory));
    EXPECT_EQ(innermost(hostile), -(NodeList::kMaxNestingDepth + 1));

    // A bad link deep inside propagates out and clears every level; the
    // nesting count is unwound, so the full depth is available again.
    Bytes badInner = StreamBuilder().Int(1).Record("Operator", "invert", {{5, 0, {}, ""}}).Done();
    StreamBuilder outer;
    outer.Int(2).Record("Operator", "invert", {{}});
    outer.Record("Macro", "macro", {{}},
                 StreamBuilder().Int(1).Record("Macro", "macro", {{}}, badInner).Done());
    NodeList thrown;
    EXPECT_THROW(LoadBytes(thrown, outer.Done(), *factory), std::out_of_range);
    EXPECT_TRUE(thrown.nodes.empty());
    NodeList again;
    ASSERT_TRUE(LoadBytes(again, nested(NodeList::kMaxNestingDepth, {}), *factory));
    EXPECT_EQ(innermost(again), NodeList::kMaxNestingDepth);

    // A loaded macro evaluates its sub-graph.
    NodeList shallow;
    ASSERT_TRUE(LoadBytes(shallow, nested(2, {}), *factory));
    EvalContext ctx{};
    shallow.nodes[0]->Evaluate(ctx);
    EXPECT_EQ(shallow.nodes[0]->outputs[0].value.components[1], 0.2);
}

TEST_F(NodeListTest, RemoveUnlinksEveryInputEvenForAForeignNode)
{
    NodeList list;
    auto* root = Append<NRoot>(list, NRoot::New());
    auto* pair = Append<PairNode>(list, PairNode::New());
    auto* tail = Append<FakeInvert>(list, FakeInvert::New());
    auto foreign = FakeInvert::New();
    Link(*root, NRoot::kColor, *pair, 0);
    Link(*root, NRoot::kUser1, *foreign, 0);
    Link(*pair, 0, *foreign, 0);
    Link(*pair, 1, *tail, 0);

    list.Remove(foreign.get());
    EXPECT_EQ(list.nodes.size(), 3u);
    EXPECT_EQ(root->params[NRoot::kUser1].source, nullptr);
    EXPECT_EQ(pair->params[0].source, nullptr);
    EXPECT_EQ(root->params[NRoot::kColor].source, pair);

    list.Remove(pair);
    ASSERT_EQ(list.nodes.size(), 2u);
    EXPECT_EQ(list.nodes[1].get(), tail);
    EXPECT_EQ(root->params[NRoot::kColor].source, nullptr);
    EXPECT_EQ(root->params[NRoot::kColor].sourceOutput, 0);
}

TEST_F(NodeListTest, FindRootAndRenderBracketsFollowListOrder)
{
    NodeList list;
    EXPECT_EQ(list.FindRoot(), nullptr);
    Append<FakeInvert>(list, FakeInvert::New());
    EXPECT_EQ(list.FindRoot(), nullptr);
    auto* macroRoot = Append<FakeMacroRoot>(list, FakeMacroRoot::New());
    Append<NRoot>(list, NRoot::New());
    EXPECT_EQ(list.FindRoot(), macroRoot);

    static std::vector<int32_t>* log = nullptr;
    struct Logger : FakeInvert {
        void BeginRender() override { log->push_back(id); }
        void EndRender() override { log->push_back(-id); }
    };
    std::vector<int32_t> calls;
    log = &calls;
    NodeList logged;
    for (int i = 0; i < 3; ++i) {
        logged.nodes.push_back(std::make_unique<Logger>());
    }
    logged.Renumber();
    logged.BeginRender();
    logged.EndRender();
    EXPECT_EQ(calls, (std::vector<int32_t>{1, 2, 3, -1, -2, -3}));
    log = nullptr;
}

namespace {

// Saves list and loads the bytes back into a fresh list.
bool Reload(NodeList& list, NodeList& into, const NodeFactory& factory)
{
    NBufferStream out(1024);
    list.Save(out);
    NBufferStream in(out.position);
    std::memcpy(in.data.get(), out.data.get(), static_cast<size_t>(out.position));
    return into.Load(in, factory);
}

}  // namespace

TEST_F(NodeListTest, ChainsLongerThanTheBoundAreRefused)
{
    for (const size_t length : {NodeList::kMaxChainLength, NodeList::kMaxChainLength + 1}) {
        NodeList list;
        for (size_t i = 0; i < length; ++i) {
            list.nodes.push_back(FakeInvert::New());
            if (i > 0) {
                list.nodes[i]->params[0].source = list.nodes[i - 1].get();
            }
        }
        NodeList loaded;
        const bool ok = Reload(list, loaded, *factory);
        EXPECT_EQ(ok, length <= NodeList::kMaxChainLength) << length;
        EXPECT_EQ(loaded.nodes.size(), ok ? length : 0u);
    }
}

TEST_F(NodeListTest, SharedSourcesAreClearedOncePerSample)
{
    // A ladder of pairs whose two inputs both read the rung below: clearing
    // once per path would take 2^60 visits.
    NodeList list;
    list.nodes.push_back(PairNode::New());
    for (int rung = 1; rung < 60; ++rung) {
        list.nodes.push_back(PairNode::New());
        Node& node = *list.nodes.back();
        node.params[0].source = list.nodes[list.nodes.size() - 2].get();
        node.params[0].sourceOutput = 0;
        node.params[1].source = list.nodes[list.nodes.size() - 2].get();
        node.params[1].sourceOutput = 1;
    }
    Node& top = *list.nodes.back();
    EvalContext ctx{};
    top.ClearEvaluated();
    top.Evaluate(ctx);
    for (const auto& node : list.nodes) {
        if (node.get() != &top) {
            EXPECT_TRUE(node->evaluated);
        }
    }
    top.ClearEvaluated();
    for (const auto& node : list.nodes) {
        EXPECT_FALSE(node->evaluated);
    }
}
