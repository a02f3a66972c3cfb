#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "geometry/texture_space.h"
#include "granulix.h"
#include "node_test_helpers.h"
#include "nodes/noise_nodes.h"

using namespace nodetest;

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

EvalContext At(Vector3 object, Vector3 world = {0.0, 0.0, 0.0})
{
    EvalContext context{};
    context.objectPos[0] = object.x;
    context.objectPos[1] = object.y;
    context.objectPos[2] = object.z;
    context.worldPos[0] = world.x;
    context.worldPos[1] = world.y;
    context.worldPos[2] = world.z;
    return context;
}

// The point as granulix takes it.
struct P3 {
    explicit P3(const Vector3& v) : p{v.x, v.y, v.z} {}
    double p[3];
};

double Result(Node& node, const EvalContext& context)
{
    return Sample(node, context)[0];
}

// Output 0 holds r in all three components.
void ExpectResult(Node& node, const EvalContext& context, double r)
{
    const auto v = Sample(node, context);
    EXPECT_EQ(v[0], r);
    EXPECT_EQ(v[1], r);
    EXPECT_EQ(v[2], r);
}

void ExpectInputs(const Node& node, std::vector<ExpectedPort> own)
{
    std::vector<ExpectedPort> want = {Choice("coordinate", "object\nworld", 0),
                                      Vector("center", 0, 0, 0), Vector("scale", 1, 1, 1),
                                      Vector("rotate", 0, 0, 0)};
    want.insert(want.end(), own.begin(), own.end());
    EXPECT_EQ(node.category, "Noise");
    EXPECT_FALSE(node.isRoot);
    ASSERT_EQ(node.paramCount, static_cast<int32_t>(want.size())) << node.name;
    for (size_t i = 0; i < want.size(); ++i) {
        const NodeParam& p = node.params[i];
        SCOPED_TRACE(node.name + "." + want[i].name);
        EXPECT_EQ(p.name, want[i].name);
        EXPECT_EQ(p.value.type, want[i].dataType);
        EXPECT_EQ(p.editKind, want[i].editKind);
        EXPECT_EQ(p.connectable, want[i].connectable);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(p.value.components[c], want[i].value[c]);
        }
        EXPECT_EQ(p.value.text, want[i].text);
    }
}

void ExpectOutputs(const Node& node, std::vector<std::pair<std::string, int32_t>> want)
{
    ASSERT_EQ(node.outputCount, static_cast<int32_t>(want.size())) << node.name;
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(node.outputs[i].name, want[i].first) << node.name << " output " << i;
        EXPECT_EQ(node.outputs[i].value.type, want[i].second) << node.name << " output " << i;
    }
}

// A source whose evaluation is recorded in a shared log.
class Recorder : public Node {
public:
    Recorder(std::vector<int>& log, int tag, int32_t type, double value) : log_(log), tag_(tag)
    {
        desc_[0] = OutputDesc{"out", type};
        Setup("recorder", "Test", 0, nullptr, 1, desc_, 0);
        double* v = outputs[0].value.components;
        v[0] = v[1] = v[2] = value;
    }
    void Evaluate(const EvalContext&) override { log_.push_back(tag_); }
    std::unique_ptr<Node> Create() const override { return nullptr; }

private:
    std::vector<int>& log_;
    int tag_;
    OutputDesc desc_[1] = {};
};

// A texture-space set-up used by several tests: the same transform for the
// node and for the direct call.
const Vector3 kCenter{0.3, -1.2, 2.5};
const Vector3 kScale{2.0, 0.5, 1.5};
const Vector3 kRotate{30.0, -45.0, 90.0};

void Transform(Node& node)
{
    SetValue(node, NoiseNode::kCenter, kCenter.x, kCenter.y, kCenter.z);
    SetValue(node, NoiseNode::kScale, kScale.x, kScale.y, kScale.z);
    SetValue(node, NoiseNode::kRotate, kRotate.x, kRotate.y, kRotate.z);
}

const Vector3 kPoints[] = {
    {0.0, 0.0, 0.0}, {0.37, 1.91, -2.4}, {-5.5, 3.25, 0.125}, {12.7, -0.3, 44.1}, {0.5, 0.5, 0.5},
};

}  // namespace

TEST(NoiseNodes, PortTablesAndDefaults)
{
    const std::vector<ExpectedPort> fractal = {Float("octaves", 4.0), Float("lacunarity", 2.0),
                                               Float("gain", 0.5)};
    const std::vector<std::pair<std::string, int32_t>> result = {{"result", DATA_FLOAT}};

    auto noise = NNoise::New();
    EXPECT_EQ(noise->name, "noise");
    ExpectInputs(*noise, {});
    ExpectOutputs(*noise, result);

    auto turbulence = NTurbulence::New();
    EXPECT_EQ(turbulence->name, "turbulence");
    ExpectInputs(*turbulence, fractal);
    ExpectOutputs(*turbulence, result);

    auto fbm = NfBm::New();
    EXPECT_EQ(fbm->name, "fBm");
    ExpectInputs(*fbm, fractal);
    ExpectOutputs(*fbm, result);

    auto voronoi = NVoronoi::New();
    EXPECT_EQ(voronoi->name, "voronoi");
    ExpectInputs(*voronoi, {Float("jitter", 1.0)});
    // Both positions are named "p1".
    ExpectOutputs(
        *voronoi,
        {{"f1", DATA_FLOAT}, {"f2", DATA_FLOAT}, {"p1", DATA_VECTOR}, {"p1", DATA_VECTOR}});

    std::vector<ExpectedPort> crumpleInputs = fractal;
    crumpleInputs.push_back(Float("jitter", 1.0));
    for (auto make : {NCrumple::New, NCrumple2::New}) {
        auto node = make();
        ExpectInputs(*node, crumpleInputs);
        ExpectOutputs(*node, result);
    }
    EXPECT_EQ(NCrumple::New()->name, "crumple");
    EXPECT_EQ(NCrumple2::New()->name, "crumple2");

    for (auto make :
         {NNoise::New, NTurbulence::New, NfBm::New, NVoronoi::New, NCrumple::New, NCrumple2::New}) {
        auto node = make();
        EXPECT_TRUE(SameType(*node->Create(), *node)) << node->name;
    }
}

TEST(NoiseNodes, FreshNoiseSamplesObjectSpaceUntransformed)
{
    auto node = NNoise::New();
    node->BeginRender();
    for (const Vector3& p : kPoints) {
        const EvalContext context = At(p, {p.x + 7.25, p.y - 3.5, p.z + 1.0});
        const P3 q(p);
        const double r = ClampResult(pnoise3(q.p) * 0.5 + 0.5);
        ExpectResult(*node, context, r);
        EXPECT_GE(r, 0.0);
        EXPECT_LE(r, 1.0);
    }
    // Without any BeginRender the node samples object space as well.
    auto unprepared = NNoise::New();
    const Vector3 p = kPoints[1];
    const P3 q(p);
    ExpectResult(*unprepared, At(p, {9.0, 9.0, 9.0}), ClampResult(pnoise3(q.p) * 0.5 + 0.5));
}

TEST(NoiseNodes, CoordinateChoiceIsCachedAtBeginRender)
{
    const auto owned = NNoise::New();
    auto* node = static_cast<NNoise*>(owned.get());
    const Vector3 object{0.37, 1.91, -2.4};
    const Vector3 world{-5.5, 3.25, 0.125};
    const EvalContext context = At(object, world);
    const P3 o(object);
    const P3 w(world);
    const double fromObject = pnoise3(o.p) * 0.5 + 0.5;
    const double fromWorld = pnoise3(w.p) * 0.5 + 0.5;
    ASSERT_NE(fromObject, fromWorld);

    SetValue(*node, NoiseNode::kCoordinate, 1.0);
    ExpectResult(*node, context, fromObject);  // not read until the next render
    node->BeginRender();
    EXPECT_EQ(node->coordinate, 1);
    ExpectResult(*node, context, fromWorld);

    // Indexes outside the list leave the cached index alone.
    for (double outside : {2.0, -1.0, 7.5, kNaN}) {
        SetValue(*node, NoiseNode::kCoordinate, outside);
        node->BeginRender();
        EXPECT_EQ(node->coordinate, 1) << outside;
    }
    // Fractions truncate toward zero.
    SetValue(*node, NoiseNode::kCoordinate, 0.9);
    node->BeginRender();
    EXPECT_EQ(node->coordinate, 0);
    ExpectResult(*node, context, fromObject);
    SetValue(*node, NoiseNode::kCoordinate, 1.99);
    node->BeginRender();
    EXPECT_EQ(node->coordinate, 1);
    SetValue(*node, NoiseNode::kCoordinate, -0.5);
    node->BeginRender();
    EXPECT_EQ(node->coordinate, 0);
}

TEST(NoiseNodes, EveryTypeMatchesGranulixOnTheTransformedPoint)
{
    auto noise = NNoise::New();
    auto turbNode = NTurbulence::New();
    auto fbmNode = NfBm::New();
    auto crumpleNode = NCrumple::New();
    auto crumple2Node = NCrumple2::New();
    for (Node* node :
         {noise.get(), turbNode.get(), fbmNode.get(), crumpleNode.get(), crumple2Node.get()}) {
        Transform(*node);
        SetValue(*node, NoiseNode::kCoordinate, 1.0);
        node->BeginRender();
    }
    for (Node* node : {turbNode.get(), fbmNode.get()}) {
        SetValue(*node, NTurbulence::kOctaves, 5.0);
        SetValue(*node, NTurbulence::kLacunarity, 2.17);
        SetValue(*node, NTurbulence::kGain, 0.63);
    }
    for (Node* node : {crumpleNode.get(), crumple2Node.get()}) {
        SetValue(*node, NCrumple::kOctaves, 3.0);
        SetValue(*node, NCrumple::kLacunarity, 1.9);
        SetValue(*node, NCrumple::kGain, 0.7);
        SetValue(*node, NCrumple::kJitter, 0.8);
    }

    for (const Vector3& p : kPoints) {
        SCOPED_TRACE(p.x);
        const EvalContext context = At({1.0, 2.0, 3.0}, p);
        const P3 q(ToTextureSpace(p, kCenter, kScale, kRotate));
        ExpectResult(*noise, context, ClampResult(pnoise3(q.p) * 0.5 + 0.5));
        ExpectResult(*turbNode, context, ClampResult(turbulence(q.p, 5, 2.17, 0.63)));
        ExpectResult(*fbmNode, context, ClampResult(fBm(q.p, 5, 2.17, 0.63)));
        ExpectResult(*crumpleNode, context, ClampResult(crumple(q.p, 0.8, 3, 1.9, 0.7)));
        ExpectResult(*crumple2Node, context, ClampResult(crumple2(q.p, 0.8, 3, 1.9, 0.7)));
    }

    // The transform is a plain offset and division when nothing turns.
    SetValue(*noise, NoiseNode::kRotate, 0.0, 0.0, 0.0);
    const Vector3 p = kPoints[2];
    const double by[3] = {(p.x - kCenter.x) / kScale.x, (p.y - kCenter.y) / kScale.y,
                          (p.z - kCenter.z) / kScale.z};
    ExpectResult(*noise, At({0, 0, 0}, p), ClampResult(pnoise3(by) * 0.5 + 0.5));
}

TEST(NoiseNodes, ScaleAtOrBelowZeroIsHeldAtTheFloor)
{
    auto node = NNoise::New();
    SetValue(*node, NoiseNode::kScale, 0.0, -1.0, 2.0);
    node->BeginRender();
    const Vector3 p{0.0000031, 0.0000077, 0.9};
    const double q[3] = {p.x / 0.00001, p.y / 0.00001, p.z / 2.0};
    const double r = Result(*node, At(p));
    EXPECT_EQ(r, ClampResult(pnoise3(q) * 0.5 + 0.5));
    EXPECT_TRUE(std::isfinite(r));
}

TEST(NoiseNodes, OctavesRoundUpToWholeCounts)
{
    EXPECT_EQ(OctaveCount(4.0), 4);
    EXPECT_EQ(OctaveCount(3.01), 4);
    EXPECT_EQ(OctaveCount(3.2), 4);
    EXPECT_EQ(OctaveCount(0.5), 1);
    EXPECT_EQ(OctaveCount(-0.5), 0);
    EXPECT_EQ(OctaveCount(-3.0), 0);
    EXPECT_EQ(OctaveCount(0.0), 0);
    // Counts a double-to-int conversion could not hold, and absurd ones, are bounded.
    EXPECT_EQ(OctaveCount(kNaN), 0);
    EXPECT_EQ(OctaveCount(-1e300), 0);
    EXPECT_EQ(OctaveCount(1e300), kMaxOctaves);
    EXPECT_EQ(OctaveCount(std::numeric_limits<double>::infinity()), kMaxOctaves);
    EXPECT_EQ(OctaveCount(kMaxOctaves - 0.5), kMaxOctaves);
    EXPECT_EQ(OctaveCount(kMaxOctaves - 1.5), kMaxOctaves - 1);

    // Through the nodes: 3.01 octaves give the four-octave sum, not three.
    const Vector3 p{0.37, 1.91, -2.4};
    const P3 q(p);
    ASSERT_NE(turbulence(q.p, 3, 2.0, 0.5), turbulence(q.p, 4, 2.0, 0.5));
    auto turb = NTurbulence::New();
    auto fbm = NfBm::New();
    auto crumpleNode = NCrumple::New();
    SetValue(*turb, NTurbulence::kOctaves, 3.01);
    SetValue(*fbm, NfBm::kOctaves, 3.01);
    SetValue(*crumpleNode, NCrumple::kOctaves, 3.01);
    ExpectResult(*turb, At(p), ClampResult(turbulence(q.p, 4, 2.0, 0.5)));
    ExpectResult(*fbm, At(p), ClampResult(fBm(q.p, 4, 2.0, 0.5)));
    ExpectResult(*crumpleNode, At(p), ClampResult(crumple(q.p, 1.0, 4, 2.0, 0.5)));

    // A stored count far too large runs the bounded number of octaves.
    SetValue(*turb, NTurbulence::kOctaves, 1e12);
    ExpectResult(*turb, At(p), ClampResult(turbulence(q.p, kMaxOctaves, 2.0, 0.5)));

    // No octaves: the library's empty sum, clamped.
    for (double none : {-0.5, -7.0, kNaN}) {
        SetValue(*turb, NTurbulence::kOctaves, none);
        ExpectResult(*turb, At(p), ClampResult(turbulence(q.p, 0, 2.0, 0.5)));
    }
}

TEST(NoiseNodes, SingleResultsAreClampedToUnitRange)
{
    EXPECT_EQ(ClampResult(0.25), 0.25);
    EXPECT_EQ(ClampResult(1.0), 1.0);
    EXPECT_EQ(ClampResult(1.5), 1.0);
    EXPECT_EQ(ClampResult(-0.2), 0.0);
    EXPECT_EQ(ClampResult(kNaN), 1.0);
    EXPECT_EQ(ClampResult(-std::numeric_limits<double>::infinity()), 0.0);

    // A gain of -1 over two octaves divides by a zero amplitude sum: the
    // library's result is not finite, the node's lies in [0, 1].
    auto fbm = NfBm::New();
    SetValue(*fbm, NfBm::kOctaves, 2.0);
    SetValue(*fbm, NfBm::kGain, -1.0);
    const Vector3 p{0.37, 1.91, -2.4};
    const P3 q(p);
    const double raw = fBm(q.p, 2, 2.0, -1.0);
    ASSERT_FALSE(std::isfinite(raw));
    const double r = Result(*fbm, At(p));
    EXPECT_EQ(r, ClampResult(raw));
    EXPECT_TRUE(r == 0.0 || r == 1.0);

    // A crumple with a large jitter reaches distances above 1.
    auto crumple2Node = NCrumple2::New();
    SetValue(*crumple2Node, NCrumple2::kJitter, 40.0);
    SetValue(*crumple2Node, NCrumple2::kOctaves, 1.0);
    bool sawAbove = false;
    for (const Vector3& point : kPoints) {
        const P3 at(point);
        const double direct = crumple2(at.p, 40.0, 1, 2.0, 0.5);
        sawAbove = sawAbove || direct > 1.0;
        ExpectResult(*crumple2Node, At(point), ClampResult(direct));
    }
    EXPECT_TRUE(sawAbove);
}

TEST(NoiseNodes, VoronoiGivesDistancesAndTextureSpacePositionsUnclamped)
{
    auto node = NVoronoi::New();
    Transform(*node);
    SetValue(*node, NVoronoi::kJitter, 0.6);
    node->BeginRender();
    for (const Vector3& p : kPoints) {
        SCOPED_TRACE(p.x);
        const EvalContext context = At(p);
        const P3 q(ToTextureSpace(p, kCenter, kScale, kRotate));
        double f1 = 0.0, f2 = 0.0, pos1[3] = {}, pos2[3] = {};
        voronoi_f1f2(q.p, 0.6, &f1, pos1, &f2, pos2);
        node->ClearEvaluated();
        node->Evaluate(context);
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(node->outputs[NVoronoi::kF1].value.components[c], f1);
            EXPECT_EQ(node->outputs[NVoronoi::kF2].value.components[c], f2);
            EXPECT_EQ(node->outputs[NVoronoi::kPos1].value.components[c], pos1[c]);
            EXPECT_EQ(node->outputs[NVoronoi::kPos2].value.components[c], pos2[c]);
        }
        EXPECT_GE(f1, 0.0);
        EXPECT_GE(f2, f1);
    }

    // Without jitter the features sit at the cell centres of texture space.
    SetValue(*node, NVoronoi::kJitter, 0.0);
    SetValue(*node, NoiseNode::kScale, 0.25, 0.25, 0.25);
    SetValue(*node, NoiseNode::kRotate, 0.0, 0.0, 0.0);
    SetValue(*node, NoiseNode::kCenter, 0.0, 0.0, 0.0);
    node->ClearEvaluated();
    node->Evaluate(At({0.3, 0.9, -0.6}));  // texture space (1.2, 3.6, -2.4)
    const double* nearest = node->outputs[NVoronoi::kPos1].value.components;
    EXPECT_EQ(nearest[0], 1.5);
    EXPECT_EQ(nearest[1], 3.5);
    EXPECT_EQ(nearest[2], -2.5);
    const double* second = node->outputs[NVoronoi::kPos2].value.components;
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(second[c] - std::floor(second[c]), 0.5) << c;
    }
}

TEST(NoiseNodes, InputsAreEvaluatedFromCenterUpwardAndLinksTakeEffect)
{
    std::vector<int> log;
    auto node = NCrumple::New();
    std::vector<std::unique_ptr<Recorder>> sources;
    // "center" 0.1, "scale" 2, "rotate" 15, "octaves" 1.5, "lacunarity" 2.5,
    // "gain" 0.4, "jitter" 0.9, each from a float source.
    const double values[] = {0.0, 0.1, 2.0, 15.0, 1.5, 2.5, 0.4, 0.9};
    for (int32_t i = 1; i < node->paramCount; ++i) {
        sources.push_back(std::make_unique<Recorder>(log, i, DATA_FLOAT, values[i]));
        Link(*node, i, *sources.back());
    }
    node->BeginRender();
    const Vector3 p{0.37, 1.91, -2.4};
    const double r = Result(*node, At(p));
    EXPECT_EQ(log, (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));

    // Float sources reach the vector inputs in all three components.
    const P3 q(ToTextureSpace(p, {0.1, 0.1, 0.1}, {2.0, 2.0, 2.0}, {15.0, 15.0, 15.0}));
    EXPECT_EQ(r, ClampResult(crumple(q.p, 0.9, 2, 2.5, 0.4)));
}

// A linked "rotate" turns every sample by that sample's value, also when it
// changes back and forth and when it is a negative zero or not a number,
// exactly as the transform computed afresh.
TEST(NoiseNodes, LinkedRotationFollowsItsValueFromSampleToSample)
{
    std::vector<int> log;
    auto node = NNoise::New();
    Recorder angle(log, 3, DATA_VECTOR, 0.0);
    Link(*node, NoiseNode::kRotate, angle);
    SetValue(*node, NoiseNode::kCenter, kCenter.x, kCenter.y, kCenter.z);
    SetValue(*node, NoiseNode::kScale, kScale.x, kScale.y, kScale.z);
    node->BeginRender();
    const Vector3 p{0.37, 1.91, -2.4};
    const Vector3 turns[] = {{15.0, 40.0, -75.0}, {40.0, 15.0, 0.0},  {15.0, 40.0, -75.0},
                             {-0.0, -0.0, -0.0},  {0.0, 0.0, 0.0},    {kNaN, 1.0, 2.0},
                             {1e300, -3e9, 7.5},  {15.0, 40.0, -75.0}};
    for (const Vector3& t : turns) {
        SCOPED_TRACE(t.x);
        double* v = angle.outputs[0].value.components;
        v[0] = t.x;
        v[1] = t.y;
        v[2] = t.z;
        const P3 q(ToTextureSpace(p, kCenter, kScale, t));
        const double want = ClampResult(pnoise3(q.p) * 0.5 + 0.5);
        const double got = Result(*node, At(p));
        EXPECT_EQ(std::memcmp(&got, &want, sizeof got), 0) << got << " against " << want;
    }
}
