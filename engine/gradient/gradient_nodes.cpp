#include "gradient/gradient_nodes.h"

#include <typeinfo>

#include "model/edit_hooks.h"
#include "model/node_stream.h"

namespace {

const ParamDesc kInputs[] = {
    {"gradient", DATA_CUSTOM, EDIT_CUSTOM, 0},
    {"input", DATA_FLOAT, EDIT_FLOAT, 1},
};
const OutputDesc kColorOutputs[] = {{"color", DATA_COLOR}, {"alpha", DATA_FLOAT}};
const OutputDesc kValueOutputs[] = {{"value", DATA_FLOAT}, {"alpha", DATA_FLOAT}};

constexpr int32_t kCopyCapacity = 1024;

}  // namespace

GradientNode::~GradientNode() = default;

void GradientNode::Edit(NodeParam&)
{
    const EditHooks& hooks = TheEditHooks();
    if (hooks.editGradient) {
        hooks.editGradient(*gradient, valueMode_);
    }
}

bool GradientNode::Load(NodeStream& stream)
{
    gradient->Load(stream);
    return true;
}

void GradientNode::Save(NodeStream& stream)
{
    gradient->Save(stream);
}

void GradientNode::CopyFrom(const Node& other)
{
    if (typeid(other) != typeid(*this)) {
        return;
    }
    const auto& source = static_cast<const GradientNode&>(other);
    NBufferStream buffer(kCopyCapacity);
    source.gradient->Save(buffer);
    buffer.position = 0;
    gradient->Load(buffer);
}

void GradientNode::SetUpNew(const char* name, const OutputDesc outputs[2])
{
    Setup(name, "Gradient", 2, kInputs, 2, outputs, 0);
    SetFloatDefault(1, 0.0);
    auto high = std::make_unique<GValue>();
    high->position = 1.0;
    gradient->AddKey(std::move(high));
    gradient->AddKey(std::make_unique<GValue>());
}

void GradientNode::Lookup(const EvalContext& context, double rgb[3], double& alpha)
{
    const double x = Input(1, context).components[0];
    rgb[0] = 0.0;
    rgb[1] = 0.0;
    rgb[2] = 0.0;
    alpha = 0.0;
    gradient->GetColor(x, rgb, &alpha);
}

std::unique_ptr<Node> NGradientC::New()
{
    auto node = std::make_unique<NGradientC>();
    node->SetUpNew("color gradient", kColorOutputs);
    return node;
}

void NGradientC::Evaluate(const EvalContext& context)
{
    double rgb[3];
    double alpha;
    Lookup(context, rgb, alpha);
    double* color = outputs[0].value.components;
    color[0] = rgb[0];
    color[1] = rgb[1];
    color[2] = rgb[2];
    outputs[1].value.components[0] = alpha;
}

std::unique_ptr<Node> NGradientV::New()
{
    auto node = std::make_unique<NGradientV>();
    node->SetUpNew("value gradient", kValueOutputs);
    return node;
}

void NGradientV::Evaluate(const EvalContext& context)
{
    double rgb[3];
    double alpha;
    Lookup(context, rgb, alpha);
    outputs[0].value.components[0] = rgb[0];
    outputs[1].value.components[0] = alpha;
}
