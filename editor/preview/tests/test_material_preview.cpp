// The preview of single nodes: the sphere and the background, anti-aliasing,
// the render pass, unusable targets.

#include <limits>
#include <vector>

#include "gradient/gradient_nodes.h"
#include "preview_test_support.h"

namespace {

using namespace preview_test;

constexpr uint8_t kDark = 89;    // 0.35 x 255
constexpr uint8_t kLight = 191;  // 0.75 x 255
constexpr uint8_t kHalf = 127;   // 0.5 x 255

// A node with one colour output of a fixed value (or none at all), counting
// its render passes and evaluations.
class FixedOutput : public Node {
public:
    static std::unique_ptr<FixedOutput> Make(int32_t outputCount)
    {
        static const OutputDesc outputs[] = {{"out", DATA_COLOR}};
        auto node = std::make_unique<FixedOutput>();
        node->Setup("fixed", "Test", 0, nullptr, outputCount, outputs, 0);
        return node;
    }
    void BeginRender() override { ++begins; }
    void EndRender() override { ++ends; }
    void Evaluate(const EvalContext&) override
    {
        ++evaluations;
        outsidePass += begins == ends;
        if (outputCount > 0) {
            std::copy(value, value + 3, outputs[0].value.components);
        }
    }
    std::unique_ptr<Node> Create() const override { return Make(outputCount); }

    double value[3] = {0.0, 0.0, 0.0};
    int begins = 0, ends = 0, evaluations = 0, outsidePass = 0;
};

class MaterialPreview : public PreviewTest {
protected:
    // A value gradient giving v everywhere, and a colour gradient giving red.
    Node* ConstantValue(double v)
    {
        auto* node = static_cast<NGradientV*>(Add("value gradient", "Gradient"));
        node->gradient->Key(0)->r = node->gradient->Key(1)->r = v;
        return node;
    }
    Node* Red()
    {
        auto* node = static_cast<NGradientC*>(Add("color gradient", "Gradient"));
        node->gradient->Key(0)->r = node->gradient->Key(1)->r = 1.0;
        return node;
    }
};

// Outside the sphere: greys 89 and 191 in squares 0.125 units wide, about
// 13.3 pixels at 128 x 128. On it: a float output as grey (0.5 gives 127), a
// colour output as itself, no output as black.
TEST_F(MaterialPreview, SphereShowsTheFirstOutputOverACheckerboard)
{
    const auto image = Render(ConstantValue(0.5), 128);
    EXPECT_EQ(PixelAt(*image, 64, 64), Grey(kHalf));
    EXPECT_EQ(PixelAt(*image, 0, 0), Grey(kDark));
    EXPECT_EQ(PixelAt(*image, 127, 0), Grey(kLight));
    EXPECT_EQ(PixelAt(*image, 127, 127), Grey(kDark));
    std::vector<int> runs{1};
    for (int column = 1; column < 128; ++column) {
        const Bgr here = PixelAt(*image, column, 0);
        ASSERT_TRUE(here == Grey(kDark) || here == Grey(kLight)) << column;
        if (here == PixelAt(*image, column - 1, 0)) {
            ++runs.back();
        } else {
            runs.push_back(1);
        }
    }
    ASSERT_GE(runs.size(), 9u);
    for (size_t i = 1; i + 1 < runs.size(); ++i) {
        EXPECT_TRUE(runs[i] == 13 || runs[i] == 14) << "run " << i << ": " << runs[i];
    }

    EXPECT_EQ(PixelAt(*Render(Red(), 64), 45, 12), (Bgr{0, 0, 255}));
    const auto black = Render(Adopt(FixedOutput::Make(0)), 64);
    EXPECT_EQ(PixelAt(*black, 32, 32), Grey(0));
    EXPECT_EQ(PixelAt(*black, 0, 0), Grey(kDark));
}

// Channels beyond the byte range are limited; not-a-number gives 0.
TEST_F(MaterialPreview, ChannelsOutsideTheByteRangeAreLimited)
{
    FixedOutput* wild = Adopt(FixedOutput::Make(1));
    wild->value[0] = std::numeric_limits<double>::infinity();
    wild->value[1] = -0.5;
    wild->value[2] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(PixelAt(*Render(wild, 16), 8, 8), (Bgr{0, 0, 255}));
    wild->value[2] = 0.999;
    EXPECT_EQ(PixelAt(*Render(wild, 16), 8, 8), (Bgr{254, 0, 255}));
}

// A sample exactly on the rim (x = -0.5 or 0.5, y = 0 at 12 x 12) is on the
// sphere; the pixel left of it is background.
TEST_F(MaterialPreview, SampleOnTheRimBelongsToTheSphere)
{
    const auto image = Render(ConstantValue(0.5), 12);
    EXPECT_EQ(PixelAt(*image, 1, 6), Grey(kHalf));
    EXPECT_EQ(PixelAt(*image, 11, 6), Grey(kHalf));
    EXPECT_NE(PixelAt(*image, 0, 6), Grey(kHalf));
}

// With two samples per axis each pixel is the mean of the four samples that
// a one-sample image of twice the size takes at the same points.
TEST_F(MaterialPreview, AntiAliasingAveragesFourSamples)
{
    Node* node = ConstantValue(0.5);
    const auto fine = Render(node, 32);
    const auto smooth = Render(node, 16, 2);
    const auto level = [](uint8_t v) { return v == kHalf ? 0.5 : v == kDark ? 0.35 : 0.75; };
    int mixed = 0;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            double sum = 0.0;
            for (int s = 0; s < 4; ++s) {
                sum += level(PixelAt(*fine, 2 * column + s % 2, 2 * row + s / 2)[0]);
            }
            const auto expected = static_cast<uint8_t>(sum / 4.0 * 255.0);
            ASSERT_EQ(PixelAt(*smooth, column, row), Grey(expected)) << column << "," << row;
            mixed += expected != kHalf && expected != kDark && expected != kLight;
        }
    }
    EXPECT_GT(mixed, 0);  // pixels across the rim or a checker edge
}

// One BeginRender / EndRender pass of the graph brackets each image, for a
// single node and for the material alike. Unusable targets render nothing;
// no samples give a black image.
TEST_F(MaterialPreview, EachImageIsOneRenderPass)
{
    FixedOutput* node = Adopt(FixedOutput::Make(1));
    Render(node, 24, 2);
    EXPECT_EQ(node->begins, 1);
    EXPECT_EQ(node->ends, 1);
    EXPECT_GT(node->evaluations, 24 * 24);
    Node* root = Add("root", "Root");
    root->params[0].source = node;
    Render(root, 24);
    EXPECT_EQ(node->begins, 2);
    EXPECT_EQ(node->ends, 2);
    EXPECT_EQ(node->outsidePass, 0);

    dib24 empty;
    dib24 shallow(8, 8, 16);
    shallow.bits[0] = 0x5a;
    RenderPreview(&empty, 1, node, &list);
    RenderPreview(&shallow, 1, node, &list);
    RenderPreview(nullptr, 1, node, &list);
    dib24 target(8, 8, 24);
    RenderPreview(&target, 1, nullptr, &list);
    RenderPreview(&target, 1, node, nullptr);
    EXPECT_EQ(node->begins, 2);
    EXPECT_EQ(shallow.bits[0], 0x5a);

    target.bits[0] = 0x5a;
    RenderPreview(&target, 0, node, &list);
    EXPECT_EQ(PixelAt(target, 0, 0), Grey(0));
}

}  // namespace
