// The preview of single nodes and of the material root: what the sphere and
// the background look like, anti-aliasing, the render brackets, bump.

#include <cmath>
#include <limits>
#include <vector>

#include "gradient/gradient_nodes.h"
#include "material_preview.h"
#include "nodes/root_node.h"
#include "preview_test_support.h"

namespace {

using namespace preview_test;

constexpr uint8_t kDark = 89;     // 0.35 x 255
constexpr uint8_t kLight = 191;   // 0.75 x 255
constexpr uint8_t kHalf = 127;    // 0.5 x 255
constexpr uint8_t kAmbient = 19;  // 0.78 x 0.1 x 255

// A node whose one output, of the given type, holds a fixed value; it counts
// the render brackets and evaluations it sees.
class FixedOutput : public Node {
public:
    static std::unique_ptr<FixedOutput> Make(int32_t outputCount, int32_t type = DATA_COLOR)
    {
        static const OutputDesc colour[] = {{"out", DATA_COLOR}};
        static const OutputDesc grey[] = {{"out", DATA_FLOAT}};
        auto node = std::make_unique<FixedOutput>();
        node->Setup("fixed", "Test", 0, nullptr, outputCount,
                    type == DATA_FLOAT ? grey : colour, 0);
        return node;
    }
    void BeginRender() override { ++begins; }
    void EndRender() override { ++ends; }
    void Evaluate(const EvalContext&) override
    {
        ++evaluations;
        if (begins == ends) {
            ++outsideBracket;
        }
        if (outputCount > 0) {
            for (int c = 0; c < 3; ++c) {
                outputs[0].value.components[c] = value[c];
            }
        }
    }
    std::unique_ptr<Node> Create() const override { return Make(outputCount); }

    double value[3] = {0.0, 0.0, 0.0};
    int begins = 0;
    int ends = 0;
    int evaluations = 0;
    int outsideBracket = 0;
};

class MaterialPreview : public PreviewTest {
protected:
    std::unique_ptr<dib24> Render(Node* node, int size, int samples)
    {
        auto bitmap = std::make_unique<dib24>(size, size, 24);
        RenderPreview(bitmap.get(), samples, node, &list);
        return bitmap;
    }

    // A value gradient that gives v everywhere.
    Node* ConstantValue(double v)
    {
        auto* node = static_cast<NGradientV*>(Add("value gradient", "Gradient"));
        for (int32_t i = 0; i < node->gradient->Count(); ++i) {
            node->gradient->Key(i)->r = v;
        }
        return node;
    }

    NRoot* Root() { return static_cast<NRoot*>(Add("root", "Root")); }
};

// The background checkerboard: greys 89 and 191 in squares of 0.125 scene
// units, about 13.3 pixels at 128 x 128, whatever the node shows.
TEST_F(MaterialPreview, BackgroundIsAGreyCheckerboardAroundTheSphere)
{
    const auto image = Render(ConstantValue(0.5), 128, 1);
    EXPECT_EQ(PixelAt(*image, 0, 0), Grey(kDark));
    EXPECT_EQ(PixelAt(*image, 127, 0), Grey(kLight));
    EXPECT_EQ(PixelAt(*image, 0, 127), Grey(kLight));
    EXPECT_EQ(PixelAt(*image, 127, 127), Grey(kDark));

    // Along the bottom row the greys alternate in runs of 13 or 14 pixels
    // (the partial squares at both ends aside).
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
}

// Single nodes show their first output on the sphere: a float as grey, a
// colour as itself, nothing at all as black.
TEST_F(MaterialPreview, NodeThumbnailsShowTheFirstOutput)
{
    const auto grey = Render(ConstantValue(0.5), 64, 1);
    EXPECT_EQ(PixelAt(*grey, 32, 32), Grey(kHalf));
    EXPECT_EQ(PixelAt(*grey, 20, 40), Grey(kHalf));
    EXPECT_EQ(PixelAt(*grey, 0, 0), Grey(kDark));

    auto* red = static_cast<NGradientC*>(Add("color gradient", "Gradient"));
    for (int32_t i = 0; i < red->gradient->Count(); ++i) {
        red->gradient->Key(i)->r = 1.0;
    }
    const auto coloured = Render(red, 64, 1);
    EXPECT_EQ(PixelAt(*coloured, 32, 32), (Bgr{0, 0, 255}));
    EXPECT_EQ(PixelAt(*coloured, 45, 12), (Bgr{0, 0, 255}));

    FixedOutput* mute = Adopt(FixedOutput::Make(0));
    const auto black = Render(mute, 64, 1);
    EXPECT_EQ(PixelAt(*black, 32, 32), Grey(0));
    EXPECT_EQ(PixelAt(*black, 0, 0), Grey(kDark));
    EXPECT_GT(mute->evaluations, 0);
}

// A channel beyond the byte range is limited; not-a-number gives 0.
TEST_F(MaterialPreview, ChannelsOutsideTheByteRangeAreLimited)
{
    FixedOutput* wild = Adopt(FixedOutput::Make(1));
    wild->value[0] = std::numeric_limits<double>::infinity();
    wild->value[1] = -std::numeric_limits<double>::infinity();
    wild->value[2] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(PixelAt(*Render(wild, 16, 1), 8, 8), (Bgr{0, 0, 255}));

    wild->value[0] = 1.5;
    wild->value[1] = -0.5;
    wild->value[2] = 0.999;
    EXPECT_EQ(PixelAt(*Render(wild, 16, 1), 8, 8), (Bgr{254, 0, 255}));
}

// A sample point exactly on the rim (x = -0.5, y = 0 at 12 x 12) is on the
// sphere; the one left of it is background.
TEST_F(MaterialPreview, SampleOnTheRimBelongsToTheSphere)
{
    const auto image = Render(ConstantValue(0.5), 12, 1);
    EXPECT_EQ(PixelAt(*image, 1, 6), Grey(kHalf));
    EXPECT_EQ(PixelAt(*image, 11, 6), Grey(kHalf));
    const Bgr outside = PixelAt(*image, 0, 6);
    EXPECT_TRUE(outside == Grey(kDark) || outside == Grey(kLight));
}

// With two samples per axis each pixel is the mean of the four samples that
// a single-sample image of twice the size takes at the same points.
TEST_F(MaterialPreview, AntiAliasingAveragesFourSamples)
{
    Node* node = ConstantValue(0.5);
    const auto fine = Render(node, 32, 1);
    const auto smooth = Render(node, 16, 2);
    const auto level = [](uint8_t byte) {
        return byte == kHalf ? 0.5 : byte == kDark ? 0.35 : byte == kLight ? 0.75 : -1.0;
    };
    int mixed = 0;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            double sum = 0.0;
            for (int sy = 0; sy < 2; ++sy) {
                for (int sx = 0; sx < 2; ++sx) {
                    const double v = level(PixelAt(*fine, 2 * column + sx, 2 * row + sy)[0]);
                    ASSERT_GE(v, 0.0);
                    sum += v;
                }
            }
            const auto expected = static_cast<uint8_t>(sum / 4.0 * 255.0);
            ASSERT_EQ(PixelAt(*smooth, column, row), Grey(expected)) << column << "," << row;
            mixed += expected != kHalf && expected != kDark && expected != kLight;
        }
    }
    EXPECT_GT(mixed, 0);  // some pixels straddle the rim or a checker edge
}

// Every render is one pass of the graph's BeginRender and EndRender, for a
// single node and for the material alike; evaluation happens inside it.
TEST_F(MaterialPreview, OneRenderPassBracketsTheWholeImage)
{
    FixedOutput* node = Adopt(FixedOutput::Make(1));
    Render(node, 24, 2);
    EXPECT_EQ(node->begins, 1);
    EXPECT_EQ(node->ends, 1);
    EXPECT_GT(node->evaluations, 24 * 24);
    EXPECT_EQ(node->outsideBracket, 0);

    NRoot* root = Root();
    root->params[NRoot::kColor].source = node;
    Render(root, 24, 1);
    EXPECT_EQ(node->begins, 2);
    EXPECT_EQ(node->ends, 2);
    EXPECT_EQ(node->outsideBracket, 0);
}

// Targets that are not a 24-bit bitmap, and missing nodes or lists, are left
// alone.
TEST_F(MaterialPreview, UnusableTargetsAreLeftAlone)
{
    FixedOutput* node = Adopt(FixedOutput::Make(1));
    dib24 empty;
    RenderPreview(&empty, 1, node, &list);
    dib24 shallow(8, 8, 16);
    shallow.bits[0] = 0x5a;
    RenderPreview(&shallow, 1, node, &list);
    EXPECT_EQ(shallow.bits[0], 0x5a);
    dib24 fine(8, 8, 24);
    RenderPreview(&fine, 1, nullptr, &list);
    RenderPreview(&fine, 1, node, nullptr);
    RenderPreview(nullptr, 1, node, &list);
    EXPECT_EQ(node->begins, 0);
    EXPECT_EQ(PixelAt(fine, 0, 0), Grey(0));

    // No samples at all leave every pixel black, the background too.
    fine.bits[0] = 0x5a;
    RenderPreview(&fine, 0, node, &list);
    EXPECT_EQ(PixelAt(fine, 0, 0), Grey(0));
}

}  // namespace
