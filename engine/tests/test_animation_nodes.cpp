#include <gtest/gtest.h>

#include <limits>

#include "node_test_helpers.h"
#include "nodes/animation_nodes.h"
#include "nodes/operator_nodes.h"

using namespace nodetest;

namespace {

EvalContext AtFrame(double frame)
{
    EvalContext context{};
    context.frame = frame;
    return context;
}

}  // namespace

TEST(AnimationNodes, PortTablesAndDefaults)
{
    ExpectPorts(*NTime::New(), "time", "Animate", {Float("fps", 30), Float("scale", 1)}, "result",
                DATA_FLOAT);
    ExpectPorts(*NVelocity::New(), "velocity", "Animate",
                {Float("time", 0), Vector("velocity", 1, 1, 1), Vector("offset", 0, 0, 0)},
                "result", DATA_VECTOR);
    EXPECT_TRUE(SameType(*NTime::New()->Create(), *NTime::New()));
    EXPECT_TRUE(SameType(*NVelocity::New()->Create(), *NVelocity::New()));
}

TEST(AnimationNodes, TimeDividesThenScales)
{
    auto time = NTime::New();
    EXPECT_EQ(Sample(*time, AtFrame(45))[0], 1.5);
    SetValue(*time, 0, 24);
    SetValue(*time, 1, 2);
    EXPECT_EQ(Sample(*time, AtFrame(12))[0], 1.0);
    // Only component 0 is written.
    const auto r = Sample(*time, AtFrame(12));
    EXPECT_EQ(r[1], 0.0);
    EXPECT_EQ(r[2], 0.0);
}

TEST(AnimationNodes, TimeWithoutAPositiveRateCountsFrames)
{
    auto time = NTime::New();
    for (double fps : {0.0, -25.0, std::numeric_limits<double>::quiet_NaN()}) {
        SetValue(*time, 0, fps);
        SetValue(*time, 1, 3);
        EXPECT_EQ(Sample(*time, AtFrame(7))[0], 21.0) << fps;
    }
}

TEST(AnimationNodes, TimeIntoAColourInputIsReplicated)
{
    auto time = NTime::New();
    auto add = NAdd::New();
    Link(*add, 0, *time);
    ExpectRgb(Sample(*add, AtFrame(15)), 0.5, 0.5, 0.5);
}

TEST(AnimationNodes, VelocityMovesTheOffset)
{
    auto velocity = NVelocity::New();
    SetValue(*velocity, 0, 2);
    ExpectRgb(Sample(*velocity), 2, 2, 2);
    SetValue(*velocity, 1, 1, -2, 0.5);
    SetValue(*velocity, 2, 10, 20, 30);
    ExpectRgb(Sample(*velocity), 12, 16, 31);

    // Linked to a time node: moves by the seconds elapsed.
    auto time = NTime::New();
    Link(*velocity, 0, *time);
    ExpectRgb(Sample(*velocity, AtFrame(60)), 12, 16, 31);
    ExpectRgb(Sample(*velocity, AtFrame(90)), 13, 14, 31.5);
}

TEST(AnimationNodes, ColourIntoAVectorInputIsOnlyRetyped)
{
    auto velocity = NVelocity::New();
    SetValue(*velocity, 0, 1);
    auto colour = ConstantNode::Make(DATA_COLOR, 0.1, 0.2, 0.3);
    auto offset = ConstantNode::Make(DATA_COLOR, 1, 2, 3);
    Link(*velocity, 1, *colour);
    Link(*velocity, 2, *offset);
    ExpectRgb(Sample(*velocity), 1.1, 2.2, 3.3);
    EXPECT_EQ(velocity->outputs[0].value.type, DATA_VECTOR);
}
