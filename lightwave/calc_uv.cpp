#include "calc_uv.h"

#include <mutex>

namespace CalcUV {

namespace {

// The module's one cache: made empty when the module is loaded, emptied and
// freed when it is unloaded.
UVMan uvMan;

constexpr int kMaxCorners = 4;

// The state of one polygon scan.
struct ScanState {
    MeshInfo* mesh;
    void* uvMap;
    UVInfo* info;
    bool stopped;
};

bool Complete(const MeshInfo& m)
{
    return m.scanPolys && m.selectUV && m.polSize && m.polVertex && m.basePos && m.polyUV &&
           m.pointUV;
}

bool Complete(const TextureFuncs& t)
{
    return t.firstLayer && t.nextLayer && t.layerType && t.getParam;
}

template <typename Record>
const Record* Fetch(GlobalFunc* global, const char* name)
{
    return static_cast<const Record*>(global(name, 0));
}

// The interpolated, wrapped UV of poly at point; refPoint picks a quad's
// triangle.
void Interpolate(const PolyData& poly, const Vector3& point, const Vector3& refPoint, double out[2])
{
    Vector3 corner[kMaxCorners];
    for (int i = 0; i < poly.count; ++i) {
        corner[i] = FromFloats(poly.positions[i]);
    }
    int a = 0;
    int b = 1;
    int c = 2;
    if (poly.count == 4 && !InsideTriangle(corner[0], corner[1], corner[2], refPoint)) {
        a = 2;
        b = 3;
        c = 0;
    }
    const Vector3 onPlane = ProjectToPlane(corner[a], corner[b], corner[c], point);
    Barycentric(corner[a], corner[b], corner[c], poly.uvs[a], poly.uvs[b], poly.uvs[c], onPlane,
                out);
    out[0] = WrapUnit(out[0]);
    out[1] = WrapUnit(out[1]);
}

}  // namespace

void UVInfo::Append(const PolyData& poly)
{
    // The first polygon of an id keeps the index, as a scan from the front
    // would find it.
    byId_.emplace(poly.polygon, static_cast<uint32_t>(polys.size()));
    polys.push_back(poly);
}

const PolyData* UVInfo::FindPoly(uint32_t polygon) const
{
    const auto found = byId_.find(polygon);
    return found == byId_.end() ? nullptr : &polys[found->second];
}

void UVMan::Clear(GlobalFunc* global)
{
    std::unique_lock exclusive(lock_);
    if (global != nullptr) {
        textureFuncs = Fetch<TextureFuncs>(global, "Texture Functions 3");
        surfaceFuncs = Fetch<SurfaceFuncs>(global, "Surface Functions 2");
        objectInfo = Fetch<ObjectInfoFuncs>(global, "LW Object Info 4");
    }
    infos.clear();
}

UVInfo* UVMan::Find(uint32_t objectId, uint32_t surfaceId) const
{
    for (const auto& info : infos) {
        if (info->objectId == objectId && info->surfaceId == surfaceId) {
            return info.get();
        }
    }
    return nullptr;
}

UVInfo& UVMan::CreateInfo(uint32_t objectId, uint32_t surfaceId)
{
    // Kept from now on, whatever the host has to offer, until the next clear.
    infos.push_back(std::make_unique<UVInfo>(objectId, surfaceId));
    UVInfo& info = *infos.back();

    if (surfaceFuncs == nullptr || surfaceFuncs->getTex == nullptr) {
        return info;
    }
    void* texture = surfaceFuncs->getTex(surfaceId, "BaseColor");
    if (texture == nullptr || objectInfo == nullptr || objectInfo->meshInfo == nullptr) {
        return info;
    }
    MeshInfo* mesh = objectInfo->meshInfo(objectId, 1);
    if (mesh == nullptr || textureFuncs == nullptr || !Complete(*textureFuncs)) {
        return info;
    }
    // The first image layer with a UV projection names the map.
    for (void* layer = textureFuncs->firstLayer(texture); layer != nullptr;
         layer = textureFuncs->nextLayer(texture, layer)) {
        if (textureFuncs->layerType(layer) != QM_LW_LAYER_IMAGE) {
            continue;
        }
        int32_t projection = -1;
        textureFuncs->getParam(layer, QM_LW_PARAM_PROJECTION, &projection);
        if (projection != QM_LW_PROJECTION_UV) {
            continue;
        }
        void* uvMap = nullptr;
        textureFuncs->getParam(layer, QM_LW_PARAM_UVMAP, &uvMap);
        if (Complete(*mesh)) {
            ScanState scan{mesh, uvMap, &info, false};
            mesh->scanPolys(mesh, ScanPoly, &scan);
            info.complete = !scan.stopped;
        }
        break;
    }
    return info;
}

int UVMan::GetUV(uint32_t objectId, uint32_t surfaceId, uint32_t polygon, const double point[3],
                 const double refPoint[3], double out[2])
{
    out[0] = 0.0;
    out[1] = 0.0;
    const Vector3 p = Vector3::From(point);
    const Vector3 ref = Vector3::From(refPoint);
    const auto answer = [&](const UVInfo& info) {
        const PolyData* poly = info.FindPoly(polygon);
        if (poly == nullptr) {
            return 0;
        }
        Interpolate(*poly, p, ref, out);
        return 1;
    };
    {
        std::shared_lock shared(lock_);
        if (const UVInfo* info = Find(objectId, surfaceId)) {
            return answer(*info);
        }
    }
    // Not built yet: build it alone, unless another thread did meanwhile.
    std::unique_lock exclusive(lock_);
    UVInfo* info = Find(objectId, surfaceId);
    return answer(info != nullptr ? *info : CreateInfo(objectId, surfaceId));
}

int GetUV(uint32_t objectId, uint32_t surfaceId, uint32_t polygon, const double point[3],
          const double refPoint[3], double out[2])
{
    return uvMan.GetUV(objectId, surfaceId, polygon, point, refPoint, out);
}

void Reset(GlobalFunc* global)
{
    uvMan.Clear(global);
}

int ScanPoly(void* data, uint32_t polygon)
{
    ScanState& scan = *static_cast<ScanState*>(data);
    MeshInfo* mesh = scan.mesh;
    if (mesh->selectUV(mesh, scan.uvMap) == nullptr) {
        scan.stopped = true;
        return 1;
    }
    const int count = mesh->polSize(mesh, polygon);
    if (count < 3 || count > kMaxCorners) {
        return 0;
    }
    PolyData poly;
    poly.count = count;
    poly.polygon = polygon;
    for (int i = 0; i < count; ++i) {
        const auto point = static_cast<uint32_t>(mesh->polVertex(mesh, polygon, i));
        poly.points[i] = point;
        mesh->basePos(mesh, point, poly.positions[i]);
        // The polygon's own (discontinuous) value first, then the point's.
        if (mesh->polyUV(mesh, point, polygon, poly.uvs[i]) == 0 &&
            mesh->pointUV(mesh, point, poly.uvs[i]) == 0) {
            scan.stopped = true;
            return 1;
        }
    }
    scan.info->Append(poly);
    return 0;
}

}  // namespace CalcUV
