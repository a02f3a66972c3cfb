#pragma once
// The fixture of the module's host tests: a fake host with one UV-mapped
// object, QM_Shader.p loaded and its shader handler activated, instances
// made and driven as the host drives them.
//
// The object (id kObject) lies in the plane y = 0; u and v are exact binary
// fractions so that interpolated values compare exactly:
//
//   p3 (0,0,1) +-------+ p2 (1,0,1) +------+ p5 (2,0,1)
//              |  kQuad|            |kSeam2|
//              |       | kSeam      |      |
//   p0 (0,0,0) +-------+ p1 (1,0,0) +------+ p4 (2,0,0)
//
// kQuad uses the points' UVs (not affine: corner 3 is off the plane of the
// other three); kSeam (p1, p4, p2) has its own UVs at p1 and p2; kSeam2
// (p4, p5, p2) gives p5 a UV beyond [0, 1]. kPentagon has five corners;
// kFlat is a triangle without area. A second polygon with the id kSeam
// follows last. Surface kUVSurface maps the object through a UV layer;
// surface kPlainSurface has no UV layer.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "../../core/tests/shader_files.h"
#include "core_spy.h"
#include "lw_fake_host.h"

namespace lwtest {

constexpr uint32_t kObject = 3;
constexpr uint32_t kUVSurface = 10;
constexpr uint32_t kPlainSurface = 20;
constexpr uint32_t kQuad = 71;
constexpr uint32_t kSeam = 72;
constexpr uint32_t kSeam2 = 73;
constexpr uint32_t kPentagon = 74;
constexpr uint32_t kFlat = 75;
constexpr uint32_t kMissing = 99;

const std::string kTypical = std::string(QM_EXAMPLES_DIR) + "/typical.shd";

struct TestObject {
    TestObject()
    {
        p[0] = mesh.AddPoint(0, 0, 0, 0.125f, 0.125f);
        p[1] = mesh.AddPoint(1, 0, 0, 0.875f, 0.125f);
        p[2] = mesh.AddPoint(1, 0, 1, 0.875f, 0.875f);
        p[3] = mesh.AddPoint(0, 0, 1, 0.25f, 0.625f);
        p[4] = mesh.AddPoint(2, 0, 0, 0.625f, 0.375f);
        p[5] = mesh.AddPoint(2, 0, 1);
        p[6] = mesh.AddPoint(0.5f, 0, 0, 0.5f, 0.5f);
        mesh.AddPolygon(kQuad, {p[0], p[1], p[2], p[3]});
        mesh.AddPolygon(kSeam, {p[1], p[4], p[2]});
        mesh.SetPolyUV(kSeam, p[1], 0.375f, 0.75f);
        mesh.SetPolyUV(kSeam, p[2], 0.5f, 0.25f);
        mesh.AddPolygon(kSeam2, {p[4], p[5], p[2]});
        mesh.SetPolyUV(kSeam2, p[5], 1.25f, -0.25f);
        mesh.AddPolygon(kPentagon, {p[0], p[1], p[4], p[5], p[3]});
        mesh.AddPolygon(kFlat, {p[0], p[1], p[6]});
        mesh.AddPolygon(kSeam, {p[0], p[1], p[3]});
    }

    int map = 0;
    int otherMap = 0;
    FakeMesh mesh{&map};
    uint32_t p[7];
    // A layer of another type, an image layer of another projection, the UV
    // layer, and a second UV layer whose map the mesh does not have.
    FakeTexture uvTexture{{{1, 5, &map}, {0, 3, &map}, {0, 5, &map}, {0, 5, &otherMap}}};
    FakeTexture plainTexture{{{0, 1, &map}}};
};

class LwTest : public ::testing::Test {
protected:
    LwTest()
    {
        host.meshes[kObject] = &object.mesh;
        host.textures[kUVSurface] = &object.uvTexture;
        host.textures[kPlainSurface] = &object.plainTexture;
    }
    void SetUp() override
    {
        ASSERT_NE(module.lib, nullptr) << dlerror();
        ASSERT_TRUE(module.ActivateHandler());
    }
    void TearDown() override
    {
        for (void* instance : instances) module.inst.destroy(instance);
    }

    void* Create(uint32_t surface = kUVSurface)
    {
        void* instance =
            module.inst.create(nullptr, reinterpret_cast<void*>(uintptr_t{surface}), nullptr);
        if (instance != nullptr) instances.push_back(instance);
        return instance;
    }
    void Destroy(void* instance)
    {
        std::erase(instances, instance);
        module.inst.destroy(instance);
    }
    // Opens the instance's panel, which hands the host the panel's data
    // callbacks; true when the interface accepted.
    bool OpenPanel(void* instance)
    {
        InterfaceLocal ui{instance, nullptr, nullptr, nullptr};
        return module.Activate("ShaderInterface", 4, &ui) == 0;
    }
    int Set(void* instance, uint32_t id, const void* value)
    {
        return OpenPanel(instance) ? host.panelLog.set(instance, id, const_cast<void*>(value)) : -1;
    }
    void* Get(void* instance, uint32_t id)
    {
        return OpenPanel(instance) ? host.panelLog.get(instance, id) : nullptr;
    }
    std::string FileName(void* instance)
    {
        const char* name = static_cast<const char*>(Get(instance, QM_LW_ID_FILE_NAME));
        return name != nullptr ? name : "(none)";
    }
    // An instance on surface with the file set and a render begun.
    void* Loaded(const std::string& file, uint32_t surface = kUVSurface)
    {
        void* instance = Create(surface);
        Set(instance, QM_LW_ID_FILE_NAME, file.c_str());
        module.rend.init(instance, 0);
        return instance;
    }
    ShaderAccess Evaluate(void* instance, ShaderAccess a)
    {
        module.local.evaluate(instance, &a);
        return a;
    }
    // The record the module handed to QM_EvalShade for the sample (and the
    // bump records into spy->bumps); fails the test when there was none.
    ShadeRecord Shade(void* instance, ShaderAccess& a, corespy::Capture* spy = nullptr)
    {
        std::optional<corespy::Capture> own;
        corespy::Capture& capture = spy ? *spy : own.emplace();
        module.local.evaluate(instance, &a);
        EXPECT_EQ(capture.shades.size(), 1u);
        return capture.shades.empty() ? ShadeRecord{} : capture.shades.back();
    }
    // u and v as the module puts them into the record.
    std::pair<double, double> UV(void* instance, uint32_t polygon, double x, double y, double z)
    {
        ShaderAccess a = Access(kObject, polygon, x, y, z);
        const ShadeRecord r = Shade(instance, a);
        return {r.u, r.v};
    }

    FakeHost host;
    TestObject object;
    Module module;
    shaderfiles::TempDir dir;
    std::vector<void*> instances;
};

}  // namespace lwtest
