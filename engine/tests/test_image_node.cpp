#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "image/image_handle.h"
#include "image/image_loader.h"
#include "image/image_man.h"
#include "image_test_files.h"
#include "nodes/image_node.h"
#include "registry/node_factory.h"

namespace {

enum {
    TEXTURE,
    PROJECTION,
    AXIS,
    COORDINATE,
    SCALE,
    CENTER,
    ROTATE,
    S_REPEAT,
    T_REPEAT,
    AA_FILTER,
    AA_TYPE
};

// Bitmaps written by the test and read through the process's image cache.
class ImageNodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitImageLoaderMan();
        SetProcessImageMan(&cache);
        // 2 x 2: red grows with s, green with t, so a bilinear tap reads
        // (s, t) back from the colour.
        ramp = dir.File("ramp.bmp");
        imagetest::WriteFile(ramp, imagetest::Encode(imagetest::Rgb24(
                                       2, 2, {0x000000, 0xFF0000, 0x00FF00, 0xFFFF00})));
        // 8 x 8 of distinct texels, for the filtered lookups.
        std::vector<uint32_t> texels;
        for (uint32_t k = 0; k < 64; ++k) {
            texels.push_back((k * 37 % 256) << 16 | (k * 11 % 256) << 8 | (255 - k * 3));
        }
        pattern = dir.File("pattern.bmp");
        imagetest::WriteFile(pattern, imagetest::Encode(imagetest::Rgb24(8, 8, texels)));
    }
    void TearDown() override { SetProcessImageMan(nullptr); }

    static std::unique_ptr<NImage> Make(const std::string& texture)
    {
        std::unique_ptr<Node> node = NImage::New();
        auto image = std::unique_ptr<NImage>(static_cast<NImage*>(node.release()));
        image->params[TEXTURE].value.text = texture;
        return image;
    }
    static void Choose(Node& node, int input, double index)
    {
        node.params[input].value.components[0] = index;
    }
    static void Run(NImage& node, const EvalContext& c, double colour[3], double& alpha)
    {
        node.ClearEvaluated();
        node.Evaluate(c);
        for (int k = 0; k < 3; ++k) {
            colour[k] = node.outputs[0].value.components[k];
        }
        alpha = node.outputs[1].value.components[0];
    }
    static EvalContext UV(double u, double v, double du = 0.0, double dv = 0.0)
    {
        EvalContext c{};
        c.u = u;
        c.v = v;
        c.du = du;
        c.dv = dv;
        return c;
    }

    imagetest::TempDir dir;
    ImageMan cache;
    std::string ramp;
    std::string pattern;
};

}  // namespace

TEST(ImageNodeType, RegisteredBetweenSlopeAndOperatorWithItsPorts)
{
    NodeFactory factory;
    uint32_t external = 0;
    while (factory.CategoryName(external) != "External" &&
           !factory.CategoryName(external).empty()) {
        ++external;
    }
    ASSERT_EQ(factory.CategoryName(external), "External");
    EXPECT_EQ(factory.CategoryName(external - 1), "Slope");
    EXPECT_EQ(factory.CategoryName(external + 1), "Operator");
    int32_t imageIndex = 0;
    EXPECT_EQ(factory.NodeName("External", 0, &imageIndex), "image");
    EXPECT_EQ(imageIndex, 6);

    const Node& n = *factory.Find("image", "External");
    ASSERT_EQ(n.paramCount, 11);
    ASSERT_EQ(n.outputCount, 2);
    EXPECT_EQ(n.params[TEXTURE].editKind, EDIT_FILE);
    EXPECT_EQ(n.params[PROJECTION].value.text, "plannar\ncylindrical\nspherical\ncubic\nuv");
    EXPECT_EQ(n.params[AXIS].value.text, "X\nY\nZ");
    EXPECT_EQ(n.params[COORDINATE].value.text, "object\nworld");
    EXPECT_EQ(n.params[AA_TYPE].value.text, "normal\nsharp");
    EXPECT_EQ(n.params[SCALE].value.type, DATA_VECTOR);
    EXPECT_TRUE(n.params[ROTATE].connectable);
    EXPECT_FALSE(n.params[S_REPEAT].connectable);
    EXPECT_EQ(n.params[SCALE].value.components[2], 1.0);
    EXPECT_EQ(n.params[AA_FILTER].value.components[0], 1.0);
    EXPECT_EQ(n.outputs[0].name, "color");
    EXPECT_EQ(n.outputs[1].value.type, DATA_FLOAT);
}

TEST_F(ImageNodeTest, NewNodeMapsThePlanarExample)
{
    auto node = Make(ramp);
    node->BeginRender();
    EvalContext c{};
    c.objectPos[1] = 0.25;
    c.objectPos[2] = 0.25;
    c.objectBaseNormal[0] = 1.0;
    c.worldPos[1] = -0.4;  // object space is the default: world is not read
    double colour[3];
    double alpha = 0.0;
    Run(*node, c, colour, alpha);
    EXPECT_NEAR(colour[0], 0.75, 1e-12);  // s
    EXPECT_NEAR(colour[1], 0.25, 1e-12);  // t
    EXPECT_EQ(colour[2], 0.0);
    EXPECT_EQ(alpha, 1.0);  // no alpha plane
}

TEST_F(ImageNodeTest, ChoicesMapToTheirCodes)
{
    auto node = Make("");
    EXPECT_EQ(node->projection, 1);
    Choose(*node, PROJECTION, 3.0);  // "cubic"
    Choose(*node, AXIS, 2.0);
    Choose(*node, COORDINATE, 1.0);
    Choose(*node, AA_TYPE, 1.9);  // truncated to "sharp"
    node->params[S_REPEAT].value.components[0] = 3.0;
    node->BeginRender();
    EXPECT_EQ(node->projection, 0);
    EXPECT_EQ(node->axis, 2);
    EXPECT_EQ(node->coordinate, 1);
    EXPECT_EQ(node->aaType, 1.0);
    EXPECT_EQ(node->sRepeat, 3.0);
    Choose(*node, PROJECTION, 4.0);
    node->BeginRender();
    EXPECT_EQ(node->projection, -1);
    Choose(*node, PROJECTION, 5.0);  // outside the list: unchanged
    Choose(*node, AXIS, -1.0);
    Choose(*node, AA_TYPE, 2.0);
    node->BeginRender();
    EXPECT_EQ(node->projection, -1);
    EXPECT_EQ(node->axis, 2);
    EXPECT_EQ(node->aaType, 1.0);
    Choose(*node, PROJECTION, 0.0);  // "plannar"
    node->BeginRender();
    EXPECT_EQ(node->projection, 1);
}

TEST_F(ImageNodeTest, UVProjectionTakesTheHostCoordinatesAndStillWraps)
{
    auto node = Make(ramp);
    Choose(*node, PROJECTION, 4.0);
    node->params[SCALE].value.components[0] = 5.0;
    node->params[CENTER].value.components[1] = 0.3;
    node->params[S_REPEAT].value.components[0] = 4.0;
    node->BeginRender();
    double colour[3];
    double alpha = 0.0;
    Run(*node, UV(1.3, 0.6), colour, alpha);
    EXPECT_NEAR(colour[0], 0.3, 1e-12);
    EXPECT_NEAR(colour[1], 0.6, 1e-12);
    Run(*node, UV(-0.25, 0.5), colour, alpha);
    EXPECT_NEAR(colour[0], 0.75, 1e-12);
}

TEST_F(ImageNodeTest, FilteredAndUnfilteredLookups)
{
    auto node = Make(pattern);
    Choose(*node, PROJECTION, 4.0);
    node->BeginRender();
    const Image* image = node->imageHandle->image;
    ASSERT_NE(image, nullptr);

    // On a texel centre the unfiltered lookup is the texel itself.
    const double s = 2.0 / 7.0;
    const double t = 3.0 / 7.0;
    const uint32_t k = 3 * 8 + 2;
    const double texel[3] = {(k * 37 % 256) / 255.0, (k * 11 % 256) / 255.0, (255 - k * 3) / 255.0};
    double colour[3];
    double alpha = 0.0;
    Run(*node, UV(s, t), colour, alpha);  // no footprint: one tap on level 0
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_NEAR(colour[ch], texel[ch], 1e-12);
    }

    // With a footprint: Image::Sample with the node's blur and mode.
    double expected[3];
    double expectedAlpha = 0.0;
    Run(*node, UV(s, t, 0.2, -0.05), colour, alpha);
    image->Sample(s, t, 0.2, -0.05, 1.0, 0, expected, &expectedAlpha);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_EQ(colour[ch], expected[ch]);
    }
    EXPECT_NE(colour[0], texel[0]);
    EXPECT_EQ(alpha, 1.0);

    Choose(*node, AA_TYPE, 1.0);
    node->params[AA_FILTER].value.components[0] = 0.5;
    node->BeginRender();
    Run(*node, UV(s, t, 0.2, -0.05), colour, alpha);
    image->Sample(s, t, 0.2, -0.05, 0.5, 1, expected, &expectedAlpha);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_EQ(colour[ch], expected[ch]);
    }
    EXPECT_EQ(alpha, 1.0);

    // "aa filter" 0: the single lookup, whatever the footprint.
    node->params[AA_FILTER].value.components[0] = 0.0;
    node->BeginRender();
    Run(*node, UV(s, t, 0.2, -0.05), colour, alpha);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_NEAR(colour[ch], texel[ch], 1e-12);
    }
}

TEST_F(ImageNodeTest, ProjectedFootprintComesFromTheFilterSize)
{
    auto node = Make(pattern);
    Choose(*node, COORDINATE, 1.0);  // world space
    node->BeginRender();
    const Image* image = node->imageHandle->image;
    ASSERT_NE(image, nullptr);

    EvalContext c{};
    c.worldPos[1] = 0.1;
    c.worldPos[2] = -0.2;
    c.baseNormal[0] = 1.0;
    c.objectBaseNormal[1] = 1.0;  // object space must not be read
    c.objectFilterSize = 0.0;
    c.filterSize = 0.2;
    double colour[3];
    double alpha = 0.0;
    Run(*node, c, colour, alpha);
    // Planar X: s = z + 0.5, t = 0.5 - y. The footprint directions are
    // (0, 1, -1) / sqrt 2 and (0, 1, 1) / sqrt 2, so du = dv = f / sqrt 2.
    const double d = 0.2 / std::sqrt(2.0);
    double expected[3];
    image->Sample(0.3, 0.4, d, d, 1.0, 0, expected, nullptr);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_NEAR(colour[ch], expected[ch], 1e-9);
    }

    // Filter size 0: no footprint, the single lookup at (0.3, 0.4).
    c.filterSize = 0.0;
    Run(*node, c, colour, alpha);
    double single[3];
    image->SampleLevel0(0.3, 0.4, single, nullptr);
    for (int ch = 0; ch < 3; ++ch) {
        EXPECT_NEAR(colour[ch], single[ch], 1e-12);
    }
    EXPECT_GT(std::fabs(single[0] - expected[0]), 1e-3);
}

TEST_F(ImageNodeTest, MissingOrEmptyTextureGivesBlackAndOpaque)
{
    for (const std::string& name : {std::string(), dir.File("missing.bmp"), dir.File("noext")}) {
        auto node = Make(name);
        Choose(*node, PROJECTION, 4.0);
        node->BeginRender();
        EXPECT_EQ(node->imageHandle->image, nullptr);
        node->outputs[0].value.components[0] = 0.7;
        double colour[3];
        double alpha = 0.0;
        Run(*node, UV(0.5, 0.5, 0.1, 0.1), colour, alpha);
        EXPECT_EQ(colour[0], 0.0);
        EXPECT_EQ(colour[1], 0.0);
        EXPECT_EQ(alpha, 1.0);
        Run(*node, UV(0.5, 0.5), colour, alpha);
        EXPECT_EQ(colour[0], 0.0);
        EXPECT_EQ(alpha, 1.0);
    }
    EXPECT_EQ(cache.ImageCount(), 0u);
}

TEST_F(ImageNodeTest, NodesShareTheCachedImageAndGiveItBack)
{
    auto a = Make(ramp);
    auto b = Make(ramp);
    a->BeginRender();
    b->BeginRender();
    b->BeginRender();  // the same name keeps the held image
    EXPECT_EQ(cache.ImageCount(), 1u);
    ASSERT_NE(a->imageHandle->image, nullptr);
    EXPECT_EQ(a->imageHandle->image, b->imageHandle->image);
    EXPECT_EQ(a->imageHandle->image->refCount, 2);
    auto copy = a->Clone();  // its own, empty handle
    EXPECT_EQ(static_cast<NImage&>(*copy).imageHandle->image, nullptr);

    b->params[TEXTURE].value.text = pattern;
    b->BeginRender();
    EXPECT_EQ(cache.ImageCount(), 2u);
    EXPECT_EQ(a->imageHandle->image->refCount, 1);
    a.reset();
    b.reset();
    EXPECT_EQ(cache.ImageCount(), 0u);
}

TEST_F(ImageNodeTest, OneTexelWidePictureReadsColumnZero)
{
    const std::string narrow = dir.File("narrow.bmp");
    imagetest::WriteFile(narrow, imagetest::Encode(imagetest::Rgb24(1, 2, {0xFF0000, 0x0000FF})));
    auto node = Make(narrow);
    Choose(*node, PROJECTION, 4.0);
    node->BeginRender();
    double colour[3];
    double alpha = 0.0;
    Run(*node, UV(0.9, 0.0), colour, alpha);
    EXPECT_EQ(colour[0], 1.0);
    Run(*node, UV(0.4, 0.5, 0.3, 0.0), colour, alpha);
    EXPECT_NEAR(colour[0], 0.5, 1e-12);
    EXPECT_NEAR(colour[2], 0.5, 1e-12);
}
