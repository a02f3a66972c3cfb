#pragma once
// The UV cache. The host's shading record carries positions and a polygon id
// but no texture coordinates, so the module reads the UV map of each shaded
// (object, surface) pair once, keeps every triangle and quad with its corner
// positions and UVs, and answers a lookup of (u, v) at a point of a polygon
// by barycentric interpolation. One cache serves every instance and every
// host thread; the render callbacks empty it.
//
// Guarding: lookups of pairs already built share the cache's lock; building
// a pair and emptying the cache take it alone, so no lookup ever sees a pair
// half built or freed. Polygons are found through an index by id, so no
// lookup searches a list that grows with the mesh.

#include <cstdint>
#include <memory>
#include <shared_mutex>
#include <unordered_map>
#include <vector>

#include "lw_host.h"
#include "lw_vector.h"

namespace CalcUV {

// One triangle or quad of an object.
struct PolyData {
    int32_t count = 0;     // 3 or 4
    uint32_t polygon = 0;  // the host's polygon id
    uint32_t points[4] = {};
    float positions[4][3] = {};  // base (undeformed) object-space corners
    float uvs[4][2] = {};
};

// The UV data of one (object, surface) pair: its polygons in scan order, and
// an index from polygon id to the first polygon of that id.
class UVInfo {
public:
    UVInfo(uint32_t objectId, uint32_t surfaceId) : objectId(objectId), surfaceId(surfaceId) {}

    void Append(const PolyData& poly);
    // The first polygon of the scan with this id, or null.
    const PolyData* FindPoly(uint32_t polygon) const;

    std::vector<PolyData> polys;
    uint32_t objectId;
    uint32_t surfaceId;
    bool complete = false;  // the polygon scan ran to its end

private:
    std::unordered_map<uint32_t, uint32_t> byId_;  // polygon id -> index in polys
};

// The cache of every pair looked up since it was last emptied.
class UVMan {
public:
    UVMan() = default;
    UVMan(const UVMan&) = delete;
    UVMan& operator=(const UVMan&) = delete;
    // Empties the cache without asking the host for anything.
    ~UVMan() = default;

    // Fetches the three service records again when global is not null, then
    // forgets every pair.
    void Clear(GlobalFunc* global);
    // The lookup of CalcUV::GetUV on this cache.
    int GetUV(uint32_t objectId, uint32_t surfaceId, uint32_t polygon, const double point[3],
              const double refPoint[3], double out[2]);

private:
    UVInfo* Find(uint32_t objectId, uint32_t surfaceId) const;
    // Builds a pair from the host's mesh and keeps it, found or not.
    UVInfo& CreateInfo(uint32_t objectId, uint32_t surfaceId);

    std::vector<std::unique_ptr<UVInfo>> infos;  // in creation order
    const TextureFuncs* textureFuncs = nullptr;
    const SurfaceFuncs* surfaceFuncs = nullptr;
    const ObjectInfoFuncs* objectInfo = nullptr;
    std::shared_mutex lock_;
};

// (u, v) of polygon at point, in [0, 1]; refPoint (the sample's own
// position) picks the triangle of a quad. Returns 1 when the polygon has UV
// data, else 0 with out = (0, 0).
int GetUV(uint32_t objectId, uint32_t surfaceId, uint32_t polygon, const double point[3],
          const double refPoint[3], double out[2]);
// Empties the module's cache, fetching the services again through global.
void Reset(GlobalFunc* global);

// The host's polygon-scan callback while a pair is built: data is the scan's
// state. Returns 0 to go on, 1 to stop.
int ScanPoly(void* data, uint32_t polygon);

// Geometry of the interpolation.
Vector3 Cross(const Vector3& a, const Vector3& b);
// P moved along the normal of the plane through A, B, C onto it (P itself
// when the corners span no plane).
Vector3 ProjectToPlane(const Vector3& A, const Vector3& B, const Vector3& C, const Vector3& P);
// out = the corner UVs weighted by P's barycentric weights, clamped onto the
// nearest edge when P lies outside; returns 1 when P is inside. A triangle
// without area gives the UV of the corner nearest to P and 0.
int Barycentric(const Vector3& A, const Vector3& B, const Vector3& C, const float uvA[2],
                const float uvB[2], const float uvC[2], const Vector3& P, double out[2]);
// Whether P lies inside triangle A, B, C (P is not projected first); never
// for a triangle without area.
bool InsideTriangle(const Vector3& A, const Vector3& B, const Vector3& C, const Vector3& P);
// x wrapped into [0, 1]: fractions count up from 0 for x >= 0 and down from
// 1 below it.
double WrapUnit(double x);

}  // namespace CalcUV
