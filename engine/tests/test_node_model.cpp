#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "model/node.h"
#include "model/node_stream.h"

namespace {

const ParamDesc kInputs[] = {
    {"color", DATA_COLOR, EDIT_COLOR, 1},
    {"amount", DATA_FLOAT, EDIT_FLOAT, 1},
    {"mode", DATA_STRING, EDIT_CHOICE, 0},
};
const OutputDesc kOutputs[] = {{"result", DATA_FLOAT}, {"second", DATA_COLOR}};

// A node that counts its evaluations and outputs fixed values.
class CountingNode : public Node {
public:
    void Evaluate(const EvalContext&) override
    {
        ++runs;
        outputs[0].value.components[0] = 0.3;
        outputs[1].value.components[0] = 0.1;
        outputs[1].value.components[1] = 0.2;
        outputs[1].value.components[2] = 0.6;
    }
    std::unique_ptr<Node> Create() const override
    {
        auto n = std::make_unique<CountingNode>();
        n->Setup("counter", "Test", 3, kInputs, 2, kOutputs, 0);
        n->SetChoiceDefault(2, "a\nb\nc", 1);
        return n;
    }
    void ReadMode(int32_t& cached) { ReadChoice(2, cached); }
    int runs = 0;
};

std::unique_ptr<CountingNode> MakeCounter()
{
    auto base = CountingNode().Create();
    return std::unique_ptr<CountingNode>(static_cast<CountingNode*>(base.release()));
}

}  // namespace

TEST(NodeData, ConvertUsesOnlyComponentZeroOfAFloat)
{
    NodeData f{DATA_FLOAT, {0.25, 7.0, 9.0}, "keep"};
    for (int32_t to : {DATA_COLOR, DATA_VECTOR}) {
        const NodeData c = NodeData::Convert(DATA_FLOAT, to, f);
        EXPECT_EQ(c.type, to);
        EXPECT_EQ(c.components[1], 0.25);
        EXPECT_EQ(c.components[2], 0.25);
        EXPECT_EQ(c.text, "keep");
    }
    const NodeData colour{DATA_COLOR, {0.2, 0.4, 0.9}, ""};
    const NodeData mean = NodeData::Convert(DATA_COLOR, DATA_FLOAT, colour);
    EXPECT_EQ(mean.type, DATA_FLOAT);
    EXPECT_DOUBLE_EQ(mean.components[0], 0.5);
    EXPECT_EQ(mean.components[0], mean.components[2]);
    const NodeData s{DATA_STRING, {1, 2, 3}, "x"};
    EXPECT_EQ(NodeData::Convert(DATA_STRING, DATA_COLOR, s).type, DATA_STRING);
    EXPECT_EQ(NodeData::Convert(DATA_COLOR, DATA_CUSTOM, colour).type, DATA_COLOR);
    const NodeData vec{DATA_VECTOR, {1, -2, 4}, ""};
    const NodeData asColour = NodeData::Convert(DATA_VECTOR, DATA_COLOR, vec);
    EXPECT_EQ(asColour.type, DATA_COLOR);
    EXPECT_EQ(asColour.components[1], -2.0);
}

TEST(NodeModel, LinkedInputsConvertAndSharedSourcesRunOncePerSample)
{
    auto source = MakeCounter();
    auto consumer = MakeCounter();
    consumer->params[0].source = source.get();  // colour <- float output
    consumer->params[0].sourceOutput = 0;
    consumer->params[1].source = source.get();  // float <- colour output
    consumer->params[1].sourceOutput = 1;
    EvalContext ctx{};
    consumer->ClearEvaluated();
    const NodeData c = consumer->EvaluateParam(consumer->params[0], &ctx);
    const NodeData f = consumer->EvaluateParam(consumer->params[1], &ctx);
    EXPECT_EQ(c.type, DATA_COLOR);
    EXPECT_EQ(c.components[2], 0.3);
    EXPECT_EQ(f.type, DATA_FLOAT);
    EXPECT_DOUBLE_EQ(f.components[0], 0.3);
    EXPECT_EQ(source->runs, 1);

    // A null context gives the own value and runs nothing upstream.
    consumer->ClearEvaluated();
    consumer->params[1].value.components[0] = 0.75;
    EXPECT_EQ(consumer->EvaluateParam(consumer->params[1], nullptr).components[0], 0.75);
    EXPECT_EQ(source->runs, 1);

    // A link to an output the source does not have reads as unlinked.
    consumer->params[1].sourceOutput = 7;
    EXPECT_EQ(consumer->EvaluateParam(consumer->params[1], &ctx).components[0], 0.75);

    consumer->DisconnectFrom(source.get());
    EXPECT_EQ(consumer->params[0].source, nullptr);
    EXPECT_EQ(consumer->params[1].sourceOutput, 0);
}

TEST(NodeModel, CloneCopiesValuesButNotLinksOrPlacement)
{
    auto source = MakeCounter();
    auto node = MakeCounter();
    node->params[1].value.components[0] = 0.5;
    node->params[1].source = source.get();
    node->x = 40;
    node->width = 200;
    const auto copy = node->Clone();
    EXPECT_EQ(copy->params[1].source, nullptr);
    EXPECT_EQ(copy->params[1].value.components[0], 0.5);
    EXPECT_EQ(copy->params[2].value.text, "a\nb\nc");
    EXPECT_EQ(copy->x, 0);
    EXPECT_EQ(copy->width, 96);
    EXPECT_EQ(copy->height, 64);
}

TEST(NodeModel, ChoicesTruncateAndIgnoreIndexesOutsideTheList)
{
    auto node = MakeCounter();
    int32_t cached = -1;
    node->params[2].value.components[0] = 2.9;
    node->ReadMode(cached);
    EXPECT_EQ(cached, 2);
    node->params[2].value.components[0] = 3.0;
    node->ReadMode(cached);
    EXPECT_EQ(cached, 2);
    node->params[2].value.components[0] = -0.5;  // truncates to 0
    node->ReadMode(cached);
    EXPECT_EQ(cached, 0);
}

TEST(NodeStream, EncodingsAndBufferGrowth)
{
    NBufferStream s(4);
    s.WriteString("abc");
    ASSERT_EQ(s.position, 8);
    const uint8_t expect[] = {4, 0, 0, 0, 'a', 'b', 'c', 0};
    EXPECT_EQ(0, std::memcmp(s.data.get(), expect, 8));
    EXPECT_EQ(s.capacity, 16);  // reaching the capacity exactly grows it too

    NBufferStream four(4);
    four.WriteInt(7);
    EXPECT_EQ(four.capacity, 8);

    NBufferStream d(1024);
    d.WriteDouble(1.0);
    const uint8_t one[] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    EXPECT_EQ(0, std::memcmp(d.data.get(), one, 8));

    NBufferStream big(4);
    const char ten[10] = {};
    big.Write(ten, 10);
    EXPECT_EQ(big.capacity, 10);

    s.position = 0;
    EXPECT_EQ(s.ReadString(), "abc");
    EXPECT_FALSE(s.Failed());

    NBufferStream tail(8);
    tail.data[6] = 0x34;
    tail.data[7] = 0x12;
    tail.position = 6;
    EXPECT_EQ(tail.ReadInt(), 0x1234);
    EXPECT_EQ(tail.position, 10);
    EXPECT_TRUE(tail.Failed());

    NBufferStream embedded(16);
    embedded.WriteString(std::string("ab\0cd", 5));
    EXPECT_EQ(embedded.position, 7);

    NBufferStream hostile(16);
    hostile.WriteInt(0x7fffffff);  // a length far beyond the data
    hostile.position = 0;
    EXPECT_EQ(hostile.ReadString(), "");
    EXPECT_TRUE(hostile.Failed());
}

TEST(NodeStream, ABlockReadsInPlaceAsACopyOfItsBytesDoes)
{
    // The same reads and writes on a block over an outer stream and on a
    // buffer stream holding a copy of the block's bytes see the same bytes.
    const auto observe = [](NodeStream& s) {
        std::vector<int64_t> seen;
        const auto note = [&](int64_t v) {
            seen.push_back(v);
            seen.push_back(static_cast<int64_t>(s.Remaining()));
            seen.push_back(s.Failed() ? 1 : 0);
        };
        note(s.ReadInt());
        const char skipped[3] = {9, 9, 9};
        s.Write(skipped, 3);  // moves on over three bytes that nothing reads again
        note(s.ReadDouble());
        uint8_t tail[8];
        note(s.Read(tail, sizeof tail));
        for (uint8_t b : tail) {
            seen.push_back(b);
        }
        note(s.ReadInt());  // wholly past the end
        return seen;
    };
    NBufferStream copy(14);
    NBufferStream outer(64);
    outer.WriteInt(-1);  // before the block
    for (int i = 0; i < 14; ++i) {
        copy.data[i] = static_cast<uint8_t>(i + 1);
        outer.Write(&copy.data[i], 1);
    }
    outer.WriteInt(0x5151);  // after it
    outer.position = 4;

    NBlockStream block(outer, 14);
    EXPECT_EQ(observe(block), observe(copy));
    EXPECT_EQ(outer.position, 18);  // never read past the block
    block.Finish();
    EXPECT_EQ(outer.ReadInt(), 0x5151);

    // A block inside a block, finished before anything was read from it.
    outer.position = 0;
    NBlockStream wide(outer, 18);
    EXPECT_EQ(wide.ReadInt(), -1);
    NBlockStream narrow(wide, 6);
    EXPECT_EQ(narrow.Remaining(), 6u);
    narrow.Finish();
    uint8_t next = 0;
    wide.Read(&next, 1);
    EXPECT_EQ(next, 7);
    EXPECT_EQ(wide.Remaining(), 7u);
}
