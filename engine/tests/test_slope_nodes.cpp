#include <gtest/gtest.h>

#include <limits>

#include "node_test_helpers.h"
#include "nodes/slope_nodes.h"

using namespace nodetest;

namespace {

using Triple = std::array<double, 3>;

EvalContext WithNormals(Triple world, Triple object = {0, 0, 0})
{
    EvalContext context{};
    for (int i = 0; i < 3; ++i) {
        context.normal[i] = world[i];
        context.objectNormal[i] = object[i];
    }
    return context;
}

// A slope node with distinguishable colours: top (1, 0.5, 0.2), bottom (0, 0.25, 1).
template <typename T>
std::unique_ptr<Node> Prepared(double axis = 1, double coordinate = 1)
{
    auto node = T::New();
    SetValue(*node, 0, axis);
    SetValue(*node, 1, coordinate);
    SetColor(*node, 2, 1.0, 0.5, 0.2);
    SetColor(*node, 3, 0.0, 0.25, 1.0);
    node->BeginRender();
    return node;
}

void ExpectMix(const Triple& v, double s)
{
    ExpectRgb(v, s * 1.0 + (1 - s) * 0.0, s * 0.5 + (1 - s) * 0.25, s * 0.2 + (1 - s) * 1.0);
}

}  // namespace

TEST(SlopeNodes, PortTablesAndDefaults)
{
    for (auto make : {NSlope::New, NSlope2::New}) {
        auto node = make();
        ExpectPorts(*node, node->name.c_str(), "Slope",
                    {Choice("axis", "X\nY\nZ", 1), Choice("coordinate", "object\nworld", 1),
                     Colour("top", 1, 1, 1), Colour("bottom", 0, 0, 0)},
                    "result", DATA_COLOR);
    }
    EXPECT_EQ(NSlope::New()->name, "slope");
    EXPECT_EQ(NSlope2::New()->name, "slope2");
    ExpectPorts(*NIncident::New(), "incident", "Slope",
                {Colour("front", 1, 1, 1), Colour("side", 0, 0, 0)}, "result", DATA_COLOR);
    EXPECT_TRUE(SameType(*NSlope2::New()->Create(), *NSlope2::New()));
    EXPECT_TRUE(SameType(*NIncident::New()->Create(), *NIncident::New()));
}

TEST(SlopeNodes, SlopeAgainstTheYAxis)
{
    auto slope = Prepared<NSlope>();
    ExpectMix(Sample(*slope, WithNormals({0, 1, 0})), 1.0);
    ExpectMix(Sample(*slope, WithNormals({0, -1, 0})), 0.0);
    ExpectMix(Sample(*slope, WithNormals({1, 0, 0})), 0.0);
    ExpectMix(Sample(*slope, WithNormals({0, 0.6, 0.8})), 0.6);
    ExpectMix(Sample(*slope, WithNormals({0, 2, 0})), 1.0);
    ExpectMix(Sample(*slope, WithNormals({0, 0, 0})), 0.0);
    EXPECT_EQ(slope->outputs[0].value.type, DATA_COLOR);
}

TEST(SlopeNodes, Slope2MapsTheWholeRange)
{
    auto slope = Prepared<NSlope2>();
    ExpectMix(Sample(*slope, WithNormals({0, 1, 0})), 1.0);
    ExpectMix(Sample(*slope, WithNormals({0, -1, 0})), 0.0);
    ExpectMix(Sample(*slope, WithNormals({1, 0, 0})), 0.5);
    ExpectMix(Sample(*slope, WithNormals({0, -3, 4})), 0.2);
    ExpectMix(Sample(*slope, WithNormals({0, 0, 0})), 0.5);
}

TEST(SlopeNodes, AxisChoice)
{
    ExpectMix(Sample(*Prepared<NSlope>(0), WithNormals({0.8, 0.6, 0})), 0.8);
    ExpectMix(Sample(*Prepared<NSlope>(2), WithNormals({0, 0.6, -0.8})), 0.0);
    ExpectMix(Sample(*Prepared<NSlope2>(2), WithNormals({0, 0.6, -0.8})), 0.1);
    // Truncated toward zero: 1.7 is Y.
    ExpectMix(Sample(*Prepared<NSlope>(1.7), WithNormals({0, 1, 0})), 1.0);
}

TEST(SlopeNodes, CoordinateSelectsObjectOrWorldNormal)
{
    const EvalContext context = WithNormals({0, 1, 0}, {0, -1, 0});
    ExpectMix(Sample(*Prepared<NSlope>(1, 1), context), 1.0);
    ExpectMix(Sample(*Prepared<NSlope>(1, 0), context), 0.0);
    ExpectMix(Sample(*Prepared<NSlope2>(1, 0), context), 0.0);
}

TEST(SlopeNodes, ChoicesAreReadOnlyAtBeginRender)
{
    auto slope = Prepared<NSlope>(0);
    const EvalContext context = WithNormals({0, 1, 0});
    ExpectMix(Sample(*slope, context), 0.0);
    SetValue(*slope, 0, 1);  // not seen until the next render
    ExpectMix(Sample(*slope, context), 0.0);
    slope->BeginRender();
    ExpectMix(Sample(*slope, context), 1.0);

    // Indexes outside the lists keep the previous render's choice.
    for (double bad : {3.0, -1.0, std::numeric_limits<double>::quiet_NaN(), 1e300}) {
        SetValue(*slope, 0, bad);
        SetValue(*slope, 1, bad == 3.0 ? 2.0 : bad);
        slope->BeginRender();
        ExpectMix(Sample(*slope, context), 1.0);
    }
    auto* typed = dynamic_cast<NSlope*>(slope.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(typed->axis, 1);
    EXPECT_EQ(typed->coordinate, 1);
}

TEST(SlopeNodes, BeforeAnyRenderTheDefaultsApply)
{
    auto slope = NSlope::New();  // Y axis, world space
    ExpectRgb(Sample(*slope, WithNormals({0, 1, 0}, {1, 0, 0})), 1, 1, 1);
}

TEST(SlopeNodes, Incident)
{
    auto node = NIncident::New();
    SetColor(*node, 0, 1.0, 0.5, 0.2);
    SetColor(*node, 1, 0.0, 0.25, 1.0);
    EvalContext context = WithNormals({0, 0, 2});
    context.incident[2] = -5.0;  // the eye looks down -z at a normal facing +z
    ExpectMix(Sample(*node, context), 1.0);
    context.normal[2] = 0.0;
    context.normal[0] = 1.0;
    ExpectMix(Sample(*node, context), 0.0);
    context.normal[0] = 0.0;
    context.normal[2] = -1.0;
    ExpectMix(Sample(*node, context), 0.0);
    context.normal[1] = 0.6;
    context.normal[2] = 0.8;
    ExpectMix(Sample(*node, context), 0.8);
    // The base normals play no part.
    context.baseNormal[1] = 1.0;
    ExpectMix(Sample(*node, context), 0.8);
}
