#include "nodes/operator_nodes.h"

#include <cmath>

namespace {

const char kCategory[] = "Operator";

const ParamDesc kMixInputs[] = {
    {"value1", DATA_COLOR, EDIT_COLOR, 1},
    {"value2", DATA_COLOR, EDIT_COLOR, 1},
    {"mixrate", DATA_COLOR, EDIT_COLOR, 1},
};
const ParamDesc kTwoValueInputs[] = {
    {"value1", DATA_COLOR, EDIT_COLOR, 1},
    {"value2", DATA_COLOR, EDIT_COLOR, 1},
};
const ParamDesc kInvertInputs[] = {
    {"value", DATA_COLOR, EDIT_COLOR, 1},
};
const ParamDesc kPowInputs[] = {
    {"value", DATA_COLOR, EDIT_COLOR, 1},
    {"coefficient", DATA_FLOAT, EDIT_FLOAT, 1},
};
const ParamDesc kRangeInputs[] = {
    {"top", DATA_FLOAT, EDIT_FLOAT, 1},
    {"bottom", DATA_FLOAT, EDIT_FLOAT, 1},
    {"input", DATA_COLOR, EDIT_COLOR, 1},
};
const OutputDesc kResult[] = {{"result", DATA_COLOR}};

template <typename T>
std::unique_ptr<T> Make(const char* name, int32_t inputCount, const ParamDesc* inputs)
{
    auto node = std::make_unique<T>();
    node->Setup(name, kCategory, inputCount, inputs, 1, kResult, 0);
    return node;
}

// "clamp" and "smoothstep": "top" 1, "bottom" 0 and the input black.
template <typename T>
std::unique_ptr<T> MakeRange(const char* name)
{
    auto node = Make<T>(name, 3, kRangeInputs);
    node->params[0].value.components[0] = 1.0;  // the rest start at 0 from Setup
    return node;
}

// Both of "value1" and "value2" evaluated, then op applied per channel.
template <typename Op>
void EvaluateTwoValues(Node& node, const EvalContext& context, Op op)
{
    const NodeValue value1 = node.EvaluateValue(node.params[0], context);
    const NodeValue value2 = node.EvaluateValue(node.params[1], context);
    double* result = node.outputs[0].value.components;
    for (int c = 0; c < 3; ++c) {
        result[c] = op(value1.components[c], value2.components[c]);
    }
}

// "top", "bottom" and "input" evaluated, then op(x, top, bottom) applied per
// channel of the input.
template <typename Op>
void EvaluateRange(Node& node, const EvalContext& context, Op op)
{
    const double top = node.EvaluateValue(node.params[0], context).components[0];
    const double bottom = node.EvaluateValue(node.params[1], context).components[0];
    const NodeValue input = node.EvaluateValue(node.params[2], context);
    double* result = node.outputs[0].value.components;
    for (int c = 0; c < 3; ++c) {
        result[c] = op(input.components[c], top, bottom);
    }
}

}  // namespace

std::unique_ptr<Node> NMix::New()
{
    auto node = Make<NMix>("mix", 3, kMixInputs);
    node->SetColorDefault(0, 1.0, 1.0, 1.0);
    node->SetColorDefault(1, 0.0, 0.0, 0.0);
    node->SetColorDefault(2, 1.0, 1.0, 1.0);
    return node;
}

void NMix::Evaluate(const EvalContext& context)
{
    const NodeValue value1 = Input(0, context);
    const NodeValue value2 = Input(1, context);
    const NodeValue mixrate = Input(2, context);
    double* result = outputs[0].value.components;
    for (int c = 0; c < 3; ++c) {
        double m = mixrate.components[c];
        if (m >= 1.0) {
            m = 1.0;
        } else if (m <= 0.0) {
            m = 0.0;
        }
        result[c] = (1.0 - m) * value2.components[c] + m * value1.components[c];
    }
}

std::unique_ptr<Node> NAdd::New()
{
    auto node = Make<NAdd>("add", 2, kTwoValueInputs);
    node->SetColorDefault(0, 1.0, 1.0, 1.0);
    node->SetColorDefault(1, 0.0, 0.0, 0.0);
    return node;
}

void NAdd::Evaluate(const EvalContext& context)
{
    EvaluateTwoValues(*this, context, [](double a, double b) { return a + b; });
}

std::unique_ptr<Node> NSub::New()
{
    auto node = Make<NSub>("subtract", 2, kTwoValueInputs);
    node->SetColorDefault(0, 1.0, 1.0, 1.0);
    node->SetColorDefault(1, 0.0, 0.0, 0.0);
    return node;
}

void NSub::Evaluate(const EvalContext& context)
{
    EvaluateTwoValues(*this, context, [](double a, double b) { return a - b; });
}

std::unique_ptr<Node> NMul::New()
{
    auto node = Make<NMul>("multiply", 2, kTwoValueInputs);
    node->SetColorDefault(0, 1.0, 1.0, 1.0);
    node->SetColorDefault(1, 0.0, 0.0, 0.0);
    return node;
}

void NMul::Evaluate(const EvalContext& context)
{
    EvaluateTwoValues(*this, context, [](double a, double b) { return a * b; });
}

std::unique_ptr<Node> NInvert::New()
{
    auto node = Make<NInvert>("invert", 1, kInvertInputs);
    node->SetColorDefault(0, 1.0, 1.0, 1.0);
    return node;
}

void NInvert::Evaluate(const EvalContext& context)
{
    const NodeValue value = Input(0, context);
    double* result = outputs[0].value.components;
    for (int c = 0; c < 3; ++c) {
        result[c] = 1.0 - value.components[c];
    }
}

std::unique_ptr<Node> NPow::New()
{
    auto node = Make<NPow>("pow", 2, kPowInputs);
    node->SetColorDefault(0, 1.0, 1.0, 1.0);
    node->SetFloatDefault(1, 2.0);
    return node;
}

void NPow::Evaluate(const EvalContext& context)
{
    const NodeValue value = Input(0, context);
    const double coefficient = Input(1, context).components[0];
    double* result = outputs[0].value.components;
    for (int c = 0; c < 3; ++c) {
        result[c] = std::pow(value.components[c], coefficient);
    }
}

std::unique_ptr<Node> NClamp::New()
{
    return MakeRange<NClamp>("clamp");
}

void NClamp::Evaluate(const EvalContext& context)
{
    EvaluateRange(*this, context, [](double x, double top, double bottom) {
        // Lower bound first, upper bound last: bottom above top gives top.
        const double t = bottom > x ? bottom : x;
        return t > top ? top : t;
    });
}

std::unique_ptr<Node> NSmoothStep::New()
{
    return MakeRange<NSmoothStep>("smoothstep");
}

void NSmoothStep::Evaluate(const EvalContext& context)
{
    EvaluateRange(*this, context, [](double x, double top, double bottom) {
        if (x > top) {
            return 1.0;
        }
        if (x < bottom) {
            return 0.0;
        }
        if (top == bottom && x == top) {
            // The input sits on a zero-width step: it equals top, which gives 1.
            return 1.0;
        }
        const double t = (x - bottom) / (top - bottom);
        return 3.0 * (t * t) - 2.0 * (t * t * t);
    });
}
