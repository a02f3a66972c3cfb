#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

#include "gradient/gradient.h"
#include "gradient_test_support.h"
#include "model/node_stream.h"

using gradienttest::BlockStream;

namespace {

// Appends keys in the given order.
void Fill(Gradient& g, std::initializer_list<GValue> keys)
{
    for (const GValue& k : keys) {
        g.AddKey(std::make_unique<GValue>(k));
    }
}

GValue Key(double position, double r, double gr, double b, double alpha = 1.0)
{
    return GValue{position, r, gr, b, alpha};
}

std::vector<uint8_t> Int32Bytes(int32_t v)
{
    std::vector<uint8_t> out(4);
    std::memcpy(out.data(), &v, 4);
    return out;
}

}  // namespace

TEST(Gradient, LookupsWorkByPositionNotStorageOrder)
{
    Gradient g;
    Fill(g, {Key(1.0, 0, 0, 0), Key(0.0, 0, 0, 0)});
    EXPECT_EQ(g.FirstKey(), g.Key(1));
    EXPECT_EQ(g.LastKey(), g.Key(0));
    EXPECT_EQ(g.NextKey(g.Key(1)), g.Key(0));
    EXPECT_EQ(g.PrevKey(g.Key(0)), g.Key(1));
    EXPECT_EQ(g.NextKey(g.Key(0)), nullptr);
    EXPECT_EQ(g.PrevKey(g.Key(1)), nullptr);
    double rgb[3] = {9, 9, 9};
    double alpha = 9;
    ASSERT_TRUE(g.GetColor(0.5, rgb, &alpha));
    EXPECT_EQ(rgb[0], 0.0);
    EXPECT_EQ(rgb[2], 0.0);
    EXPECT_EQ(alpha, 1.0);

    // NextKey reads only the given key's position; it need not be stored.
    const GValue probe{0.5};
    EXPECT_EQ(g.NextKey(&probe), g.Key(0));
    EXPECT_EQ(g.PrevKey(&probe), g.Key(1));
    EXPECT_EQ(g.NextKey(nullptr), nullptr);
    EXPECT_EQ(g.PrevKey(nullptr), nullptr);

    const Gradient empty;
    EXPECT_EQ(empty.FirstKey(), nullptr);
    EXPECT_EQ(empty.LastKey(), nullptr);
    EXPECT_EQ(empty.NextKey(&probe), nullptr);
    EXPECT_EQ(empty.KeyNear(0.0, 1.0), nullptr);
}

TEST(Gradient, InterpolatesInsideAndClampsOutsideTheRange)
{
    Gradient g;
    // Stored high to low, with distinct colours at the two ends.
    Fill(g, {Key(1.0, 1, 1, 1, 1.0), Key(0.0, 0, 0.5, 0, 0.0)});
    double rgb[3];
    double alpha;
    ASSERT_TRUE(g.GetColor(0.25, rgb, &alpha));
    EXPECT_DOUBLE_EQ(rgb[0], 0.25);
    EXPECT_DOUBLE_EQ(rgb[1], 0.625);
    EXPECT_DOUBLE_EQ(rgb[2], 0.25);
    EXPECT_DOUBLE_EQ(alpha, 0.25);

    ASSERT_TRUE(g.GetColor(-3.0, rgb, &alpha));  // below: the first key's colour
    EXPECT_EQ(rgb[0], 0.0);
    EXPECT_EQ(rgb[1], 0.5);
    EXPECT_EQ(alpha, 0.0);
    ASSERT_TRUE(g.GetColor(7.0, rgb, &alpha));  // above: the last key's colour
    EXPECT_EQ(rgb[1], 1.0);
    EXPECT_EQ(alpha, 1.0);
    ASSERT_TRUE(g.GetColor(1.0, rgb, &alpha));
    EXPECT_EQ(rgb[0], 1.0);
    EXPECT_EQ(rgb[1], 1.0);

    // A null alpha pointer computes the colour alone.
    double only[3] = {};
    ASSERT_TRUE(g.GetColor(0.5, only, nullptr));
    EXPECT_DOUBLE_EQ(only[0], 0.5);
    EXPECT_DOUBLE_EQ(only[1], 0.75);
}

TEST(Gradient, WalksSeveralSegments)
{
    Gradient g;
    Fill(g, {Key(2.0, 0, 0, 1), Key(0.0, 1, 0, 0), Key(1.0, 0, 1, 0)});
    double rgb[3];
    ASSERT_TRUE(g.GetColor(1.5, rgb, nullptr));
    EXPECT_DOUBLE_EQ(rgb[0], 0.0);
    EXPECT_DOUBLE_EQ(rgb[1], 0.5);
    EXPECT_DOUBLE_EQ(rgb[2], 0.5);
    ASSERT_TRUE(g.GetColor(1.0, rgb, nullptr));  // on the inner key: its colour
    EXPECT_EQ(rgb[0], 0.0);
    EXPECT_EQ(rgb[1], 1.0);
    EXPECT_EQ(rgb[2], 0.0);
}

TEST(Gradient, FewerThanTwoKeysWriteNothing)
{
    Gradient g;
    for (int keys = 0; keys < 2; ++keys) {
        double rgb[3] = {0.1, 0.2, 0.3};
        double alpha = 0.4;
        EXPECT_FALSE(g.GetColor(0.0, rgb, &alpha));
        EXPECT_EQ(rgb[0], 0.1);
        EXPECT_EQ(rgb[1], 0.2);
        EXPECT_EQ(rgb[2], 0.3);
        EXPECT_EQ(alpha, 0.4);
        Fill(g, {Key(0.0, 1, 1, 1, 0.5)});
    }
}

TEST(Gradient, RepeatedPositionsUseOnlyTheEarliestStoredKey)
{
    Gradient g;
    Fill(g, {Key(0.5, 1, 0, 0), Key(0.0, 0, 0, 0), Key(0.5, 0, 0, 1), Key(1.0, 1, 1, 1)});
    GValue* red = g.Key(0);
    EXPECT_EQ(g.NextKey(g.Key(1)), red);
    EXPECT_EQ(g.PrevKey(g.Key(3)), red);
    double rgb[3];
    ASSERT_TRUE(g.GetColor(0.5, rgb, nullptr));
    EXPECT_EQ(rgb[0], 1.0);
    EXPECT_EQ(rgb[2], 0.0);
    ASSERT_TRUE(g.GetColor(0.25, rgb, nullptr));
    EXPECT_DOUBLE_EQ(rgb[0], 0.5);
    EXPECT_EQ(rgb[2], 0.0);
    ASSERT_TRUE(g.GetColor(0.75, rgb, nullptr));
    EXPECT_DOUBLE_EQ(rgb[0], 1.0);
    EXPECT_DOUBLE_EQ(rgb[1], 0.5);
    EXPECT_DOUBLE_EQ(rgb[2], 0.5);

    Gradient ends;
    Fill(ends, {Key(0.0, 0, 0, 0), Key(1.0, 0, 0, 0), Key(0.0, 0, 0, 0), Key(1.0, 0, 0, 0)});
    EXPECT_EQ(ends.FirstKey(), ends.Key(0));
    EXPECT_EQ(ends.LastKey(), ends.Key(1));
}

TEST(Gradient, KeysAllAtOnePositionGiveTheFirstKeysColour)
{
    Gradient g;
    Fill(g, {Key(0.5, 0.2, 0.3, 0.4, 0.6), Key(0.5, 1, 1, 1, 1.0), Key(0.5, 0, 0, 0, 0.0)});
    ASSERT_EQ(g.NextKey(g.FirstKey()), nullptr);
    for (double x : {-1.0, 0.5, 2.0}) {
        double rgb[3] = {};
        double alpha = 0.0;
        ASSERT_TRUE(g.GetColor(x, rgb, &alpha));
        EXPECT_EQ(rgb[0], 0.2);
        EXPECT_EQ(rgb[1], 0.3);
        EXPECT_EQ(rgb[2], 0.4);
        EXPECT_EQ(alpha, 0.6);
    }
}

TEST(Gradient, NonFinitePositionsAndInputsStillGiveAnAnswer)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Gradient g;
    Fill(g, {Key(nan, 1, 0, 0), Key(0.0, 0, 0, 0), Key(inf, 1, 1, 1), Key(-inf, 0, 0, 1)});
    double rgb[3];
    double alpha;
    for (double x : {nan, -inf, inf, 0.5, -5.0}) {
        EXPECT_TRUE(g.GetColor(x, rgb, &alpha));
    }
    Gradient h;
    Fill(h, {Key(0.0, 0, 0, 0), Key(1.0, 1, 1, 1)});
    EXPECT_TRUE(h.GetColor(nan, rgb, &alpha));
}

TEST(Gradient, KeyNearIncludesBothBoundsAndPrefersStorageOrder)
{
    Gradient g;
    Fill(g, {Key(0.3, 0, 0, 0), Key(0.0, 0, 0, 0), Key(0.301, 0, 0, 0)});
    EXPECT_EQ(g.KeyNear(0.304, 0.005), g.Key(0));
    EXPECT_EQ(g.KeyNear(0.306, 0.005), g.Key(2));
    EXPECT_EQ(g.KeyNear(0.307, 0.005), nullptr);
    EXPECT_EQ(g.KeyNear(0.25, 0.0), nullptr);
    EXPECT_EQ(g.KeyNear(0.0, 0.0), g.Key(1));
    EXPECT_EQ(g.KeyNear(0.2, 1.0), g.Key(0));
}

TEST(Gradient, RemoveKeyGoesByIdentityAndKeepsTheOrder)
{
    Gradient g;
    Fill(g, {Key(0.0, 0, 0, 0), Key(0.5, 0, 0, 0), Key(1.0, 0, 0, 0)});
    GValue* first = g.Key(0);
    GValue* last = g.Key(2);
    const GValue lookalike = *g.Key(1);
    g.RemoveKey(&lookalike);
    g.RemoveKey(nullptr);
    ASSERT_EQ(g.Count(), 3);
    g.RemoveKey(g.Key(1));
    ASSERT_EQ(g.Count(), 2);
    EXPECT_EQ(g.Key(0), first);
    EXPECT_EQ(g.Key(1), last);
    g.Clear();
    EXPECT_EQ(g.Count(), 0);
    EXPECT_EQ(g.Key(0), nullptr);
}

TEST(Gradient, SavesFourPlusFortyBytesPerKeyPositionLast)
{
    Gradient g;
    Fill(g, {Key(0.75, 0.1, 0.2, 0.3, 0.4), Key(0.0, 0, 0, 0), Key(1.0, 1, 1, 1)});
    NBufferStream out(1024);
    g.Save(out);
    ASSERT_EQ(out.position, 124);
    int32_t count = 0;
    std::memcpy(&count, out.data.get(), 4);
    EXPECT_EQ(count, 3);
    double first[5];
    std::memcpy(first, out.data.get() + 4, sizeof first);
    EXPECT_EQ(first[0], 0.1);
    EXPECT_EQ(first[1], 0.2);
    EXPECT_EQ(first[2], 0.3);
    EXPECT_EQ(first[3], 0.4);
    EXPECT_EQ(first[4], 0.75);
    double lastPosition = 0;
    std::memcpy(&lastPosition, out.data.get() + 4 + 80 + 32, 8);
    EXPECT_EQ(lastPosition, 1.0);

    NBufferStream empty(16);
    Gradient().Save(empty);
    EXPECT_EQ(empty.position, 4);
}

TEST(Gradient, LoadReproducesStorageOrderAndEveryValue)
{
    Gradient g;
    Fill(g, {Key(1.0, 0.1, 0.2, 0.3, 0.4), Key(-2.5, 5, -6, 7, 8), Key(1.0, 0, 0, 0, 0)});
    NBufferStream s(8);  // grows while saving
    g.Save(s);
    s.position = 0;
    Gradient back;
    Fill(back, {Key(9, 9, 9, 9, 9)});
    ASSERT_TRUE(back.Load(s));
    ASSERT_EQ(back.Count(), 3);
    for (int32_t i = 0; i < 3; ++i) {
        const GValue& a = *g.Key(i);
        const GValue& b = *back.Key(i);
        EXPECT_EQ(a.position, b.position);
        EXPECT_EQ(a.r, b.r);
        EXPECT_EQ(a.g, b.g);
        EXPECT_EQ(a.b, b.b);
        EXPECT_EQ(a.alpha, b.alpha);
    }
}

TEST(Gradient, LoadOfNoKeysEmptiesTheGradient)
{
    for (int32_t count : {0, -1, std::numeric_limits<int32_t>::min()}) {
        Gradient g;
        Fill(g, {Key(0, 0, 0, 0), Key(1, 1, 1, 1)});
        auto s = BlockStream(Int32Bytes(count));
        EXPECT_TRUE(g.Load(*s));
        EXPECT_EQ(g.Count(), 0);
    }
}

TEST(Gradient, ShortBlocksReadZerosPastTheirEnd)
{
    // Two whole keys and 39 bytes of a third: the third is padded with zeros.
    std::vector<uint8_t> shortBlock = Int32Bytes(3);
    shortBlock.resize(4 + 80 + 39, 0x3f);
    Gradient cut;
    Fill(cut, {Key(0.0, 0.5, 0.5, 0.5), Key(1.0, 1, 1, 1)});
    auto s = BlockStream(shortBlock);
    EXPECT_FALSE(cut.Load(*s));
    ASSERT_EQ(cut.Count(), 3);
    double padded;
    const uint8_t bytes[8] = {0x3f, 0x3f, 0x3f, 0x3f, 0x3f, 0x3f, 0x3f, 0};
    std::memcpy(&padded, bytes, 8);
    EXPECT_EQ(cut.Key(2)->position, padded);
    EXPECT_EQ(cut.Key(2)->r, cut.Key(0)->r);

    // A huge count over one stored key, a count cut short itself, nothing at
    // all: the old keys go, and the missing keys are one zero key.
    std::vector<uint8_t> huge = Int32Bytes(std::numeric_limits<int32_t>::max());
    huge.resize(4 + 40, 0);
    const std::pair<std::vector<uint8_t>, int32_t> cases[] = {
        {huge, 2}, {std::vector<uint8_t>{2, 0}, 1}, {std::vector<uint8_t>{}, 0}};
    for (const auto& [block, keys] : cases) {
        Gradient g;
        Fill(g, {Key(0.0, 0.5, 0.5, 0.5), Key(1.0, 1, 1, 1)});
        auto in = BlockStream(block);
        EXPECT_FALSE(g.Load(*in));
        ASSERT_EQ(g.Count(), keys);
        for (int32_t k = 0; k < keys; ++k) {
            EXPECT_EQ(g.Key(k)->position, 0.0);
            EXPECT_EQ(g.Key(k)->alpha, 0.0);
        }
    }

    // A block with trailing bytes beyond its keys is still whole.
    std::vector<uint8_t> longer = Int32Bytes(1);
    longer.resize(4 + 40 + 7, 0);
    Gradient g;
    auto whole = BlockStream(longer);
    EXPECT_TRUE(g.Load(*whole));
    EXPECT_EQ(g.Count(), 1);
}
