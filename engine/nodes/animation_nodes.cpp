#include "nodes/animation_nodes.h"

namespace {

const char kCategory[] = "Animate";

const ParamDesc kTimeInputs[] = {
    {"fps", DATA_FLOAT, EDIT_FLOAT, 1},
    {"scale", DATA_FLOAT, EDIT_FLOAT, 1},
};
const OutputDesc kTimeOutputs[] = {{"result", DATA_FLOAT}};

const ParamDesc kVelocityInputs[] = {
    {"time", DATA_FLOAT, EDIT_FLOAT, 1},
    {"velocity", DATA_VECTOR, EDIT_VECTOR, 1},
    {"offset", DATA_VECTOR, EDIT_VECTOR, 1},
};
const OutputDesc kVelocityOutputs[] = {{"result", DATA_VECTOR}};

}  // namespace

std::unique_ptr<Node> NTime::New()
{
    auto node = std::make_unique<NTime>();
    node->Setup("time", kCategory, 2, kTimeInputs, 1, kTimeOutputs, 0);
    node->SetFloatDefault(0, 30.0);
    node->SetFloatDefault(1, 1.0);
    return node;
}

void NTime::Evaluate(const EvalContext& context)
{
    const double fps = Input(0, context).components[0];
    const double scale = Input(1, context).components[0];
    // Zero, negative or not-a-number rates count as one frame per second.
    const double f = fps > 0.0 ? fps : 1.0;
    outputs[0].value.components[0] = (context.frame / f) * scale;
}

std::unique_ptr<Node> NVelocity::New()
{
    auto node = std::make_unique<NVelocity>();
    node->Setup("velocity", kCategory, 3, kVelocityInputs, 1, kVelocityOutputs, 0);
    node->SetFloatDefault(0, 0.0);
    node->SetVectorDefault(1, 1.0, 1.0, 1.0);
    node->SetVectorDefault(2, 0.0, 0.0, 0.0);
    return node;
}

void NVelocity::Evaluate(const EvalContext& context)
{
    const double t = Input(0, context).components[0];
    const NodeValue velocity = Input(1, context);
    const NodeValue offset = Input(2, context);
    double* result = outputs[0].value.components;
    for (int c = 0; c < 3; ++c) {
        result[c] = offset.components[c] + velocity.components[c] * t;
    }
}
