#include "nodes/noise_nodes.h"

#include <cmath>

#include "granulix.h"

namespace {

const char kCategory[] = "Noise";
const char kCoordinateChoices[] = "object\nworld";

// The common inputs, then each type's own; the order is the stored order.
const ParamDesc kNoiseInputs[] = {
    {"coordinate", DATA_STRING, EDIT_CHOICE, 0},
    {"center", DATA_VECTOR, EDIT_VECTOR, 1},
    {"scale", DATA_VECTOR, EDIT_VECTOR, 1},
    {"rotate", DATA_VECTOR, EDIT_VECTOR, 1},
};
const ParamDesc kFractalInputs[] = {
    {"coordinate", DATA_STRING, EDIT_CHOICE, 0}, {"center", DATA_VECTOR, EDIT_VECTOR, 1},
    {"scale", DATA_VECTOR, EDIT_VECTOR, 1},      {"rotate", DATA_VECTOR, EDIT_VECTOR, 1},
    {"octaves", DATA_FLOAT, EDIT_FLOAT, 1},      {"lacunarity", DATA_FLOAT, EDIT_FLOAT, 1},
    {"gain", DATA_FLOAT, EDIT_FLOAT, 1},
};
const ParamDesc kVoronoiInputs[] = {
    {"coordinate", DATA_STRING, EDIT_CHOICE, 0}, {"center", DATA_VECTOR, EDIT_VECTOR, 1},
    {"scale", DATA_VECTOR, EDIT_VECTOR, 1},      {"rotate", DATA_VECTOR, EDIT_VECTOR, 1},
    {"jitter", DATA_FLOAT, EDIT_FLOAT, 1},
};
const ParamDesc kCrumpleInputs[] = {
    {"coordinate", DATA_STRING, EDIT_CHOICE, 0}, {"center", DATA_VECTOR, EDIT_VECTOR, 1},
    {"scale", DATA_VECTOR, EDIT_VECTOR, 1},      {"rotate", DATA_VECTOR, EDIT_VECTOR, 1},
    {"octaves", DATA_FLOAT, EDIT_FLOAT, 1},      {"lacunarity", DATA_FLOAT, EDIT_FLOAT, 1},
    {"gain", DATA_FLOAT, EDIT_FLOAT, 1},         {"jitter", DATA_FLOAT, EDIT_FLOAT, 1},
};

const OutputDesc kResult[] = {{"result", DATA_FLOAT}};
// Both positions carry the name "p1": stored files and the palette know them so.
const OutputDesc kVoronoiOutputs[] = {
    {"f1", DATA_FLOAT},
    {"f2", DATA_FLOAT},
    {"p1", DATA_VECTOR},
    {"p1", DATA_VECTOR},
};

template <typename T, int32_t InputCount, int32_t OutputCount>
std::unique_ptr<T> Make(const char* name, const ParamDesc (&inputs)[InputCount],
                        const OutputDesc (&outputs)[OutputCount])
{
    auto node = std::make_unique<T>();
    node->Setup(name, kCategory, InputCount, inputs, OutputCount, outputs, 0);
    node->params[NoiseNode::kCoordinate].value.text = kCoordinateChoices;
    node->params[NoiseNode::kCoordinate].value.components[0] = 0.0;
    double* scale = node->params[NoiseNode::kScale].value.components;
    scale[0] = scale[1] = scale[2] = 1.0;
    return node;
}

// A fractal type with the defaults of "octaves", "lacunarity" and "gain".
template <typename T, int32_t InputCount>
std::unique_ptr<T> MakeFractal(const char* name, const ParamDesc (&inputs)[InputCount])
{
    auto node = Make<T>(name, inputs, kResult);
    node->params[T::kOctaves].value.components[0] = 4.0;
    node->params[T::kLacunarity].value.components[0] = 2.0;
    node->params[T::kGain].value.components[0] = 0.5;
    return node;
}

// A fractal type's "octaves" (as OctaveCount), "lacunarity" and "gain",
// evaluated in that order.
struct FractalInputs {
    template <typename T>
    FractalInputs(T& node, const EvalContext& context)
        : octaves(OctaveCount(node.EvaluateValue(node.params[T::kOctaves], context).components[0])),
          lacunarity(node.EvaluateValue(node.params[T::kLacunarity], context).components[0]),
          gain(node.EvaluateValue(node.params[T::kGain], context).components[0])
    {
    }
    int32_t octaves;
    double lacunarity;
    double gain;
};

void WriteResult(Node& node, double r)
{
    double* out = node.outputs[0].value.components;
    out[0] = out[1] = out[2] = ClampResult(r);
}

// The point as the three-double array granulix reads.
struct Point {
    explicit Point(const Vector3& v) : p{v.x, v.y, v.z} {}
    double p[3];
};

}  // namespace

int32_t OctaveCount(double octaves)
{
    const double whole = std::ceil(octaves);
    if (!(whole > 0.0)) {
        return 0;
    }
    if (whole >= kMaxOctaves) {
        return kMaxOctaves;
    }
    return static_cast<int32_t>(whole);
}

double ClampResult(double r)
{
    const double m = 1.0 >= r ? r : 1.0;
    return m >= 0.0 ? m : 0.0;
}

void NoiseNode::BeginRender()
{
    ReadChoice(kCoordinate, 2, coordinate);
}

Vector3 NoiseNode::TexturePoint(const EvalContext& context)
{
    const Vector3 center = Vector3::From(Input(kCenter, context).components);
    const Vector3 scale = Vector3::From(Input(kScale, context).components);
    const Vector3 rotate = Vector3::From(Input(kRotate, context).components);
    const Vector3 p = Vector3::From(coordinate != 0 ? context.worldPos : context.objectPos);
    return ToTextureSpace(p, center, scale, rotation_.Turns(rotate));
}

std::unique_ptr<Node> NNoise::New()
{
    return Make<NNoise>("noise", kNoiseInputs, kResult);
}

void NNoise::Evaluate(const EvalContext& context)
{
    const Point q(TexturePoint(context));
    WriteResult(*this, pnoise3(q.p) * 0.5 + 0.5);
}

std::unique_ptr<Node> NTurbulence::New()
{
    return MakeFractal<NTurbulence>("turbulence", kFractalInputs);
}

void NTurbulence::Evaluate(const EvalContext& context)
{
    const Point q(TexturePoint(context));
    const FractalInputs f(*this, context);
    WriteResult(*this, turbulence(q.p, f.octaves, f.lacunarity, f.gain));
}

std::unique_ptr<Node> NfBm::New()
{
    return MakeFractal<NfBm>("fBm", kFractalInputs);
}

void NfBm::Evaluate(const EvalContext& context)
{
    const Point q(TexturePoint(context));
    const FractalInputs f(*this, context);
    WriteResult(*this, fBm(q.p, f.octaves, f.lacunarity, f.gain));
}

std::unique_ptr<Node> NVoronoi::New()
{
    auto node = Make<NVoronoi>("voronoi", kVoronoiInputs, kVoronoiOutputs);
    node->params[kJitter].value.components[0] = 1.0;
    return node;
}

void NVoronoi::Evaluate(const EvalContext& context)
{
    const Point q(TexturePoint(context));
    const double jitter = Input(kJitter, context).components[0];
    double f1 = 0.0;
    double f2 = 0.0;
    double pos1[3] = {0.0, 0.0, 0.0};
    double pos2[3] = {0.0, 0.0, 0.0};
    voronoi_f1f2(q.p, jitter, &f1, pos1, &f2, pos2);

    double* out = outputs[kF1].value.components;
    out[0] = out[1] = out[2] = f1;
    out = outputs[kF2].value.components;
    out[0] = out[1] = out[2] = f2;
    out = outputs[kPos1].value.components;
    out[0] = pos1[0];
    out[1] = pos1[1];
    out[2] = pos1[2];
    out = outputs[kPos2].value.components;
    out[0] = pos2[0];
    out[1] = pos2[1];
    out[2] = pos2[2];
}

namespace {

template <typename T>
std::unique_ptr<Node> MakeCrumple(const char* name)
{
    auto node = MakeFractal<T>(name, kCrumpleInputs);
    node->params[T::kJitter].value.components[0] = 1.0;
    return node;
}

}  // namespace

std::unique_ptr<Node> NCrumple::New()
{
    return MakeCrumple<NCrumple>("crumple");
}

void NCrumple::Evaluate(const EvalContext& context)
{
    const Point q(TexturePoint(context));
    const FractalInputs f(*this, context);
    const double jitter = Input(kJitter, context).components[0];
    WriteResult(*this, crumple(q.p, jitter, f.octaves, f.lacunarity, f.gain));
}

std::unique_ptr<Node> NCrumple2::New()
{
    return MakeCrumple<NCrumple2>("crumple2");
}

void NCrumple2::Evaluate(const EvalContext& context)
{
    const Point q(TexturePoint(context));
    const FractalInputs f(*this, context);
    const double jitter = Input(kJitter, context).components[0];
    WriteResult(*this, crumple2(q.p, jitter, f.octaves, f.lacunarity, f.gain));
}
