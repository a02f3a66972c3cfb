#pragma once
// Small graph-building helpers shared by the node type tests.

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <memory>
#include <string>
#include <typeinfo>

#include "model/node.h"

namespace nodetest {

// A source node with one output of a chosen type and fixed components.
class ConstantNode : public Node {
public:
    static std::unique_ptr<ConstantNode> Make(int32_t type, double a, double b, double c)
    {
        auto node = std::make_unique<ConstantNode>();
        node->desc_[0] = OutputDesc{"out", type};
        node->Setup("constant", "Test", 0, nullptr, 1, node->desc_, 0);
        node->outputs[0].value.components[0] = a;
        node->outputs[0].value.components[1] = b;
        node->outputs[0].value.components[2] = c;
        return node;
    }
    void Evaluate(const EvalContext&) override { ++runs; }
    std::unique_ptr<Node> Create() const override
    {
        const double* v = outputs[0].value.components;
        return Make(outputs[0].value.type, v[0], v[1], v[2]);
    }
    int runs = 0;

private:
    OutputDesc desc_[1] = {};
};

inline void Link(Node& consumer, int32_t input, Node& source, int32_t output = 0)
{
    consumer.params[input].source = &source;
    consumer.params[input].sourceOutput = output;
}

inline void SetValue(Node& node, int32_t input, double a, double b = 0.0, double c = 0.0)
{
    double* v = node.params[input].value.components;
    v[0] = a;
    v[1] = b;
    v[2] = c;
}

inline void SetColor(Node& node, int32_t input, double r, double g, double b)
{
    SetValue(node, input, r, g, b);
}

// Runs one sample on node as a renderer does and returns output 0.
inline std::array<double, 3> Sample(Node& node, const EvalContext& context)
{
    node.ClearEvaluated();
    node.Evaluate(context);
    const double* v = node.outputs[0].value.components;
    return {v[0], v[1], v[2]};
}

inline std::array<double, 3> Sample(Node& node)
{
    const EvalContext context{};
    return Sample(node, context);
}

// Both nodes are of the same dynamic type.
inline bool SameType(const Node& a, const Node& b)
{
    return typeid(a) == typeid(b);
}

inline void ExpectRgb(const std::array<double, 3>& v, double r, double g, double b)
{
    EXPECT_DOUBLE_EQ(v[0], r);
    EXPECT_DOUBLE_EQ(v[1], g);
    EXPECT_DOUBLE_EQ(v[2], b);
}

// One input as a stored file relies on it.
struct ExpectedPort {
    std::string name;
    int32_t dataType;
    int32_t editKind;
    bool connectable;
    std::array<double, 3> value;
    std::string text;
};

inline void ExpectPorts(const Node& node, const char* name, const char* category,
                        std::initializer_list<ExpectedPort> inputs, const char* outputName,
                        int32_t outputType)
{
    EXPECT_EQ(node.name, name);
    EXPECT_EQ(node.category, category);
    EXPECT_FALSE(node.isRoot);
    ASSERT_EQ(node.paramCount, static_cast<int32_t>(inputs.size())) << name;
    int32_t i = 0;
    for (const ExpectedPort& want : inputs) {
        const NodeParam& p = node.params[i++];
        SCOPED_TRACE(std::string(name) + "." + want.name);
        EXPECT_EQ(p.name, want.name);
        EXPECT_EQ(p.value.type, want.dataType);
        EXPECT_EQ(p.editKind, want.editKind);
        EXPECT_EQ(p.connectable, want.connectable);
        EXPECT_EQ(p.source, nullptr);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(p.value.components[c], want.value[c]) << "component " << c;
        }
        EXPECT_EQ(p.value.text, want.text);
    }
    ASSERT_EQ(node.outputCount, 1) << name;
    EXPECT_EQ(node.outputs[0].name, outputName);
    EXPECT_EQ(node.outputs[0].value.type, outputType);
}

inline ExpectedPort Colour(const char* name, double r, double g, double b)
{
    return ExpectedPort{name, DATA_COLOR, EDIT_COLOR, true, {r, g, b}, ""};
}

inline ExpectedPort Float(const char* name, double v)
{
    return ExpectedPort{name, DATA_FLOAT, EDIT_FLOAT, true, {v, 0.0, 0.0}, ""};
}

inline ExpectedPort Vector(const char* name, double x, double y, double z)
{
    return ExpectedPort{name, DATA_VECTOR, EDIT_VECTOR, true, {x, y, z}, ""};
}

inline ExpectedPort Choice(const char* name, const char* options, double chosen)
{
    return ExpectedPort{name, DATA_STRING, EDIT_CHOICE, false, {chosen, 0.0, 0.0}, options};
}

}  // namespace nodetest
