#include "nodes/image_node.h"

#include <algorithm>
#include <cmath>

#include "geometry/vector3.h"

namespace {

enum ImageInput {
    TEXTURE = 0,
    PROJECTION = 1,
    AXIS = 2,
    COORDINATE = 3,
    SCALE = 4,
    CENTER = 5,
    ROTATE = 6,
    S_REPEAT = 7,
    T_REPEAT = 8,
    AA_FILTER = 9,
    AA_TYPE = 10,
};

const ParamDesc kInputs[] = {
    {"texture", DATA_STRING, EDIT_FILE, 0},   {"projection", DATA_STRING, EDIT_CHOICE, 0},
    {"axis", DATA_STRING, EDIT_CHOICE, 0},    {"coordinate", DATA_STRING, EDIT_CHOICE, 0},
    {"scale", DATA_VECTOR, EDIT_VECTOR, 1},   {"center", DATA_VECTOR, EDIT_VECTOR, 1},
    {"rotate", DATA_VECTOR, EDIT_VECTOR, 1},  {"s repeat", DATA_FLOAT, EDIT_FLOAT, 0},
    {"t repeat", DATA_FLOAT, EDIT_FLOAT, 0},  {"aa filter", DATA_FLOAT, EDIT_FLOAT, 0},
    {"aa type", DATA_STRING, EDIT_CHOICE, 0},
};
const OutputDesc kOutputs[] = {{"color", DATA_COLOR}, {"alpha", DATA_FLOAT}};

// The list order of the projections differs from their codes.
const int32_t kProjectionCodes[] = {PROJECT_PLANAR, PROJECT_CYLINDRICAL, PROJECT_SPHERICAL,
                                    PROJECT_CUBIC, -1};
constexpr int32_t kUV = -1;

// The choice's own index truncated toward zero when it is below count, else -1.
int32_t ChoiceIndex(Node& node, int32_t input, int32_t count)
{
    const double chosen = std::trunc(node.EvaluateParam(node.params[input], nullptr).components[0]);
    return chosen >= 0.0 && chosen < count ? static_cast<int32_t>(chosen) : -1;
}

}  // namespace

std::unique_ptr<Node> NImage::New()
{
    auto node = std::make_unique<NImage>();
    node->Setup("image", "External", 11, kInputs, 2, kOutputs, 0);
    node->imageHandle = std::make_unique<ImageHandle>();
    node->SetChoiceDefault(PROJECTION, "plannar\ncylindrical\nspherical\ncubic\nuv", 0);
    node->SetChoiceDefault(AXIS, "X\nY\nZ", 0);
    node->SetChoiceDefault(COORDINATE, "object\nworld", 0);
    node->SetChoiceDefault(AA_TYPE, "normal\nsharp", 0);
    node->SetVectorDefault(SCALE, 1.0, 1.0, 1.0);
    node->SetFloatDefault(S_REPEAT, 1.0);
    node->SetFloatDefault(T_REPEAT, 1.0);
    node->SetFloatDefault(AA_FILTER, 1.0);
    return node;
}

NImage::~NImage()
{
    imageHandle.reset();
}

void NImage::BeginRender()
{
    const NodeData texture = EvaluateParam(params[TEXTURE], nullptr);
    imageHandle->Set(texture.text.c_str());

    if (const int32_t i = ChoiceIndex(*this, PROJECTION, 5); i >= 0) {
        projection = kProjectionCodes[i];
    }
    if (const int32_t i = ChoiceIndex(*this, AXIS, 3); i >= 0) {
        axis = i;
    }
    if (const int32_t i = ChoiceIndex(*this, COORDINATE, 2); i >= 0) {
        coordinate = i;
    }
    if (const int32_t i = ChoiceIndex(*this, AA_TYPE, 2); i >= 0) {
        aaType = i;
    }
    sRepeat = EvaluateParam(params[S_REPEAT], nullptr).components[0];
    tRepeat = EvaluateParam(params[T_REPEAT], nullptr).components[0];
    aaFilter = EvaluateParam(params[AA_FILTER], nullptr).components[0];
}

void NImage::Evaluate(const EvalContext& c)
{
    double colour[3] = {0.0, 0.0, 0.0};
    double alpha = 1.0;

    const Vector3 scale = Vector3::From(Input(SCALE, c).components);
    const Vector3 center = Vector3::From(Input(CENTER, c).components);
    const EulerTurns& rotate = rotation_.Turns(Vector3::From(Input(ROTATE, c).components));

    Vector3 p;
    Vector3 n;
    double f;
    if (coordinate == 0) {
        p = Vector3::From(c.objectPos);
        n = Vector3::From(c.objectBaseNormal);
        f = c.objectFilterSize;
    } else {
        p = Vector3::From(c.worldPos);
        n = Vector3::From(c.baseNormal);
        f = c.filterSize;
    }

    // Two directions across the surface: (1, 1, 1) x N and N x that.
    Vector3 a{n.z - n.y, n.x - n.z, n.y - n.x};
    Vector3::Normalize(a);
    const Vector3 b = Vector3::Cross(n, a);

    double s;
    double t;
    double du;
    double dv;
    if (projection == kUV) {
        s = c.u;
        t = c.v;
        du = c.du;
        dv = c.dv;
    } else {
        ProjectUV(projection, axis, p, n, center, scale, rotate, sRepeat, tRepeat, s, t);
        du = 0.0;
        dv = 0.0;
        if (f != 0.0) {
            const Vector3 corners[4] = {
                {p.x + f * a.x, p.y + f * a.y, p.z + f * a.z},
                {p.x + f * b.x, p.y + f * b.y, p.z + f * b.z},
                {p.x - f * a.x, p.y - f * a.y, p.z - f * a.z},
                {p.x - f * b.x, p.y - f * b.y, p.z - f * b.z},
            };
            for (const Vector3& corner : corners) {
                double sk;
                double tk;
                ProjectUV(projection, axis, corner, n, center, scale, rotate, sRepeat, tRepeat, sk,
                          tk);
                du = std::max(du, std::fabs(sk - s));
                dv = std::max(dv, std::fabs(tk - t));
            }
        }
    }

    if (const Image* image = imageHandle->image) {
        s = Wrap01(s);
        t = Wrap01(t);
        if ((du != 0.0 || dv != 0.0) && aaFilter > 0.0) {
            image->Sample(s, t, du, dv, aaFilter, static_cast<int>(aaType), colour, &alpha);
        } else {
            image->SampleLevel0(s, t, colour, &alpha);
        }
    }

    double* out = outputs[0].value.components;
    out[0] = colour[0];
    out[1] = colour[1];
    out[2] = colour[2];
    outputs[1].value.components[0] = alpha;
}
