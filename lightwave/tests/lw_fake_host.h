#pragma once
// A LightWave-style host for QM_Shader.p, used by the module's tests and its
// benchmark: the module loaded with dlopen and activated, the host's global
// function with the five services it asks for, meshes and textures held in
// memory, and shading access records.

#include <dlfcn.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "lw_host.h"

namespace lwtest {

// ---- meshes -------------------------------------------------------------

// One object's mesh: points with base positions and optional UVs, polygons
// in scan order, and per-polygon (discontinuous) UVs of their points.
class FakeMesh {
public:
    explicit FakeMesh(void* uvMap) : uvMap(uvMap) {}
    FakeMesh(const FakeMesh&) = delete;
    FakeMesh& operator=(const FakeMesh&) = delete;

    static constexpr uint32_t kFirstPoint = 500;

    uint32_t AddPoint(float x, float y, float z) { return Add(x, y, z, false, 0, 0); }
    uint32_t AddPoint(float x, float y, float z, float u, float v)
    {
        return Add(x, y, z, true, u, v);
    }
    void AddPolygon(uint32_t id, std::vector<uint32_t> corners)
    {
        polyIndex_.emplace(id, polys_.size());
        polys_.push_back(Poly{id, std::move(corners)});
    }
    void SetPolyUV(uint32_t polygon, uint32_t point, float u, float v)
    {
        polyUVs_[{polygon, point}] = {u, v};
    }
    void SetPointUV(uint32_t point, float u, float v)
    {
        Point& p = points_[point - kFirstPoint];
        p.hasUV = true;
        p.uv[0] = u;
        p.uv[1] = v;
    }
    MeshInfo* Info() { return &record_.info; }

    void* uvMap;                // the one map selectUV accepts
    std::atomic<int> scans{0};  // polygon scans run

private:
    struct Point {
        float pos[3];
        bool hasUV;
        float uv[2];
    };
    struct Poly {
        uint32_t id;
        std::vector<uint32_t> corners;
    };
    // What the module holds: the mesh information, and the way back here.
    struct Record {
        MeshInfo info;
        FakeMesh* self;
    };

    uint32_t Add(float x, float y, float z, bool hasUV, float u, float v)
    {
        points_.push_back(Point{{x, y, z}, hasUV, {u, v}});
        return kFirstPoint + static_cast<uint32_t>(points_.size() - 1);
    }
    static FakeMesh& Of(MeshInfo* m) { return *reinterpret_cast<Record*>(m)->self; }
    // The polygon being scanned answers for its id (ids may repeat), any
    // other id for the first polygon that has it.
    const Poly* FindPoly(uint32_t id) const
    {
        if (scanning_ != nullptr && scanning_->id == id) return scanning_;
        const auto found = polyIndex_.find(id);
        return found == polyIndex_.end() ? nullptr : &polys_[found->second];
    }
    const Point* FindPoint(uint32_t id) const
    {
        return id >= kFirstPoint && id - kFirstPoint < points_.size() ? &points_[id - kFirstPoint]
                                                                      : nullptr;
    }

    static int ScanPolys(MeshInfo* m, int (*fn)(void*, uint32_t), void* data)
    {
        FakeMesh& mesh = Of(m);
        ++mesh.scans;
        int stopped = 0;
        for (const Poly& p : mesh.polys_) {
            mesh.scanning_ = &p;
            stopped = fn(data, p.id);
            if (stopped != 0) break;
        }
        mesh.scanning_ = nullptr;
        return stopped != 0;
    }
    static void* SelectUV(MeshInfo* m, void* vmap)
    {
        return vmap != nullptr && vmap == Of(m).uvMap ? vmap : nullptr;
    }
    static int PolSize(MeshInfo* m, uint32_t polygon)
    {
        const Poly* p = Of(m).FindPoly(polygon);
        return p ? static_cast<int>(p->corners.size()) : 0;
    }
    static uintptr_t PolVertex(MeshInfo* m, uint32_t polygon, int i)
    {
        const Poly* p = Of(m).FindPoly(polygon);
        return p && i >= 0 && static_cast<size_t>(i) < p->corners.size() ? p->corners[i] : 0;
    }
    static void BasePos(MeshInfo* m, uint32_t point, float pos[3])
    {
        if (const Point* p = Of(m).FindPoint(point)) std::memcpy(pos, p->pos, sizeof p->pos);
    }
    static int PolyUV(MeshInfo* m, uint32_t point, uint32_t polygon, float uv[2])
    {
        const FakeMesh& mesh = Of(m);
        const auto found = mesh.polyUVs_.find({polygon, point});
        if (found == mesh.polyUVs_.end()) return 0;
        uv[0] = found->second[0];
        uv[1] = found->second[1];
        return 1;
    }
    static int PointUV(MeshInfo* m, uint32_t point, float uv[2])
    {
        const Point* p = Of(m).FindPoint(point);
        if (p == nullptr || !p->hasUV) return 0;
        uv[0] = p->uv[0];
        uv[1] = p->uv[1];
        return 1;
    }

    Record record_{{ScanPolys, SelectUV, PolSize, PolVertex, BasePos, PolyUV, PointUV}, this};
    std::vector<Point> points_;
    std::vector<Poly> polys_;
    std::unordered_map<uint32_t, size_t> polyIndex_;
    const Poly* scanning_ = nullptr;
    std::map<std::pair<uint32_t, uint32_t>, std::array<float, 2>> polyUVs_;
};

// A surface's "BaseColor" texture: its layers, first to last.
struct FakeLayer {
    int type;
    int32_t projection;
    void* uvMap;
};
struct FakeTexture {
    std::vector<FakeLayer> layers;
};

// ---- the host -------------------------------------------------------------

// What the panel services were asked, in order.
struct PanelLog {
    std::vector<std::string> calls;
    int type = -1;
    const XPanelControl* controls = nullptr;
    const uintptr_t* hints = nullptr;
    const XPanelDataDesc* data = nullptr;
    void* (*get)(void*, uint32_t) = nullptr;
    int (*set)(void*, uint32_t, void*) = nullptr;
    void* viewed = nullptr;
    uint32_t dataId = 0xFFFF;
    void* userData = nullptr;
};

// The host's global function and services. One host exists at a time; the
// services reach it through Current().
class FakeHost {
public:
    FakeHost()
    {
        scene.filterSquare = 1;
        current() = this;
    }
    ~FakeHost() { current() = nullptr; }
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    static FakeHost& Current() { return *current(); }

    static void* Global(const char* name, int useMode)
    {
        FakeHost& h = Current();
        const std::string service(name);
        {
            std::lock_guard<std::mutex> guard(h.askedLock_);
            h.asked.push_back(service + (useMode == 0 ? "" : " (other use)"));
        }
        if (!h.offer.count(service) || !h.offer.at(service)) return nullptr;
        if (service == "LW Scene Info 3") return &h.scene;
        if (service == "LWXPanel") return &h.panel;
        if (service == "LW Object Info 4") return &h.objectInfo_;
        if (service == "Texture Functions 3") return &h.textureFuncs_;
        if (service == "Surface Functions 2") return &h.surfaceFuncs_;
        return nullptr;
    }

    // How often the host was asked for a service.
    int Asked(const std::string& service)
    {
        std::lock_guard<std::mutex> guard(askedLock_);
        int n = 0;
        for (const std::string& s : asked) n += s == service;
        return n;
    }

    std::map<std::string, bool> offer = {{"LW Scene Info 3", true},
                                         {"LWXPanel", true},
                                         {"LW Object Info 4", true},
                                         {"Texture Functions 3", true},
                                         {"Surface Functions 2", true}};
    SceneInfo scene{};
    XPanelFuncs panel{PanelCreate, PanelHint, PanelDescribe, PanelView, PanelSetData};
    bool panelFails = false;
    PanelLog panelLog;
    std::map<uint32_t, FakeMesh*> meshes;       // by object id
    std::map<uint32_t, FakeTexture*> textures;  // "BaseColor" by surface id
    std::atomic<int> getTexCalls{0};
    std::atomic<int> badArguments{0};  // a channel other than "BaseColor", frozen other than 1
    std::vector<std::string> asked;

private:
    static FakeHost*& current()
    {
        static FakeHost* host = nullptr;
        return host;
    }

    static void* PanelCreate(int type, const XPanelControl* controls)
    {
        PanelLog& log = Current().panelLog;
        log.calls.push_back("create");
        log.type = type;
        log.controls = controls;
        return Current().panelFails ? nullptr : &log;
    }
    static void PanelHint(void*, const uintptr_t* hints)
    {
        Current().panelLog.calls.push_back("hint");
        Current().panelLog.hints = hints;
    }
    static void PanelDescribe(void*, const XPanelDataDesc* data, void* (*get)(void*, uint32_t),
                              int (*set)(void*, uint32_t, void*))
    {
        PanelLog& log = Current().panelLog;
        log.calls.push_back("describe");
        log.data = data;
        log.get = get;
        log.set = set;
    }
    static void PanelView(void*, void* instance)
    {
        Current().panelLog.calls.push_back("view");
        Current().panelLog.viewed = instance;
    }
    static void PanelSetData(void*, uint32_t id, void* data)
    {
        PanelLog& log = Current().panelLog;
        log.calls.push_back("setData");
        log.dataId = id;
        log.userData = data;
    }

    static MeshInfo* MeshOf(uint32_t object, int frozen)
    {
        FakeHost& h = Current();
        if (frozen != 1) ++h.badArguments;
        const auto found = h.meshes.find(object);
        return found == h.meshes.end() ? nullptr : found->second->Info();
    }
    static void* GetTex(uint32_t surface, const char* channel)
    {
        FakeHost& h = Current();
        ++h.getTexCalls;
        if (std::strcmp(channel, "BaseColor") != 0) ++h.badArguments;
        const auto found = h.textures.find(surface);
        return found == h.textures.end() ? nullptr : found->second;
    }
    static void* FirstLayer(void* texture)
    {
        auto* t = static_cast<FakeTexture*>(texture);
        return t->layers.empty() ? nullptr : t->layers.data();
    }
    static void* NextLayer(void* texture, void* layer)
    {
        auto* t = static_cast<FakeTexture*>(texture);
        FakeLayer* next = static_cast<FakeLayer*>(layer) + 1;
        return next == t->layers.data() + t->layers.size() ? nullptr : next;
    }
    static int LayerType(void* layer) { return static_cast<FakeLayer*>(layer)->type; }
    static int GetParam(void* layer, int param, void* value)
    {
        const FakeLayer& l = *static_cast<FakeLayer*>(layer);
        if (param == QM_LW_PARAM_PROJECTION) {
            *static_cast<int32_t*>(value) = l.projection;
        } else if (param == QM_LW_PARAM_UVMAP) {
            *static_cast<void**>(value) = l.uvMap;
        } else {
            return 0;
        }
        return 1;
    }

    ObjectInfoFuncs objectInfo_{MeshOf};
    SurfaceFuncs surfaceFuncs_{GetTex};
    TextureFuncs textureFuncs_{FirstLayer, NextLayer, LayerType, GetParam};
    std::mutex askedLock_;
};

// ---- the module -----------------------------------------------------------

// QM_Shader.p loaded with dlopen, its shader handler activated with the
// current host's global function and tables of the host's own.
class Module {
public:
    Module() : lib(dlopen(QM_SHADER_MODULE, RTLD_NOW | RTLD_LOCAL))
    {
        if (lib != nullptr) {
            descriptor = static_cast<const ModuleDescriptor*>(dlsym(lib, "_mod_descrip"));
        }
    }
    ~Module()
    {
        if (lib != nullptr) dlclose(lib);
    }
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    const ServerRecord* Server(const char* className) const
    {
        for (const ServerRecord* s = descriptor->serverDefs; s->className != nullptr; ++s) {
            if (std::strcmp(s->className, className) == 0) return s;
        }
        return nullptr;
    }
    int Activate(const char* className, int version, void* local) const
    {
        return Server(className)->activate(version, FakeHost::Global, local, nullptr);
    }
    // The shader handler at version 4; true when it accepted.
    bool ActivateHandler() { return Activate("ShaderHandler", 4, &local) == 0; }

    void* lib;
    const ModuleDescriptor* descriptor = nullptr;
    InstanceFuncs inst{};
    ItemFuncs item{};
    RenderFuncs rend{};
    HandlerLocal local{&inst, &item, &rend, nullptr, nullptr};
};

// ---- samples --------------------------------------------------------------

constexpr unsigned char kUntouched = 0x5A;

// Whether the host's value still holds the bytes it was given.
inline bool Untouched(const double& value)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&value);
    for (size_t i = 0; i < sizeof value; ++i) {
        if (bytes[i] != kUntouched) return false;
    }
    return true;
}

// A sample of polygon of object at the object-space point p, with identity
// transforms (so the world point is p too), the world normal along +Y and
// the ray coming from above. Every other byte holds kUntouched.
inline ShaderAccess Access(uint32_t object, uint32_t polygon, double x, double y, double z,
                           double spot = 0.01)
{
    ShaderAccess a;
    std::memset(&a, kUntouched, sizeof a);
    const double p[3] = {x, y, z};
    for (int c = 0; c < 3; ++c) {
        a.oPos[c] = a.wPos[c] = p[c];
        a.raySource[c] = p[c] + (c == 1 ? 2.0 : 0.0);
        a.worldNormal[c] = c == 1 ? 1.0 : 0.0;
    }
    for (int i = 0; i < 9; ++i) {
        a.objectTransform[i] = a.worldTransform[i] = i % 4 == 0 ? 1.0 : 0.0;
    }
    a.spotSize = spot;
    a.objectId = object;
    a.polygon = polygon;
    return a;
}

}  // namespace lwtest
