// Shading samples through the module: the record handed to qm_core (texture
// coordinates from the UV cache, footprint, filter sizes, bump samples), the
// values written back to the host, and the UV cache's life.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "../../engine/tests/image_test_files.h"
#include "lw_test_support.h"
#include "nodes/image_node.h"

namespace {

using namespace lwtest;
using shaderfiles::Add;
using shaderfiles::Link;
using shaderfiles::Write;

constexpr double kRoot2 = 1.4142135623730951;

void ExpectVector(const double* v, double x, double y, double z, const char* what)
{
    EXPECT_EQ(v[0], x) << what;
    EXPECT_EQ(v[1], y) << what;
    EXPECT_EQ(v[2], z) << what;
}

// The bytes of the host record that an evaluation may write.
bool Writable(size_t byte, bool bumped)
{
    const bool surface = (byte >= 304 && byte < 384) || (byte >= 456 && byte < 472);
    return surface || (bumped && byte >= 280 && byte < 304);
}

void ExpectOthersUntouched(const ShaderAccess& after, const ShaderAccess& before, bool bumped)
{
    const auto* a = reinterpret_cast<const unsigned char*>(&after);
    const auto* b = reinterpret_cast<const unsigned char*>(&before);
    for (size_t i = 0; i < sizeof after; ++i) {
        if (!Writable(i, bumped)) {
            ASSERT_EQ(a[i], b[i]) << "byte " << i;
        }
    }
}

using LwEvaluate = LwTest;

// One sample of the typical shader with a scene record of 4 (filter factor
// 2), an object transform of 2 I, a world transform of I / 2 and a normal
// given at length 3.
TEST_F(LwEvaluate, RecordFollowsTheSampleAndQmCoreFillsTheHost)
{
    host.scene.filterSquare = 4;
    void* shader = Loaded(kTypical);
    module.rend.newTime(shader, 7, 0.29);
    ShaderAccess a = Access(kObject, kQuad, 0.25, 0, 0.75, 0.02);
    for (int i = 0; i < 9; i += 4) {
        a.objectTransform[i] = 2.0;
        a.worldTransform[i] = 0.5;
    }
    a.worldNormal[1] = 3.0;
    a.raySource[1] = 5.0;
    const ShaderAccess before = a;
    corespy::Capture spy;
    const ShadeRecord r = Shade(shader, a, &spy);

    ExpectVector(r.worldPos, 0.25, 0, 0.75, "worldPos");
    ExpectVector(r.objectPos, 0.25, 0, 0.75, "objectPos");
    ExpectVector(r.baseNormal, 0, 1, 0, "baseNormal");
    ExpectVector(r.objectBaseNormal, 0, 2, 0, "objectBaseNormal");
    ExpectVector(r.incident, 0, -1, 0, "incident");
    // Triangle (2, 3, 0) of the quad: weights 1/4, 1/2, 1/4; v from the top.
    EXPECT_EQ(r.u, 0.375);
    EXPECT_EQ(r.v, 1.0 - 0.5625);
    EXPECT_EQ(r.frame, 7.0);
    EXPECT_EQ(r.filterSize, 0.04);
    EXPECT_NEAR(r.objectFilterSize, 0.08, 1e-15);
    // Neighbours 0.04 away along (-1, 0, 1)/sqrt 2 and (1, 0, 1)/sqrt 2, where
    // u = 0.125 + 0.625 x + 0.125 z and v = 0.125 + 0.25 x + 0.5 z.
    EXPECT_NEAR(r.du, 0.04 * 0.75 / kRoot2, 1e-15);
    EXPECT_NEAR(r.dv, 0.04 * 0.75 / kRoot2, 1e-15);

    // The bump: the centre at O wPos, then a step of 0.04 along each world
    // axis of the object, all without footprint.
    ASSERT_EQ(spy.bumps.size(), 4u);
    const double points[4][3] = {
        {0.25, 0, 0.75}, {0.29, 0, 0.75}, {0.25, 0.04, 0.75}, {0.25, 0, 0.79}};
    for (int j = 0; j < 4; ++j) {
        const ShadeRecord& b = spy.bumps[j];
        ExpectVector(b.worldPos, points[j][0], points[j][1], points[j][2], "bump worldPos");
        ExpectVector(b.objectPos, 2 * points[j][0], 2 * points[j][1], 2 * points[j][2],
                     "bump objectPos");
        EXPECT_TRUE(b.filterSize == 0 && b.objectFilterSize == 0 && b.du == 0 && b.dv == 0) << j;
    }
    EXPECT_TRUE(spy.bumps[0].u == r.u && spy.bumps[0].v == r.v);
    // N' = normalise(N - W d A0 boost) with d the height differences.
    const double a0 = spy.bumps[0].bumpAmplitude;
    double bent[3];
    for (int c = 0; c < 3; ++c) {
        const double d = spy.bumps[c + 1].bumpTexture - spy.bumps[0].bumpTexture;
        bent[c] = (c == 1 ? 1.0 : 0.0) - 0.5 * d * a0;
    }
    const double length = std::sqrt(bent[0] * bent[0] + bent[1] * bent[1] + bent[2] * bent[2]);
    ASSERT_NE(bent[0], 0.0);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(r.normal[c], bent[c] / length, 1e-15) << c;
        EXPECT_EQ(r.objectNormal[c], 2 * r.normal[c]) << c;
        EXPECT_EQ(a.worldNormal[c], r.normal[c]) << c;
    }

    // The host gets what qm_core makes of that record.
    ShadeRecord direct = r;
    NHandle* typical = QM_Load(kTypical.c_str());  // the module's handle, shared
    corespy::RealEvalShade(typical, &direct);
    QM_Close(typical);
    ExpectVector(a.color, direct.color[0], direct.color[1], direct.color[2], "color");
    const double values[][2] = {{a.diffuse, direct.diffuse},
                                {a.specular, direct.specular},
                                {a.luminosity, direct.luminosity},
                                {a.mirror, direct.reflection},
                                {a.transparency, direct.transparency},
                                {a.eta, direct.eta},
                                {a.colorHighlight, direct.colorHighlight},
                                {a.colorFilter, direct.colorFilter}};
    for (const auto& [host, core] : values) EXPECT_EQ(host, core);
    EXPECT_EQ(a.roughness, static_cast<double>(static_cast<long double>(direct.roughness) * 0.1L));
    ExpectOthersUntouched(a, before, true);
}

// M v for a row-major 3x3 matrix.
std::array<double, 3> Times(const double* M, const std::array<double, 3>& v)
{
    return {M[0] * v[0] + M[1] * v[1] + M[2] * v[2], M[3] * v[0] + M[4] * v[1] + M[5] * v[2],
            M[6] * v[0] + M[7] * v[1] + M[8] * v[2]};
}

std::array<double, 3> Normalized(const std::array<double, 3>& v)
{
    const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    return {v[0] / length, v[1] / length, v[2] / length};
}

// The bump with transforms that are neither diagonal nor symmetric: the
// steps go along the columns of W, the object points are O P, and the
// gradient is W d, not its transpose.
TEST_F(LwEvaluate, BumpFollowsTheColumnsOfTheWorldTransform)
{
    void* shader = Loaded(kTypical);
    ShaderAccess a = Access(kObject, kQuad, 0.25, 0, 0.75, 0.02);
    const double O[9] = {2.0, 0.0, 0.5, 0.25, 1.0, 0.0, 0.0, 0.5, 1.0};
    const double W[9] = {1.0, 0.5, 0.0, 0.0, 1.0, 0.25, 0.5, 0.0, 1.0};
    const double Wt[9] = {W[0], W[3], W[6], W[1], W[4], W[7], W[2], W[5], W[8]};
    std::memcpy(a.objectTransform, O, sizeof O);
    std::memcpy(a.worldTransform, W, sizeof W);
    corespy::Capture spy;
    const ShadeRecord r = Shade(shader, a, &spy);
    ASSERT_EQ(spy.bumps.size(), 4u);

    // The centre at O wPos, then a step of the spot size along each column.
    const std::array<double, 3> wPos = {0.25, 0, 0.75};
    for (int j = 0; j < 4; ++j) {
        std::array<double, 3> p = wPos;
        if (j > 0) {
            const std::array<double, 3> axis = Normalized({W[j - 1], W[j + 2], W[j + 5]});
            for (int c = 0; c < 3; ++c) p[c] += 0.02 * axis[c];
        }
        const std::array<double, 3> q = Times(O, p);
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(spy.bumps[j].worldPos[c], p[c], 1e-15) << j << " " << c;
            EXPECT_NEAR(spy.bumps[j].objectPos[c], q[c], 1e-15) << j << " " << c;
        }
    }

    // N' = normalise(N - W d A0), and its object form O N'.
    const double a0 = spy.bumps[0].bumpAmplitude;
    std::array<double, 3> d;
    for (int j = 0; j < 3; ++j) d[j] = spy.bumps[j + 1].bumpTexture - spy.bumps[0].bumpTexture;
    const auto bend = [&](const double* M) {
        const std::array<double, 3> g = Times(M, d);
        return Normalized({-g[0] * a0, 1.0 - g[1] * a0, -g[2] * a0});
    };
    const std::array<double, 3> bent = bend(W);
    const std::array<double, 3> transposed = bend(Wt);
    ASSERT_GT(std::fabs(bent[0] - transposed[0]) + std::fabs(bent[2] - transposed[2]), 1e-6)
        << "this bump cannot tell W d from its transpose";
    const std::array<double, 3> bentObject = Times(O, bent);
    for (int c = 0; c < 3; ++c) {
        EXPECT_NEAR(r.normal[c], bent[c], 1e-15) << c;
        EXPECT_NEAR(r.objectNormal[c], bentObject[c], 1e-15) << c;
        EXPECT_EQ(a.worldNormal[c], r.normal[c]) << c;
    }
}

TEST_F(LwEvaluate, SurfaceValuesAndRoughnessScale)
{
    const std::string file = dir.File("constant.shd");
    ASSERT_TRUE(Write(file, shaderfiles::ConstantGraph, 0.47));
    void* shader = Loaded(file);
    const ShaderAccess before = Access(kObject, kQuad, 0.5, 0, 0.5);
    const ShaderAccess a = Evaluate(shader, before);
    ExpectVector(a.color, 0.47, 0.47 / 2, 0.47 / 4, "color");
    const double written[] = {a.diffuse,    a.specular,       -1.0,
                              a.luminosity, a.mirror,         a.transparency,
                              a.eta,        a.colorHighlight, a.colorFilter};
    for (int i = 0; i < 9; ++i) {
        if (i != 2) {
            EXPECT_EQ(written[i], 0.47 + 0.01 * (i + 1)) << i;
        }
    }
    EXPECT_EQ(a.roughness, static_cast<double>(static_cast<long double>(0.47 + 0.01 * 3) * 0.1L));
    EXPECT_NEAR(a.roughness, 0.05, 1e-16);
    ExpectOthersUntouched(a, before, false);

    // A roughness of 0.4: a plain double product would round its tenth one
    // unit higher.
    const std::string rough = dir.File("rough.shd");
    ASSERT_TRUE(Write(rough, shaderfiles::ConstantGraph, 0.37));
    ShaderAccess r = before;
    const double roughness = Shade(Loaded(rough), r).roughness;
    const double tenth = static_cast<double>(static_cast<long double>(roughness) * 0.1L);
    ASSERT_NE(roughness * 0.1, tenth) << "both roundings agree on " << roughness;
    EXPECT_EQ(std::bit_cast<uint64_t>(r.roughness), std::bit_cast<uint64_t>(tenth));

    // A graph without root: qm_core's defaults reach the host.
    const std::string rootless = dir.File("rootless.shd");
    ASSERT_TRUE(Write(rootless, shaderfiles::RootlessGraph));
    const ShaderAccess d = Evaluate(Loaded(rootless), before);
    ExpectVector(d.color, 0.78, 0.78, 0.78, "default color");
    EXPECT_TRUE(d.diffuse == 1.0 && d.eta == 1.0 && d.specular == 0.0 && d.roughness == 0.0);
}

TEST_F(LwEvaluate, NoShaderLeavesTheSampleToTheHost)
{
    void* shader = Loaded(dir.File("missing.shd"));
    const ShaderAccess before = Access(kObject, kQuad, 0.5, 0, 0.5);
    const ShaderAccess after = Evaluate(shader, before);
    EXPECT_EQ(std::memcmp(&after, &before, sizeof after), 0);
}

// u and v at corners, inside, on and beyond edges, across the seam, and the
// polygons that have none. v is counted from the top in the record.
TEST_F(LwEvaluate, TextureCoordinatesFromTheMesh)
{
    void* shader = Loaded(kTypical);
    struct Case {
        uint32_t polygon;
        double x, y, z;
        double u, v;  // as the map holds them
    };
    const Case cases[] = {
        {kQuad, 0, 0, 0, 0.125, 0.125},          // corner 0
        {kQuad, 1, 0, 0, 0.875, 0.125},          // corner 1
        {kQuad, 0, 0, 1, 0.25, 0.625},           // corner 3: only triangle (2, 3, 0) has it
        {kQuad, 0.75, 0, 0.25, 0.6875, 0.3125},  // inside triangle (0, 1, 2)
        {kQuad, 0.25, 0, 0.75, 0.375, 0.5625},   // inside triangle (2, 3, 0)
        {kSeam, 1, 0, 0, 0.375, 0.75},           // the seam polygon's own UV at p1
        {kSeam, 0, 0, 1, 0.5, 0.5625},           // the first polygon of that id, far off
                                                 // (the second has p3 with (0.25, 0.625))
        {kSeam, 2, 0, 0, 0.625, 0.375},          // the point's UV at p4
        {kSeam, 1.5, 0, 0, 0.5, 0.5625},         // middle of edge p1 p4
        {kSeam, 1.5, 0.5, 0, 0.5, 0.5625},       // above it: projected onto the plane
        {kSeam, 1.5, 0, -1, 0.4375, 0.65625},    // beyond it: 3/4 p1, 1/4 p4
        {kSeam2, 2, 0, 1, 0.25, 0.75},           // (1.25, -0.25) wrapped
    };
    for (const Case& c : cases) {
        const auto [u, v] = UV(shader, c.polygon, c.x, c.y, c.z);
        EXPECT_EQ(u, c.u) << c.polygon << " at " << c.x << ", " << c.y << ", " << c.z;
        EXPECT_EQ(v, 1.0 - c.v) << c.polygon << " at " << c.x << ", " << c.y << ", " << c.z;
    }
    // No UV data: (0, 0) without the flip, and no footprint.
    void* plain = Loaded(kTypical, kPlainSurface);
    const std::pair<void*, uint32_t> none[] = {
        {shader, kPentagon}, {shader, kMissing}, {plain, kQuad}};
    for (const auto& [instance, polygon] : none) {
        ShaderAccess a = Access(kObject, polygon, 0.5, 0, 0.5);
        const ShadeRecord r = Shade(instance, a);
        EXPECT_TRUE(r.u == 0 && r.v == 0 && r.du == 0 && r.dv == 0) << polygon;
    }
}

// Beyond a corner two weight sums exceed 1, and the first of the pairs AB,
// BC, AC that does picks the edge. Triangle kSeam: A = p1, B = p4, C = p2.
TEST_F(LwEvaluate, OutsidePointsClampOntoTheFirstPairAboveOne)
{
    void* shader = Loaded(kTypical);
    const double uvA[2] = {0.375, 0.75};
    const double uvB[2] = {0.625, 0.375};
    const double uvC[2] = {0.5, 0.25};
    struct Case {
        double x, z;
        double wA, wB, wC;  // after the clamp
    };
    const Case cases[] = {
        {2.5, -0.25, 1.0 / 7, 6.0 / 7, 0.0},   // beyond B: AB and BC above 1
        {0.75, 1.5, 0.0, 1.0 / 7, 6.0 / 7},    // beyond C: BC and AC
        {0.75, -0.25, 6.0 / 7, 1.0 / 7, 0.0},  // beyond A: AB and AC
    };
    for (const Case& c : cases) {
        const auto [u, v] = UV(shader, kSeam, c.x, 0, c.z);
        EXPECT_NEAR(u, c.wA * uvA[0] + c.wB * uvB[0] + c.wC * uvC[0], 1e-12) << c.x << ", " << c.z;
        EXPECT_NEAR(v, 1.0 - (c.wA * uvA[1] + c.wB * uvB[1] + c.wC * uvC[1]), 1e-12)
            << c.x << ", " << c.z;
    }
}

// Corner UVs of exactly 0, 1 and -1: 0 stays 0, 1 wraps to 0, -1 to 1.
TEST_F(LwEvaluate, WholeNumberCoordinatesWrap)
{
    constexpr uint32_t kOther = 4;
    FakeMesh mesh(&object.map);
    const uint32_t a = mesh.AddPoint(0, 0, 0, 0.0f, 0.0f);
    const uint32_t b = mesh.AddPoint(1, 0, 0, 1.0f, -1.0f);
    const uint32_t c = mesh.AddPoint(0, 0, 1, 0.5f, 0.5f);
    mesh.AddPolygon(81, {a, b, c});
    host.meshes[kOther] = &mesh;
    void* shader = Loaded(kTypical);
    ShaderAccess atA = Access(kOther, 81, 0, 0, 0);
    const ShadeRecord rA = Shade(shader, atA);
    EXPECT_EQ(std::make_pair(rA.u, rA.v), std::make_pair(0.0, 1.0 - 0.0));
    ShaderAccess atB = Access(kOther, 81, 1, 0, 0);
    const ShadeRecord rB = Shade(shader, atB);
    EXPECT_EQ(std::make_pair(rB.u, rB.v), std::make_pair(0.0, 1.0 - 1.0));
}

// A triangle without area gives the UV of its nearest corner, finite.
TEST_F(LwEvaluate, FlatTriangleGivesTheNearestCorner)
{
    void* shader = Loaded(kTypical);
    EXPECT_EQ(UV(shader, kFlat, 0.25, 0, 0), std::make_pair(0.125, 1 - 0.125));
    EXPECT_EQ(UV(shader, kFlat, 0.45, 0, 0.1), std::make_pair(0.5, 1 - 0.5));
    ShaderAccess a = Access(kObject, kFlat, 0.9, 0, 0.3);
    const ShadeRecord r = Shade(shader, a);
    EXPECT_TRUE(std::isfinite(r.du) && std::isfinite(r.dv) && std::isfinite(a.color[0]));
}

// The reference point (the sample's own position) picks the quad's triangle
// also for a bump sample that lies over the other one.
TEST_F(LwEvaluate, QuadTriangleFollowsTheReferencePoint)
{
    const std::string file = dir.File("linked.shd");
    ASSERT_TRUE(Write(file, shaderfiles::LinkedGraph, 0.25));
    void* shader = Loaded(file);
    ShaderAccess a = Access(kObject, kQuad, 0.75, 0, 0.25, 0.625);
    corespy::Capture spy;
    Shade(shader, a, &spy);
    ASSERT_EQ(spy.bumps.size(), 4u);
    // (0.75, 0, 0.875), clamped onto edge 0-2 of triangle (0, 1, 2): 2/9 of
    // corner 0 and 7/9 of corner 2.
    const double expected = (0.25 * 0.125 + 0.875 * 0.875) / 1.125;
    EXPECT_DOUBLE_EQ(spy.bumps[3].u, expected);
    EXPECT_DOUBLE_EQ(spy.bumps[3].v, 1.0 - expected);
}

TEST_F(LwEvaluate, FootprintAndFilterFactor)
{
    void* shader = Loaded(kTypical);
    struct Case {
        bool scene;
        int32_t square;
        double spot;
        double filterSize;
        double step;
    };
    const Case cases[] = {
        {true, 4, 0.02, 0.04, 0.04},  {true, 1, 0.02, 0.02, 0.02},
        {false, 4, 0.02, 0.02, 0.02}, {true, -9, 0.02, 0.02, 0.02},  // no sqrt of -9
        {true, 4, 0.0, 0.0, 2e-10},                                  // the smallest step
    };
    for (const Case& c : cases) {
        host.offer["LW Scene Info 3"] = c.scene;
        host.scene.filterSquare = c.square;
        ASSERT_TRUE(module.ActivateHandler());
        ShaderAccess a = Access(kObject, kQuad, 0.25, 0, 0.75, c.spot);
        const ShadeRecord r = Shade(shader, a);
        EXPECT_EQ(r.filterSize, c.filterSize) << c.square;
        EXPECT_NEAR(r.du, c.step * 0.75 / kRoot2, c.step * 1e-5) << c.square;
        EXPECT_NEAR(r.dv, c.step * 0.75 / kRoot2, c.step * 1e-5) << c.square;
    }
}

// A bump texture rising along x: planar projection of a black-to-white
// ramp picture onto the object's x.
void RampBump(NodeList& list, std::string picture)
{
    NRoot& root = Add<NRoot>(list);
    NImage& ramp = Add<NImage>(list);
    ramp.params[0].value.text = std::move(picture);
    ramp.params[1].value.components[0] = 0;  // planar
    ramp.params[2].value.components[0] = 1;  // along Y
    ramp.params[9].value.components[0] = 0;  // no filtering
    Link(root, NRoot::kBumpTexture, ramp);
    root.params[NRoot::kBumpAmplitude].value.components[0] = 1.0;
}

TEST_F(LwEvaluate, BumpBendsTheNormalDownhill)
{
    // Constant height: the normal is only normalised, in the record and at
    // the host.
    const std::string flat = dir.File("flat.shd");
    ASSERT_TRUE(Write(flat, shaderfiles::LinkedGraph, 0.25));
    ShaderAccess a = Access(kObject, kQuad, 0.1, 0, 0.2, 0.05);
    a.worldNormal[1] = 2.0;
    const ShadeRecord r = Shade(Loaded(flat), a);
    ExpectVector(r.normal, 0, 1, 0, "flat normal");
    ExpectVector(a.worldNormal, 0, 1, 0, "flat host normal");

    const std::string picture = dir.File("ramp.bmp");
    imagetest::WriteFile(picture, imagetest::Encode(imagetest::Rgb24(2, 1, {0x000000, 0xFFFFFF})));
    const std::string sloped = dir.File("sloped.shd");
    ASSERT_TRUE(Write(sloped, RampBump, picture));
    void* shader = Loaded(sloped);
    double tilt[2];
    for (int k = 0; k < 2; ++k) {
        const double boost = k + 1.0;
        Set(shader, QM_LW_ID_BUMP_BOOST, &boost);
        ShaderAccess s = Access(kObject, kQuad, 0.1, 0, 0.2, 0.05);
        const ShadeRecord bumped = Shade(shader, s);
        EXPECT_LT(s.worldNormal[0], 0.0) << "leans away from the rise";
        EXPECT_GT(s.worldNormal[1], 0.0);
        EXPECT_EQ(s.worldNormal[2], 0.0);
        EXPECT_NEAR(std::hypot(s.worldNormal[0], s.worldNormal[1]), 1.0, 1e-15);
        ExpectVector(bumped.baseNormal, 0, 1, 0, "unbumped base");
        tilt[k] = -s.worldNormal[0] / s.worldNormal[1];
    }
    // The height rises by the step (0.05) over the step: slope 1 per boost.
    EXPECT_NEAR(tilt[0], 0.05, 1e-9);
    EXPECT_NEAR(tilt[1], 0.10, 1e-9);
}

using LwUVCache = LwTest;

// Each pair is built once until the next clear; every init, new time and
// cleanup clears the cache and fetches the services again.
TEST_F(LwUVCache, PairsAreBuiltOncePerFrame)
{
    void* shader = Loaded(kTypical);
    void* plain = Loaded(kTypical, kPlainSurface);
    const int asked = host.Asked("Texture Functions 3");
    for (int i = 0; i < 3; ++i) {
        UV(shader, kQuad, 0.5, 0, 0.5);
        UV(plain, kQuad, 0.5, 0, 0.5);
    }
    EXPECT_EQ(host.getTexCalls.load(), 2);
    EXPECT_EQ(object.mesh.scans.load(), 1);  // the plain surface has no UV layer to scan
    EXPECT_EQ(host.badArguments.load(), 0);

    // The map changed in the host: seen after a clear only.
    object.mesh.SetPointUV(object.p[0], 0.5f, 0.5f);
    EXPECT_EQ(UV(shader, kQuad, 0, 0, 0).first, 0.125);
    module.rend.newTime(shader, 2, 0.0);
    EXPECT_EQ(UV(shader, kQuad, 0, 0, 0).first, 0.5);
    EXPECT_EQ(host.getTexCalls.load(), 3);
    module.rend.cleanup(plain);
    module.rend.init(plain, 0);
    EXPECT_EQ(host.Asked("Texture Functions 3"), asked + 3);
    EXPECT_EQ(host.Asked("Surface Functions 2"), host.Asked("LW Object Info 4"));
}

TEST_F(LwUVCache, ScanStopsAtAPointWithoutUV)
{
    constexpr uint32_t kOther = 4;
    FakeMesh mesh(&object.map);
    const uint32_t a = mesh.AddPoint(0, 0, 0, 0.25f, 0.25f);
    const uint32_t b = mesh.AddPoint(1, 0, 0, 0.75f, 0.25f);
    const uint32_t c = mesh.AddPoint(0, 0, 1, 0.25f, 0.75f);
    const uint32_t bare = mesh.AddPoint(1, 0, 1);
    mesh.AddPolygon(81, {a, b, c});
    mesh.AddPolygon(82, {b, bare, c});
    mesh.AddPolygon(83, {a, b, c});
    host.meshes[kOther] = &mesh;
    void* shader = Loaded(kTypical);
    ShaderAccess first = Access(kOther, 81, 0, 0, 0);
    EXPECT_EQ(Shade(shader, first).u, 0.25);
    ShaderAccess after = Access(kOther, 83, 0, 0, 0);
    EXPECT_EQ(Shade(shader, after).u, 0.0);

    // A map the mesh cannot select, or services the host lacks: no UVs.
    object.uvTexture.layers = {{0, 5, &object.otherMap}};
    module.rend.newTime(shader, 1, 0.0);
    EXPECT_EQ(UV(shader, kQuad, 0, 0, 0), std::make_pair(0.0, 0.0));
    object.uvTexture.layers = {{0, 5, &object.map}};
    for (const char* service : {"Texture Functions 3", "Surface Functions 2", "LW Object Info 4"}) {
        host.offer[service] = false;
        module.rend.newTime(shader, 1, 0.0);
        EXPECT_EQ(UV(shader, kQuad, 0, 0, 0), std::make_pair(0.0, 0.0)) << service;
        host.offer[service] = true;
    }
    module.rend.newTime(shader, 1, 0.0);
    EXPECT_EQ(UV(shader, kQuad, 0, 0, 0), std::make_pair(0.125, 0.875));
}

}  // namespace
