#include <gtest/gtest.h>

#include <cmath>

#include "node_test_helpers.h"
#include "nodes/operator_nodes.h"

using namespace nodetest;

TEST(OperatorNodes, PortTablesAndDefaults)
{
    ExpectPorts(*NMix::New(), "mix", "Operator",
                {Colour("value1", 1, 1, 1), Colour("value2", 0, 0, 0), Colour("mixrate", 1, 1, 1)},
                "result", DATA_COLOR);
    ExpectPorts(*NAdd::New(), "add", "Operator",
                {Colour("value1", 1, 1, 1), Colour("value2", 0, 0, 0)}, "result", DATA_COLOR);
    ExpectPorts(*NSub::New(), "subtract", "Operator",
                {Colour("value1", 1, 1, 1), Colour("value2", 0, 0, 0)}, "result", DATA_COLOR);
    ExpectPorts(*NMul::New(), "multiply", "Operator",
                {Colour("value1", 1, 1, 1), Colour("value2", 0, 0, 0)}, "result", DATA_COLOR);
    ExpectPorts(*NInvert::New(), "invert", "Operator", {Colour("value", 1, 1, 1)}, "result",
                DATA_COLOR);
    ExpectPorts(*NPow::New(), "pow", "Operator",
                {Colour("value", 1, 1, 1), Float("coefficient", 2)}, "result", DATA_COLOR);
    ExpectPorts(*NClamp::New(), "clamp", "Operator",
                {Float("top", 1), Float("bottom", 0), Colour("input", 0, 0, 0)}, "result",
                DATA_COLOR);
    ExpectPorts(*NSmoothStep::New(), "smoothstep", "Operator",
                {Float("top", 1), Float("bottom", 0), Colour("input", 0, 0, 0)}, "result",
                DATA_COLOR);
}

TEST(OperatorNodes, CreateMakesAFreshNodeOfTheSameType)
{
    auto mix = NMix::New();
    SetColor(*mix, 0, 0.5, 0.5, 0.5);
    auto fresh = mix->Create();
    ASSERT_NE(dynamic_cast<NMix*>(fresh.get()), nullptr);
    EXPECT_EQ(fresh->params[0].value.components[0], 1.0);
    EXPECT_NE(dynamic_cast<NSmoothStep*>(NSmoothStep::New()->Create().get()), nullptr);
}

TEST(OperatorNodes, FreshNodesEvaluateToTheirDefaults)
{
    ExpectRgb(Sample(*NMix::New()), 1, 1, 1);
    ExpectRgb(Sample(*NAdd::New()), 1, 1, 1);
    ExpectRgb(Sample(*NSub::New()), 1, 1, 1);
    ExpectRgb(Sample(*NMul::New()), 0, 0, 0);
    ExpectRgb(Sample(*NInvert::New()), 0, 0, 0);
    ExpectRgb(Sample(*NPow::New()), 1, 1, 1);
    ExpectRgb(Sample(*NClamp::New()), 0, 0, 0);
    ExpectRgb(Sample(*NSmoothStep::New()), 0, 0, 0);
}

TEST(OperatorNodes, MixClampsItsRatePerChannel)
{
    auto mix = NMix::New();
    SetColor(*mix, 0, 0.8, 0.6, 0.4);
    SetColor(*mix, 1, 0.2, 0.3, 0.0);
    SetColor(*mix, 2, 2.0, -1.0, 0.25);
    ExpectRgb(Sample(*mix), 0.8, 0.3, 0.75 * 0.0 + 0.25 * 0.4);
}

TEST(OperatorNodes, ArithmeticLeavesTheUnitRange)
{
    auto sub = NSub::New();
    SetColor(*sub, 0, 0, 0, 0);
    SetColor(*sub, 1, 0.2, 0.2, 0.2);
    ExpectRgb(Sample(*sub), -0.2, -0.2, -0.2);

    auto add = NAdd::New();
    SetColor(*add, 0, 0.75, 2.0, -1.0);
    SetColor(*add, 1, 0.5, 1.0, 0.25);
    ExpectRgb(Sample(*add), 1.25, 3.0, -0.75);

    auto mul = NMul::New();
    SetColor(*mul, 0, 2.0, -3.0, 0.5);
    SetColor(*mul, 1, 4.0, 0.5, 0.5);
    ExpectRgb(Sample(*mul), 8.0, -1.5, 0.25);

    auto inv = NInvert::New();
    SetColor(*inv, 0, 1.5, -0.5, 0.25);
    ExpectRgb(Sample(*inv), -0.5, 1.5, 0.75);

    auto pw = NPow::New();
    SetColor(*pw, 0, 3.0, -2.0, 0.25);
    ExpectRgb(Sample(*pw), 9.0, 4.0, 0.0625);
}

TEST(OperatorNodes, PowCoefficientLinkedToAColourUsesItsMean)
{
    auto pw = NPow::New();
    SetColor(*pw, 0, 4.0, 9.0, 16.0);
    auto colour = ConstantNode::Make(DATA_COLOR, 0.0, 0.5, 1.0);
    Link(*pw, 1, *colour);
    ExpectRgb(Sample(*pw), 2.0, 3.0, 4.0);
}

TEST(OperatorNodes, ClampAppliesTheLowerBoundFirst)
{
    auto clamp = NClamp::New();
    SetColor(*clamp, 2, -1.0, 0.5, 3.0);
    ExpectRgb(Sample(*clamp), 0.0, 0.5, 1.0);
    SetValue(*clamp, 0, 0.2);
    SetValue(*clamp, 1, 0.8);
    ExpectRgb(Sample(*clamp), 0.2, 0.2, 0.2);
}

TEST(OperatorNodes, SmoothStep)
{
    auto step = NSmoothStep::New();
    SetColor(*step, 2, 0.25, 0.5, 1.0);
    ExpectRgb(Sample(*step), 0.15625, 0.5, 1.0);
    SetColor(*step, 2, -0.1, 0.0, 1.1);
    ExpectRgb(Sample(*step), 0.0, 0.0, 1.0);

    // 3 t^2 - 2 t^3 with the powers formed first: (3 t) t rounds differently.
    SetColor(*step, 2, 0.003, 0.003, 0.003);
    EXPECT_EQ(Sample(*step)[0], 0x1.c414305272019p-16);

    // Reversed bounds: 1 above top, 0 at or below it.
    SetValue(*step, 0, 0.2);
    SetValue(*step, 1, 0.8);
    SetColor(*step, 2, 0.21, 0.2, 0.1);
    ExpectRgb(Sample(*step), 1.0, 0.0, 0.0);

    // A zero-width step: the point itself counts as reaching the top.
    SetValue(*step, 0, 0.5);
    SetValue(*step, 1, 0.5);
    SetColor(*step, 2, 0.5, 0.49, 0.51);
    ExpectRgb(Sample(*step), 1.0, 0.0, 1.0);
}

TEST(OperatorNodes, EveryInputIsEvaluatedEvenWhenUnused)
{
    auto mix = NMix::New();
    auto a = ConstantNode::Make(DATA_COLOR, 1, 1, 1);
    auto b = ConstantNode::Make(DATA_FLOAT, 0.5, 0, 0);
    Link(*mix, 0, *a);
    Link(*mix, 1, *b);
    SetColor(*mix, 2, 0, 0, 0);
    ExpectRgb(Sample(*mix), 0.5, 0.5, 0.5);  // float arrives in all three channels
    EXPECT_EQ(a->runs, 1);
    EXPECT_EQ(b->runs, 1);

    // A shared upstream node runs once per sample.
    auto add = NAdd::New();
    Link(*add, 0, *a);
    Link(*add, 1, *a);
    ExpectRgb(Sample(*add), 2, 2, 2);
    EXPECT_EQ(a->runs, 2);
}

TEST(OperatorNodes, OutputKeepsItsTypeAndText)
{
    auto mix = NMix::New();
    Sample(*mix);
    EXPECT_EQ(mix->outputs[0].value.type, DATA_COLOR);
    EXPECT_TRUE(mix->outputs[0].value.text.empty());
}
