#include "nodes/slope_nodes.h"

#include "geometry/vector3.h"

namespace {

const char kCategory[] = "Slope";

const ParamDesc kSlopeInputs[] = {
    {"axis", DATA_STRING, EDIT_CHOICE, 0},
    {"coordinate", DATA_STRING, EDIT_CHOICE, 0},
    {"top", DATA_COLOR, EDIT_COLOR, 1},
    {"bottom", DATA_COLOR, EDIT_COLOR, 1},
};
const ParamDesc kIncidentInputs[] = {
    {"front", DATA_COLOR, EDIT_COLOR, 1},
    {"side", DATA_COLOR, EDIT_COLOR, 1},
};
const OutputDesc kResult[] = {{"result", DATA_COLOR}};

const char kAxisChoices[] = "X\nY\nZ";
const char kCoordinateChoices[] = "object\nworld";

enum SlopeInput { AXIS = 0, COORDINATE = 1, TOP = 2, BOTTOM = 3 };

template <typename T>
std::unique_ptr<Node> MakeSlope(const char* name)
{
    auto node = std::make_unique<T>();
    node->Setup(name, kCategory, 4, kSlopeInputs, 1, kResult, 0);
    node->params[AXIS].value.text = kAxisChoices;
    node->params[AXIS].value.components[0] = 1.0;
    node->params[COORDINATE].value.text = kCoordinateChoices;
    node->params[COORDINATE].value.components[0] = 1.0;
    double* top = node->params[TOP].value.components;
    top[0] = top[1] = top[2] = 1.0;
    return node;
}

// Mixes "top" over "bottom" by a weight taken from the axis component d of
// the unit shading normal.
template <typename Weight>
void EvaluateSlope(Node& node, const EvalContext& context, int32_t axis, int32_t coordinate,
                   Weight weight)
{
    const NodeValue top = node.EvaluateValue(node.params[TOP], context);
    const NodeValue bottom = node.EvaluateValue(node.params[BOTTOM], context);

    Vector3 n{0.0, 0.0, 0.0};
    if (coordinate == 0) {
        n = Vector3::From(context.objectNormal);
    } else if (coordinate == 1) {
        n = Vector3::From(context.normal);
    }
    Vector3::Normalize(n);

    Vector3 a{0.0, 0.0, 0.0};
    if (axis == 0) {
        a.x = 1.0;
    } else if (axis == 1) {
        a.y = 1.0;
    } else if (axis == 2) {
        a.z = 1.0;
    }
    const double s = weight(Vector3::Dot(n, a));

    NodeData& out = node.outputs[0].value;
    out.type = DATA_COLOR;
    for (int c = 0; c < 3; ++c) {
        out.components[c] = s * top.components[c] + (1.0 - s) * bottom.components[c];
    }
}

}  // namespace

std::unique_ptr<Node> NIncident::New()
{
    auto node = std::make_unique<NIncident>();
    node->Setup("incident", kCategory, 2, kIncidentInputs, 1, kResult, 0);
    node->SetColorDefault(0, 1.0, 1.0, 1.0);
    node->SetColorDefault(1, 0.0, 0.0, 0.0);
    return node;
}

void NIncident::Evaluate(const EvalContext& context)
{
    const NodeValue front = Input(0, context);
    const NodeValue side = Input(1, context);

    Vector3 n = Vector3::From(context.normal);
    Vector3::Normalize(n);
    const Vector3 toEye = Vector3::Normalized(
        Vector3{-context.incident[0], -context.incident[1], -context.incident[2]});
    double f = Vector3::Dot(n, toEye);
    if (f < 0.0) {
        f = 0.0;
    }

    NodeData& out = outputs[0].value;
    out.type = DATA_COLOR;
    for (int c = 0; c < 3; ++c) {
        out.components[c] = f * front.components[c] + (1.0 - f) * side.components[c];
    }
}

void SlopeNode::BeginRender()
{
    ReadChoice(AXIS, 3, axis);
    ReadChoice(COORDINATE, 2, coordinate);
}

std::unique_ptr<Node> NSlope::New()
{
    return MakeSlope<NSlope>("slope");
}

void NSlope::Evaluate(const EvalContext& context)
{
    // Downward-facing normals weigh 0.
    EvaluateSlope(*this, context, axis, coordinate, [](double d) { return d >= 0.0 ? d : 0.0; });
}

std::unique_ptr<Node> NSlope2::New()
{
    return MakeSlope<NSlope2>("slope2");
}

void NSlope2::Evaluate(const EvalContext& context)
{
    // The whole range -1 to 1 maps onto 0 to 1.
    EvaluateSlope(*this, context, axis, coordinate, [](double d) { return (d + 1.0) * 0.5; });
}
