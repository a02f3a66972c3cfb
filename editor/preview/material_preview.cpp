#include "material_preview.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "image/dib24.h"
#include "model/eval_context.h"
#include "model/node.h"
#include "model/node_list.h"
#include "nodes/root_node.h"
#include "preview_scene.h"

namespace {

using namespace preview_scene;

// The directions that stay fixed for the whole image.
struct Lighting {
    Vector3 incident;  // from the eye into the scene
    Vector3 light;     // towards the light
    Vector3 half;      // between the light and the view direction
};

Lighting MakeLighting()
{
    Lighting lighting{};
    lighting.incident = Vector3{0.0, 0.0, 1.0};
    Vector3::Normalize(lighting.incident);
    lighting.light = Vector3{-1.0, 1.0, -1.0};
    Vector3::Normalize(lighting.light);
    const Vector3 view{-lighting.incident.x, -lighting.incident.y, -lighting.incident.z};
    lighting.half =
        Vector3{lighting.light.x + view.x, lighting.light.y + view.y, lighting.light.z + view.z};
    Vector3::Normalize(lighting.half);
    return lighting;
}

void Put(double out[3], const Vector3& v)
{
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

// The surface sample at P with normal N, as a renderer would fill it.
void FillContext(EvalContext& context, const Vector3& p, const Vector3& n, const Vector3& incident)
{
    context = EvalContext{};
    Put(context.worldPos, p);
    Put(context.objectPos, p);
    Put(context.normal, n);
    Put(context.objectNormal, n);
    Put(context.baseNormal, n);
    Put(context.objectBaseNormal, n);
    context.u = p.x + 0.5;
    context.v = (1.0 - p.y) + 0.5;
    Put(context.incident, incident);
}

// Evaluates one root input and stores it into the output of the same index
// (all three components for the colour, the first one for the others), the
// way renderers do; returns the stored first component.
double EvaluateIntoOutput(NRoot& root, int32_t index, const EvalContext& context)
{
    const NodeData value = root.EvaluateParam(root.params[index], &context);
    double* out = root.outputs[index].value.components;
    out[0] = value.components[0];
    if (index == NRoot::kColor) {
        out[1] = value.components[1];
        out[2] = value.components[2];
    }
    return out[0];
}

// Tilts the sample's normal by the bump texture's differences along the
// three axes, one step apart. Only the positions of the probing copy move.
Vector3 BumpNormal(NRoot& root, EvalContext& context, const Vector3& p, const Vector3& n,
                   double step)
{
    EvalContext probe = context;
    Put(probe.worldPos, p);
    Put(probe.objectPos, p);
    root.ClearEvaluated();
    const double amplitude = EvaluateIntoOutput(root, NRoot::kBumpAmplitude, probe);
    const double height = EvaluateIntoOutput(root, NRoot::kBumpTexture, probe);

    double difference[3];
    for (int axis = 0; axis < 3; ++axis) {
        Vector3 moved = p;
        if (axis == 0) {
            moved.x = p.x + step;
        } else if (axis == 1) {
            moved.y = p.y + step;
        } else {
            moved.z = p.z + step;
        }
        Put(probe.worldPos, moved);
        Put(probe.objectPos, moved);
        root.ClearEvaluated();
        EvaluateIntoOutput(root, NRoot::kBumpAmplitude, probe);
        difference[axis] = EvaluateIntoOutput(root, NRoot::kBumpTexture, probe) - height;
    }
    Vector3 bumped{n.x - amplitude * difference[0], n.y - amplitude * difference[1],
                   n.z - amplitude * difference[2]};
    Vector3::Normalize(bumped);
    Put(context.normal, bumped);
    Put(context.objectNormal, bumped);
    return bumped;
}

// One sample of the material root: local diffuse and ambient light, then the
// refracted and reflected environment and the highlight added on top.
Vector3 ShadeMaterial(NRoot& root, EvalContext& context, const Vector3& p, Vector3 n,
                      double bumpStep, const Lighting& lighting)
{
    if (root.params[NRoot::kBumpTexture].source != nullptr) {
        n = BumpNormal(root, context, p, n, bumpStep);
    }

    root.ClearEvaluated();
    for (int32_t i = NRoot::kColor; i <= NRoot::kColorFilter; ++i) {
        EvaluateIntoOutput(root, i, context);
    }
    const double* color = root.outputs[NRoot::kColor].value.components;
    const auto read = [&root](int32_t index) { return root.outputs[index].value.components[0]; };
    const double diffuse = read(NRoot::kDiffuse);
    const double specular = read(NRoot::kSpecular);
    const double roughness = read(NRoot::kRoughness);
    const double luminosity = read(NRoot::kLuminosity);
    const double reflection = read(NRoot::kReflection);
    const double transparency = read(NRoot::kTransparency);
    const double eta = read(NRoot::kEta);
    const double highlight = read(NRoot::kColorHighlight);
    const double filter = read(NRoot::kColorFilter);

    const double facing = Vector3::Dot(n, lighting.light);
    const double diffuseLight = facing > 0.0 ? facing : 0.0;
    double specularLight = 0.0;
    if (roughness != 0.0) {
        specularLight =
            std::pow(std::max(Vector3::Dot(n, lighting.half), 0.0), kSpecularPower / roughness);
    }

    const Vector3 incident = Vector3::Normalized(lighting.incident);
    const Vector3 reflected = Vector3::Reflect(incident, n);
    const Vector3 refracted = Vector3::Refract(incident, n, 1.0 / eta);
    const bool seesThrough = Vector3::Length(refracted) > 0.0;
    const double behind = seesThrough ? PreviewChecker(p, refracted).x : 0.0;
    const double around = PreviewChecker(p, reflected).x;

    double result[3];
    for (int c = 0; c < 3; ++c) {
        const double local =
            color[c] * ((diffuseLight + kAmbient) * diffuse) + color[c] * luminosity;
        result[c] = (1.0 - transparency) * local;
        if (seesThrough) {
            result[c] += behind * transparency * ((1.0 - filter) + color[c] * filter);
        }
        result[c] += around * reflection * ((1.0 - highlight) + color[c] * highlight);
        result[c] += specularLight * specular * ((1.0 - highlight) + color[c] * highlight);
    }
    return Vector3{result[0], result[1], result[2]};
}

// One sample of any other node: its first output, a float shown as grey; a
// node without outputs gives black.
Vector3 ShadeOutput(Node& node, const EvalContext& context)
{
    node.ClearEvaluated();
    node.Evaluate(context);
    if (node.outputCount <= 0) {
        return Vector3{0.0, 0.0, 0.0};
    }
    const NodeData& out = node.outputs[0].value;
    if (out.type == DATA_FLOAT) {
        return Vector3{out.components[0], out.components[0], out.components[0]};
    }
    return Vector3{out.components[0], out.components[1], out.components[2]};
}

// c x 255 limited to 0 .. 255 and truncated; not-a-number gives 0.
uint8_t ToByte(double c)
{
    const double scaled = c * 255.0;
    if (!(scaled > 0.0)) {
        return 0;
    }
    if (scaled >= 255.0) {
        return 255;
    }
    return static_cast<uint8_t>(scaled);
}

// Brackets the whole image with the list's render calls, also when a node
// throws.
class RenderBracket {
public:
    explicit RenderBracket(NodeList& list) : list_(list) { list_.BeginRender(); }
    ~RenderBracket() { list_.EndRender(); }
    RenderBracket(const RenderBracket&) = delete;
    RenderBracket& operator=(const RenderBracket&) = delete;

private:
    NodeList& list_;
};

}  // namespace

void RenderPreview(dib24* target, int32_t samplesPerAxis, Node* node, NodeList* list)
{
    if (target == nullptr || node == nullptr || list == nullptr || target->bits == nullptr ||
        target->bytesPerPixel != 3) {
        return;
    }
    const int32_t width = target->width;
    const int32_t height = target->height;
    const int32_t n = samplesPerAxis;
    const int64_t sampleCount = static_cast<int64_t>(n) * n;
    const double bumpStep = kPlaneSpan / std::max(width, height);
    NRoot* root = dynamic_cast<NRoot*>(node);

    const Lighting lighting = MakeLighting();
    const RenderBracket bracket(*list);
    EvalContext context{};
    for (int32_t row = 0; row < height; ++row) {
        uint8_t* pixel = target->bits + static_cast<size_t>(row) * target->rowBytes;
        for (int32_t column = 0; column < width; ++column, pixel += 3) {
            double sum[3] = {0.0, 0.0, 0.0};
            for (int32_t sy = 0; sy < n; ++sy) {
                for (int32_t sx = 0; sx < n; ++sx) {
                    const double x =
                        (static_cast<double>(column - width / 2) + static_cast<double>(sx) / n) /
                        width * kPlaneSpan;
                    const double y =
                        (static_cast<double>(row - height / 2) + static_cast<double>(sy) / n) /
                        height * kPlaneSpan;
                    Vector3 sample;
                    if (x * x + y * y > kRadiusSquared) {
                        const double grey = CheckerGrey(kCheckerScale * x, kCheckerScale * y);
                        sample = Vector3{grey, grey, grey};
                    } else {
                        const double z = -std::sqrt(kRadiusSquared - x * x - y * y);
                        const Vector3 p{x, y, z};
                        const Vector3 normal = Vector3::Normalized(p);
                        FillContext(context, p, normal, lighting.incident);
                        sample = root != nullptr
                                     ? ShadeMaterial(*root, context, p, normal, bumpStep, lighting)
                                     : ShadeOutput(*node, context);
                    }
                    sum[0] += sample.x;
                    sum[1] += sample.y;
                    sum[2] += sample.z;
                }
            }
            if (sampleCount != 0) {
                for (double& channel : sum) {
                    channel /= static_cast<double>(sampleCount);
                }
            }
            pixel[0] = ToByte(sum[2]);
            pixel[1] = ToByte(sum[1]);
            pixel[2] = ToByte(sum[0]);
        }
    }
}
