#include <gtest/gtest.h>

#include <cmath>

#include "node_test_helpers.h"
#include "nodes/blend_nodes.h"

using namespace nodetest;

namespace {

struct BlendType {
    const char* name;
    std::unique_ptr<Node> (*make)();
};

const BlendType kBlends[] = {
    {"multiply", NCompMul::New},      {"screen", NScreen::New},       {"overlay", NOverlay::New},
    {"softlight", NSoftLight::New},   {"hardlight", NHardLight::New}, {"color dodge", NCDodge::New},
    {"color burn", NCBurn::New},      {"lighten", NLighten::New},     {"darken", NDarken::New},
    {"difference", NDifference::New}, {"exclusion", NExclusion::New},
};

// The blend of fg over bg at alpha 1, channel by channel.
std::array<double, 3> BlendAt(std::unique_ptr<Node> (*make)(), std::array<double, 3> f,
                              std::array<double, 3> b, double alpha = 1.0)
{
    auto node = make();
    SetColor(*node, 0, f[0], f[1], f[2]);
    SetColor(*node, 1, b[0], b[1], b[2]);
    SetValue(*node, 2, alpha);
    return Sample(*node);
}

double BlendAt(std::unique_ptr<Node> (*make)(), double f, double b)
{
    return BlendAt(make, {f, f, f}, {b, b, b})[0];
}

}  // namespace

TEST(BlendNodes, PortTablesAndDefaults)
{
    ExpectPorts(
        *NCompose::New(), "compose", "Compose",
        {Colour("fg", 0, 0, 0), Colour("bg", 0, 0, 0), Float("alpha1", 1), Float("alpha2", 1)},
        "result", DATA_COLOR);
    for (const BlendType& t : kBlends) {
        auto node = t.make();
        ExpectPorts(*node, t.name, "Compose",
                    {Colour("fg", 0, 0, 0), Colour("bg", 0, 0, 0), Float("alpha", 1)}, "result",
                    DATA_COLOR);
        EXPECT_TRUE(SameType(*node->Create(), *node));
    }
}

TEST(BlendNodes, FreshNodesGiveBlack)
{
    ExpectRgb(Sample(*NCompose::New()), 0, 0, 0);
    for (const BlendType& t : kBlends) {
        SCOPED_TRACE(t.name);
        ExpectRgb(Sample(*t.make()), 0, 0, 0);
    }
}

TEST(BlendNodes, AlphaIsClampedAndMixesOverTheBackground)
{
    const std::array<double, 3> f{0.9, 0.3, 0.6}, b{0.2, 0.7, 0.4};
    for (const BlendType& t : kBlends) {
        SCOPED_TRACE(t.name);
        const auto full = BlendAt(t.make, f, b, 1.0);
        const auto over = BlendAt(t.make, f, b, 7.0);
        const auto half = BlendAt(t.make, f, b, 0.5);
        for (double a : {0.0, -3.0}) {
            const auto none = BlendAt(t.make, f, b, a);
            ExpectRgb(none, b[0], b[1], b[2]);
        }
        ExpectRgb(over, full[0], full[1], full[2]);
        for (int c = 0; c < 3; ++c) {
            EXPECT_DOUBLE_EQ(half[c], 0.5 * b[c] + 0.5 * full[c]);
        }
    }
}

TEST(BlendNodes, AlphaLinkedToAColourUsesItsMean)
{
    auto node = NCompMul::New();
    SetColor(*node, 0, 1, 1, 1);
    SetColor(*node, 1, 0.5, 0.5, 0.5);
    auto alpha = ConstantNode::Make(DATA_COLOR, 0.0, 0.0, 0.0);
    Link(*node, 2, *alpha);
    ExpectRgb(Sample(*node), 0.5, 0.5, 0.5);
    auto alpha2 = ConstantNode::Make(DATA_COLOR, 0.0, 0.0, 1.5);  // mean 0.5
    Link(*node, 2, *alpha2);
    SetColor(*node, 0, 0, 0, 0);
    ExpectRgb(Sample(*node), 0.25, 0.25, 0.25);
}

TEST(BlendNodes, Compose)
{
    auto node = NCompose::New();
    SetColor(*node, 0, 1.0, 0.0, 0.4);
    SetColor(*node, 1, 0.2, 0.8, 0.4);
    ExpectRgb(Sample(*node), 1.0, 0.0, 0.4);
    SetValue(*node, 3, 0.0);
    ExpectRgb(Sample(*node), 0.2, 0.8, 0.4);
    SetValue(*node, 2, 0.5);
    SetValue(*node, 3, 0.5);
    ExpectRgb(Sample(*node), 0.75 * 0.2 + 0.25, 0.75 * 0.8, 0.4);
    SetValue(*node, 2, -1.0);  // clamped to 0: the first stage gives bg
    SetValue(*node, 3, 9.0);   // clamped to 1
    ExpectRgb(Sample(*node), 0.2, 0.8, 0.4);
}

TEST(BlendNodes, SimpleBlendFunctions)
{
    const std::array<double, 3> f{0.25, 0.75, 2.0}, b{0.5, 0.5, -1.0};
    ExpectRgb(BlendAt(NCompMul::New, f, b), 0.125, 0.375, -2.0);
    ExpectRgb(BlendAt(NScreen::New, f, b), 0.625, 0.875, 3.0);
    ExpectRgb(BlendAt(NLighten::New, f, b), 0.5, 0.75, 2.0);
    ExpectRgb(BlendAt(NDarken::New, f, b), 0.25, 0.5, -1.0);
    ExpectRgb(BlendAt(NDifference::New, f, b), 0.25, 0.25, 3.0);
    for (double x : {0.0, 0.1, 0.5, 0.9, 1.0}) {
        for (double y : {0.0, 0.3, 0.6, 1.0}) {
            EXPECT_NEAR(BlendAt(NExclusion::New, x, y), x + y - 2 * x * y, 1e-15);
        }
    }
}

TEST(BlendNodes, OverlayAndHardLightTestDifferentSides)
{
    // overlay tests the background, hardlight the foreground, against 0.5.
    EXPECT_DOUBLE_EQ(BlendAt(NOverlay::New, 0.8, 0.25), 2 * 0.25 * 0.8);
    EXPECT_DOUBLE_EQ(BlendAt(NHardLight::New, 0.8, 0.25), 1 - 2 * 0.75 * 0.2);
    EXPECT_DOUBLE_EQ(BlendAt(NOverlay::New, 0.25, 0.8), 1 - 2 * 0.2 * 0.75);
    EXPECT_DOUBLE_EQ(BlendAt(NHardLight::New, 0.25, 0.8), 2 * 0.8 * 0.25);
    // 0.5 takes the second branch; the two meet there.
    EXPECT_DOUBLE_EQ(BlendAt(NOverlay::New, 0.3, 0.5), 1 - 2 * 0.5 * 0.7);
    EXPECT_DOUBLE_EQ(BlendAt(NOverlay::New, 0.3, 0.5), 2 * 0.5 * 0.3);
    EXPECT_DOUBLE_EQ(BlendAt(NHardLight::New, 0.5, 0.3), 0.3);
}

TEST(BlendNodes, SoftLight)
{
    ExpectRgb(BlendAt(NSoftLight::New, {0.25, 0.75, 0.5}, {0.5, 0.5, 0.5}), 0.375,
              0.6035533905932737, 0.5);
    const double knee = 32.0 / 255.0;
    EXPECT_EQ(knee, 0.12549019607843137);
    const double poly = knee + (knee - knee * knee) * 0.5 * (3 - 8 * knee);
    EXPECT_DOUBLE_EQ(BlendAt(NSoftLight::New, 0.75, knee), poly);
    const double above = std::nextafter(knee, 1.0);
    EXPECT_DOUBLE_EQ(BlendAt(NSoftLight::New, 0.75, above),
                     above + (std::sqrt(above) - above) * 0.5);
}

TEST(BlendNodes, ColorDodge)
{
    ExpectRgb(BlendAt(NCDodge::New, {0, 0, 0}, {0.3, 1.0, 1.5}), 0.3, 1.0, 1.0);
    ExpectRgb(BlendAt(NCDodge::New, {1, 1, 1}, {0.001, 0.5, -0.25}), 0.256, 1.0, -64.0);
    // The divisor's zero at 256/255 gives a defined result, never a NaN.
    const double pole = 256.0 / 255.0;
    ExpectRgb(BlendAt(NCDodge::New, {pole, pole, pole}, {0.5, 0.0, -0.5}), 1.0, 0.0, 0.0);
    // Beyond the pole the divisor is negative and the quotient passes as computed.
    EXPECT_DOUBLE_EQ(BlendAt(NCDodge::New, 2.0, 0.5), 128.0 / (256.0 - 510.0));
}

TEST(BlendNodes, ColorBurnTestsEachChannelsOwnSum)
{
    ExpectRgb(BlendAt(NCBurn::New, {1, 0.2, 0.5}, {0.5, 0.5, 0.5}), 0.5, 0, 0);
    ExpectRgb(BlendAt(NCBurn::New, {0, 0, 0.8}, {1.0, 1.5, 0.6}), 1, 1, 0.5);
}
