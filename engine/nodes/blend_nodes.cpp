#include "nodes/blend_nodes.h"

#include <cmath>

namespace {

const char kCategory[] = "Compose";

const ParamDesc kComposeInputs[] = {
    {"fg", DATA_COLOR, EDIT_COLOR, 1},
    {"bg", DATA_COLOR, EDIT_COLOR, 1},
    {"alpha1", DATA_FLOAT, EDIT_FLOAT, 1},
    {"alpha2", DATA_FLOAT, EDIT_FLOAT, 1},
};
const ParamDesc kBlendInputs[] = {
    {"fg", DATA_COLOR, EDIT_COLOR, 1},
    {"bg", DATA_COLOR, EDIT_COLOR, 1},
    {"alpha", DATA_FLOAT, EDIT_FLOAT, 1},
};
const OutputDesc kResult[] = {{"result", DATA_COLOR}};

// 32/255: the background level below which "softlight" uses its polynomial.
constexpr double kSoftLightKnee = 0.12549019607843137;

double ClampAlpha(double a)
{
    if (a >= 1.0) {
        return 1.0;
    }
    if (a <= 0.0) {
        return 0.0;
    }
    return a;
}

// A blend node: "fg" and "bg" black, "alpha" 1.
template <typename T>
std::unique_ptr<Node> MakeBlend(const char* name)
{
    auto node = std::make_unique<T>();
    node->Setup(name, kCategory, 3, kBlendInputs, 1, kResult, 0);
    node->params[2].value.components[0] = 1.0;
    return node;
}

// Evaluates "fg", "bg" and "alpha", then lays blend(f, b) over b by the
// clamped alpha, channel by channel.
template <typename Blend>
void EvaluateBlend(Node& node, const EvalContext& context, Blend blend)
{
    const NodeValue fg = node.EvaluateValue(node.params[0], context);
    const NodeValue bg = node.EvaluateValue(node.params[1], context);
    const double a = ClampAlpha(node.EvaluateValue(node.params[2], context).components[0]);
    double* result = node.outputs[0].value.components;
    for (int c = 0; c < 3; ++c) {
        const double f = fg.components[c];
        const double b = bg.components[c];
        result[c] = (1.0 - a) * b + a * blend(f, b);
    }
}

double Multiply(double f, double b)
{
    return f * b;
}

double Screen(double f, double b)
{
    return 1.0 - (1.0 - f) * (1.0 - b);
}

double Overlay(double f, double b)
{
    return b < 0.5 ? 2.0 * b * f : 1.0 - 2.0 * (1.0 - b) * (1.0 - f);
}

double HardLight(double f, double b)
{
    return f < 0.5 ? 2.0 * b * f : 1.0 - 2.0 * (1.0 - b) * (1.0 - f);
}

double SoftLight(double f, double b)
{
    if (f < 0.5) {
        return b + (b - b * b) * (2.0 * f - 1.0);
    }
    if (b > kSoftLightKnee) {
        return b + (std::sqrt(b) - b) * (2.0 * f - 1.0);
    }
    return b + (b - b * b) * (2.0 * f - 1.0) * (3.0 - 8.0 * b);
}

double ColorDodge(double f, double b)
{
    const double divisor = 256.0 - 255.0 * f;
    if (divisor == 0.0) {
        // Foreground 256/255: the quotient grows without bound for a positive
        // background (limited to 1) and stays 0 for a zero one.
        return b > 0.0 ? 1.0 : 0.0;
    }
    const double q = 256.0 * b / divisor;
    return q > 1.0 ? 1.0 : q;
}

double ColorBurn(double f, double b)
{
    if (f + b < 1.0) {
        return 0.0;
    }
    if (f == 0.0) {
        return 1.0;
    }
    return 1.0 - (1.0 - b) / f;
}

double Lighten(double f, double b)
{
    return f > b ? f : b;
}

double Darken(double f, double b)
{
    return f < b ? f : b;
}

double Difference(double f, double b)
{
    return std::fabs(b - f);
}

double Exclusion(double f, double b)
{
    return std::fabs(2.0 * (0.5 - b) * (0.5 - f) - 0.5);
}

}  // namespace

std::unique_ptr<Node> NCompose::New()
{
    auto node = std::make_unique<NCompose>();
    node->Setup("compose", kCategory, 4, kComposeInputs, 1, kResult, 0);
    node->SetColorDefault(0, 0.0, 0.0, 0.0);
    node->SetColorDefault(1, 0.0, 0.0, 0.0);
    node->SetFloatDefault(2, 1.0);
    node->SetFloatDefault(3, 1.0);
    return node;
}

void NCompose::Evaluate(const EvalContext& context)
{
    const NodeValue fg = Input(0, context);
    const NodeValue bg = Input(1, context);
    const double a1 = ClampAlpha(Input(2, context).components[0]);
    const double a2 = ClampAlpha(Input(3, context).components[0]);
    double* result = outputs[0].value.components;
    for (int c = 0; c < 3; ++c) {
        const double f = fg.components[c];
        const double b = bg.components[c];
        const double m = a1 * f + (1.0 - a1) * b;
        result[c] = (1.0 - a2) * b + a2 * m;
    }
}

std::unique_ptr<Node> NCompMul::New()
{
    return MakeBlend<NCompMul>("multiply");
}
void NCompMul::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, Multiply);
}

std::unique_ptr<Node> NScreen::New()
{
    return MakeBlend<NScreen>("screen");
}
void NScreen::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, Screen);
}

std::unique_ptr<Node> NOverlay::New()
{
    return MakeBlend<NOverlay>("overlay");
}
void NOverlay::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, Overlay);
}

std::unique_ptr<Node> NSoftLight::New()
{
    return MakeBlend<NSoftLight>("softlight");
}
void NSoftLight::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, SoftLight);
}

std::unique_ptr<Node> NHardLight::New()
{
    return MakeBlend<NHardLight>("hardlight");
}
void NHardLight::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, HardLight);
}

std::unique_ptr<Node> NCDodge::New()
{
    return MakeBlend<NCDodge>("color dodge");
}
void NCDodge::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, ColorDodge);
}

std::unique_ptr<Node> NCBurn::New()
{
    return MakeBlend<NCBurn>("color burn");
}
void NCBurn::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, ColorBurn);
}

std::unique_ptr<Node> NLighten::New()
{
    return MakeBlend<NLighten>("lighten");
}
void NLighten::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, Lighten);
}

std::unique_ptr<Node> NDarken::New()
{
    return MakeBlend<NDarken>("darken");
}
void NDarken::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, Darken);
}

std::unique_ptr<Node> NDifference::New()
{
    return MakeBlend<NDifference>("difference");
}
void NDifference::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, Difference);
}

std::unique_ptr<Node> NExclusion::New()
{
    return MakeBlend<NExclusion>("exclusion");
}
void NExclusion::Evaluate(const EvalContext& context)
{
    EvaluateBlend(*this, context, Exclusion);
}
