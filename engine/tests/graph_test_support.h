#pragma once
// Small node types and stream helpers shared by the graph tests. The types
// named "invert", "macro" and "macro root" have exactly the ports of the real
// ones, so the streams they produce are the streams the real types produce.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/node.h"
#include "model/node_list.h"
#include "model/node_stream.h"
#include "node_test_helpers.h"
#include "nodes/root_node.h"
#include "registry/node_factory.h"

namespace graph_test {

inline const OutputDesc kColorResult[] = {{"result", DATA_COLOR}};

// One colour input "value" (1, 1, 1); result = 1 - value.
class FakeInvert : public Node {
public:
    static std::unique_ptr<Node> New()
    {
        static const ParamDesc inputs[] = {{"value", DATA_COLOR, EDIT_COLOR, 1}};
        auto n = std::make_unique<FakeInvert>();
        n->Setup("invert", "Operator", 1, inputs, 1, kColorResult, 0);
        n->SetColorDefault(0, 1.0, 1.0, 1.0);
        return n;
    }
    void Evaluate(const EvalContext& c) override
    {
        const NodeValue v = Input(0, c);
        for (int i = 0; i < 3; ++i) {
            outputs[0].value.components[i] = 1.0 - v.components[i];
        }
    }
    std::unique_ptr<Node> Create() const override { return New(); }
};

// Two connectable inputs, a choice and two outputs, plus private data (an
// int and a text) so that data blocks travel through the stream.
class PairNode : public Node {
public:
    static std::unique_ptr<Node> New()
    {
        static const ParamDesc inputs[] = {
            {"a", DATA_COLOR, EDIT_COLOR, 1},
            {"b", DATA_FLOAT, EDIT_FLOAT, 1},
            {"mode", DATA_STRING, EDIT_CHOICE, 0},
        };
        static const OutputDesc outs[] = {{"sum", DATA_COLOR}, {"level", DATA_FLOAT}};
        auto n = std::make_unique<PairNode>();
        n->Setup("pair", "Test", 3, inputs, 2, outs, 0);
        n->SetColorDefault(0, 0.5, 0.5, 0.5);
        n->SetFloatDefault(1, 0.25);
        n->SetChoiceDefault(2, "one\ntwo", 1);
        return n;
    }
    bool Load(NodeStream& s) override
    {
        tag = s.ReadInt();
        note = s.ReadString();
        return true;
    }
    void Save(NodeStream& s) override
    {
        s.WriteInt(tag);
        s.WriteString(note);
    }
    void Evaluate(const EvalContext& c) override
    {
        const NodeValue a = Input(0, c);
        const NodeValue b = Input(1, c);
        for (int i = 0; i < 3; ++i) {
            outputs[0].value.components[i] = a.components[i] + b.components[0];
        }
        outputs[1].value.components[0] = b.components[0];
    }
    std::unique_ptr<Node> Create() const override { return New(); }

    int32_t tag = 7;
    std::string note = "fresh";
};

// The registry nested loads use; set by the test that builds one.
inline const NodeFactory* nestedFactory = nullptr;

// A macro: its private data block is a whole nested graph stream.
class FakeMacro : public Node {
public:
    static std::unique_ptr<Node> New()
    {
        static const ParamDesc inputs[] = {{"macro", DATA_CUSTOM, EDIT_CUSTOM, 0}};
        auto n = std::make_unique<FakeMacro>();
        n->Setup("macro", "Macro", 1, inputs, 1, kColorResult, 0);
        return n;
    }
    bool Load(NodeStream& s) override
    {
        subGraph.Load(s, *nestedFactory);
        return true;
    }
    void Save(NodeStream& s) override { subGraph.Save(s); }
    void Evaluate(const EvalContext& c) override
    {
        Node* root = subGraph.FindRoot();
        for (double& v : outputs[0].value.components) {
            v = 0.0;
        }
        if (root != nullptr) {
            root->ClearEvaluated();
            root->Evaluate(c);
            std::memcpy(outputs[0].value.components, root->outputs[0].value.components,
                        sizeof outputs[0].value.components);
        }
    }
    std::unique_ptr<Node> Create() const override { return New(); }

    NodeList subGraph;
};

class FakeMacroRoot : public Node {
public:
    static std::unique_ptr<Node> New()
    {
        static const ParamDesc inputs[] = {{"input", DATA_COLOR, EDIT_COLOR, 1}};
        auto n = std::make_unique<FakeMacroRoot>();
        n->Setup("macro root", "Macro", 1, inputs, 1, kColorResult, 1);
        return n;
    }
    void Evaluate(const EvalContext& c) override
    {
        const NodeValue v = Input(0, c);
        std::memcpy(outputs[0].value.components, v.components, sizeof v.components);
    }
    std::unique_ptr<Node> Create() const override { return New(); }
};

// A registry of the real root and the small types above.
inline std::unique_ptr<NodeFactory> MakeFactory()
{
    auto f = std::make_unique<NodeFactory>(NodeFactory::kEmpty);
    f->Add(NRoot::New(), 2);
    f->Add(FakeMacro::New(), 3);
    f->Add(FakeMacroRoot::New(), 3);
    f->Add(FakeInvert::New(), 7);
    f->Add(PairNode::New(), 1);
    return f;
}

template <typename T>
T* Append(NodeList& list, std::unique_ptr<Node> node)
{
    T* raw = static_cast<T*>(node.get());
    list.nodes.push_back(std::move(node));
    return raw;
}

using nodetest::Link;

using Bytes = std::vector<uint8_t>;

inline Bytes Written(const NBufferStream& s)
{
    return Bytes(s.data.get(), s.data.get() + s.position);
}

inline Bytes SaveBytes(NodeList& list)
{
    NBufferStream s(1024);
    list.Save(s);
    return Written(s);
}

inline bool LoadBytes(NodeList& list, const Bytes& bytes, const NodeFactory& factory)
{
    NBufferStream s(static_cast<int32_t>(bytes.size()));
    if (!bytes.empty()) {
        std::memcpy(s.data.get(), bytes.data(), bytes.size());
    }
    return list.Load(s, factory);
}

// Hand-written streams, for records the writer never produces.
struct InputRecord {
    int32_t id = 0;
    int32_t sourceOutput = 0;
    double c[3] = {0.0, 0.0, 0.0};
    std::string text;
};

class StreamBuilder {
public:
    StreamBuilder& Int(int32_t v)
    {
        s_.WriteInt(v);
        return *this;
    }
    StreamBuilder& Double(double v)
    {
        s_.WriteDouble(v);
        return *this;
    }
    StreamBuilder& Str(const std::string& v)
    {
        s_.WriteString(v);
        return *this;
    }
    StreamBuilder& Raw(const Bytes& b)
    {
        if (!b.empty()) {
            s_.Write(b.data(), static_cast<uint32_t>(b.size()));
        }
        return *this;
    }
    // A record: category, name, box, inputs, data block.
    StreamBuilder& Record(const std::string& category, const std::string& name,
                          const std::vector<InputRecord>& inputs, const Bytes& data = {},
                          int32_t x = 0, int32_t y = 0, int32_t w = 96, int32_t h = 64,
                          int32_t expanded = 1)
    {
        Str(category).Str(name).Int(x).Int(y).Int(w).Int(h).Int(expanded);
        Int(static_cast<int32_t>(inputs.size()));
        for (const InputRecord& in : inputs) {
            Int(in.id).Int(in.sourceOutput).Double(in.c[0]).Double(in.c[1]).Double(in.c[2]);
            Str(in.text);
        }
        return Int(static_cast<int32_t>(data.size())).Raw(data);
    }
    Bytes Done() const { return Written(s_); }

private:
    NBufferStream s_{64};
};

}  // namespace graph_test
