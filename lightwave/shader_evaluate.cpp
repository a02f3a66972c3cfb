#include "shader_evaluate.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "calc_uv.h"
#include "module_globals.h"
#include "qm_core.h"
#include "shader_instance.h"

namespace {

// The smallest step of the footprint's neighbour lookups.
constexpr double kMinSpot = 1e-10;

// One sample's fixed inputs.
struct Sample {
    const ShaderInstance& instance;
    ShaderAccess& access;
    double k;  // filter factor
};

// The square root of the scene record's integer; 1.0 without a record or
// for a negative integer.
double FilterFactor()
{
    const SceneInfo* scene = SceneInfoRecord();
    if (scene == nullptr || scene->filterSquare < 0) {
        return 1.0;
    }
    return std::sqrt(static_cast<double>(scene->filterSquare));
}

// (u, v) of the sample's polygon at point, v counted from the top of the
// map; (0, 0) when the polygon has no UV data.
void LookupUV(const Sample& s, const Vector3& point, double& u, double& v)
{
    double p[3];
    Store(point, p);
    double uv[2];
    if (CalcUV::GetUV(s.access.objectId, s.instance.surface, s.access.polygon, p, s.access.oPos,
                      uv) != 0) {
        u = uv[0];
        v = 1.0 - uv[1];
    } else {
        u = 0.0;
        v = 0.0;
    }
}

// du and dv: the largest change of u and v towards four neighbours of the
// sample, a footprint's step away along two directions across the world
// normal N.
void Footprint(const Sample& s, const Vector3& N, ShadeRecord& r)
{
    const Vector3 t1 = Vector3::Normalized(Vector3{N.z - N.y, N.x - N.z, N.y - N.x});
    const Vector3 t2 = Vector3::Cross(N, t1);
    const double step = std::max(s.access.spotSize, kMinSpot) * s.k;
    const Vector3 oPos = Vector3::From(s.access.oPos);
    const Vector3 neighbours[4] = {oPos + step * t1, oPos + step * t2, oPos - step * t1,
                                   oPos - step * t2};
    double du = 0.0;
    double dv = 0.0;
    for (const Vector3& point : neighbours) {
        double u = 0.0;
        double v = 0.0;
        LookupUV(s, point, u, v);
        du = std::max(du, std::fabs(u - r.u));
        dv = std::max(dv, std::fabs(v - r.v));
    }
    r.du = du;
    r.dv = dv;
}

// Bends the record's normal by the gradient of the bump texture, measured at
// the sample and a step along each world axis of the object.
void Bump(const Sample& s, NHandle* handle, const Vector3& N, ShadeRecord& r)
{
    const double* W = s.access.worldTransform;
    const double* O = s.access.objectTransform;
    ShadeRecord b = r;
    b.filterSize = 0.0;
    b.objectFilterSize = 0.0;
    b.du = 0.0;
    b.dv = 0.0;
    const Vector3 axes[3] = {Vector3::Normalized(Vector3{W[0], W[3], W[6]}),
                             Vector3::Normalized(Vector3{W[1], W[4], W[7]}),
                             Vector3::Normalized(Vector3{W[2], W[5], W[8]})};
    const double step = s.access.spotSize * s.k;

    const Vector3 wPos = Vector3::From(s.access.wPos);
    Vector3 centre;
    MatVecMul(centre, wPos, O);
    Store(wPos, b.worldPos);
    Store(centre, b.objectPos);
    QM_EvalBump(handle, &b);
    const double amplitude = b.bumpAmplitude;
    const double height = b.bumpTexture;

    double d[3];
    for (int j = 0; j < 3; ++j) {
        const Vector3 p = wPos + step * axes[j];
        Vector3 q;
        MatVecMul(q, p, O);
        LookupUV(s, q, b.u, b.v);
        Store(p, b.worldPos);
        Store(q, b.objectPos);
        QM_EvalBump(handle, &b);
        d[j] = b.bumpTexture - height;
    }

    Vector3 g;
    MatVecMul(g, Vector3{d[0], d[1], d[2]}, W);
    g = Vector3{g.x * amplitude * s.instance.bumpBoost, g.y * amplitude * s.instance.bumpBoost,
                g.z * amplitude * s.instance.bumpBoost};
    const Vector3 bent = Vector3::Normalized(N - g);
    Vector3 bentObject;
    MatVecMul(bentObject, bent, O);
    Store(bent, r.normal);
    Store(bentObject, r.objectNormal);
    Store(bent, s.access.worldNormal);
}

void WriteBack(const ShadeRecord& r, ShaderAccess& a)
{
    std::memcpy(a.color, r.color, sizeof a.color);
    a.diffuse = r.diffuse;
    a.specular = r.specular;
    a.roughness = static_cast<double>(static_cast<long double>(r.roughness) * 0.1L);
    a.luminosity = r.luminosity;
    a.mirror = r.reflection;
    a.transparency = r.transparency;
    a.eta = r.eta;
    a.colorHighlight = r.colorHighlight;
    a.colorFilter = r.colorFilter;
}

}  // namespace

void MatVecMul(Vector3& out, const Vector3& v, const double M[9])
{
    out = Vector3{M[0] * v.x + M[1] * v.y + M[2] * v.z, M[3] * v.x + M[4] * v.y + M[5] * v.z,
                  M[6] * v.x + M[7] * v.y + M[8] * v.z};
}

void ShaderEvaluate(void* instance, void* access)
{
    const auto* self = static_cast<const ShaderInstance*>(instance);
    auto* host = static_cast<ShaderAccess*>(access);
    if (self == nullptr || host == nullptr || self->handle == nullptr) {
        return;
    }
    NHandle* handle = self->handle;
    const Sample s{*self, *host, FilterFactor()};
    const double* O = host->objectTransform;

    ShadeRecord r{};
    LookupUV(s, Vector3::From(host->oPos), r.u, r.v);
    const Vector3 N = Vector3::Normalized(Vector3::From(host->worldNormal));
    Vector3 nObject;
    MatVecMul(nObject, N, O);
    const Vector3 incident =
        Vector3::Normalized(Vector3::From(host->wPos) - Vector3::From(host->raySource));

    std::memcpy(r.worldPos, host->wPos, sizeof r.worldPos);
    std::memcpy(r.objectPos, host->oPos, sizeof r.objectPos);
    Store(N, r.normal);
    Store(nObject, r.objectNormal);
    Store(N, r.baseNormal);
    Store(nObject, r.objectBaseNormal);
    Store(incident, r.incident);
    r.frame = static_cast<double>(CurrentFrame());
    r.filterSize = host->spotSize * s.k;
    Vector3 diagonal;
    MatVecMul(diagonal, Vector3::Normalized(Vector3{1.0, 1.0, 1.0}), O);
    r.objectFilterSize = r.filterSize * Vector3::Length(diagonal);

    Footprint(s, N, r);
    if (QM_IsBump(handle) == 1) {
        Bump(s, handle, N, r);
    }
    QM_EvalShade(handle, &r);
    WriteBack(r, *host);
}
