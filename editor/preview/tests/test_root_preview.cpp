// The material root on the preview sphere: light, highlight, refraction of
// the checkerboard, bump.

#include <functional>

#include "nodes/root_node.h"
#include "preview_test_support.h"

namespace {

using namespace preview_test;

// A height rising with one coordinate of the sample, for bump tests.
class HeightField : public Node {
public:
    static std::unique_ptr<HeightField> Make(std::function<double(const EvalContext&)> read)
    {
        static const OutputDesc outputs[] = {{"height", DATA_FLOAT}};
        auto node = std::make_unique<HeightField>();
        node->Setup("height", "Test", 0, nullptr, 1, outputs, 0);
        node->read_ = std::move(read);
        return node;
    }
    void Evaluate(const EvalContext& c) override
    {
        outputs[0].value.components[0] = 20.0 * read_(c);
    }
    std::unique_ptr<Node> Create() const override { return nullptr; }

private:
    std::function<double(const EvalContext&)> read_;
};

class RootPreview : public PreviewTest {
protected:
    void SetUp() override { root = Add("root", "Root"); }
    void Set(int32_t input, double v) { root->params[input].value.components[0] = v; }
    void Bump(std::unique_ptr<HeightField> height)
    {
        root->params[NRoot::kBumpTexture].source = Adopt(std::move(height));
    }
    uint8_t Centre() { return PixelAt(*Render(root, 64), 32, 32)[0]; }

    Node* root = nullptr;
};

// Default material: grey 0.78 lit from the upper left; a point facing away
// from the light gets only the ambient 0.1 (0.078, byte 19).
TEST_F(RootPreview, DefaultMaterialIsLitFromTheUpperLeft)
{
    const auto image = Render(root, 128);
    EXPECT_EQ(PixelAt(*image, 94, 34), Grey(19));
    const Bgr lit = PixelAt(*image, 44, 84);
    EXPECT_EQ(lit, Grey(lit[0]));
    EXPECT_GT(lit[0], 150);
    EXPECT_LE(lit[0], 218);  // 0.78 x (1 + 0.1)
    EXPECT_DOUBLE_EQ(root->outputs[NRoot::kColor].value.components[2], 0.78);
}

// The highlight needs a roughness other than 0; it brightens the upper left.
TEST_F(RootPreview, HighlightNeedsRoughness)
{
    const auto plain = Render(root, 64);
    Set(NRoot::kSpecular, 1.0);
    Set(NRoot::kRoughness, 0.0);
    EXPECT_TRUE(SameImage(*plain, *Render(root, 64)));
    Set(NRoot::kRoughness, 0.15);
    const auto shiny = Render(root, 64);
    EXPECT_EQ(PixelAt(*shiny, 24, 41), Grey(255));
    EXPECT_EQ(PixelAt(*shiny, 40, 24), PixelAt(*plain, 40, 24));
}

// A clear sphere of eta 1 bends nothing: it shows the checkerboard behind
// it, continuing the background (the middle row is the bottom row's pattern
// inverted). Another eta bends the view.
TEST_F(RootPreview, RefractionShowsTheCheckerboardBehind)
{
    Set(NRoot::kTransparency, 1.0);
    const auto clear = Render(root, 128);
    for (int column = 0; column < 128; ++column) {
        const Bgr middle = PixelAt(*clear, column, 64);
        ASSERT_TRUE(middle == Grey(89) || middle == Grey(191)) << column;
        EXPECT_NE(middle, PixelAt(*clear, column, 0)) << column;
    }
    Set(NRoot::kEta, 1.5);
    EXPECT_FALSE(SameImage(*clear, *Render(root, 128)));
}

// A linked bump texture tilts the normal against the height's rise along
// the axes, probing moved world and object positions only: a height rising
// to the right leans the centre towards the light on the left; a negative
// amplitude leans it away; amplitude 0, or a height read from u, changes
// nothing.
TEST_F(RootPreview, BumpTiltsTheNormalAgainstTheSlope)
{
    const uint8_t flat = Centre();
    Bump(HeightField::Make([](const EvalContext& c) { return c.worldPos[0]; }));
    EXPECT_GT(Centre(), flat + 20);
    EXPECT_DOUBLE_EQ(root->outputs[NRoot::kBumpAmplitude].value.components[0], 1.0);
    Set(NRoot::kBumpAmplitude, -1.0);
    EXPECT_LT(Centre(), flat - 20);
    Set(NRoot::kBumpAmplitude, 0.0);
    EXPECT_EQ(Centre(), flat);

    Set(NRoot::kBumpAmplitude, 1.0);
    Bump(HeightField::Make([](const EvalContext& c) { return c.objectPos[1]; }));
    EXPECT_NE(Centre(), flat);
    Bump(HeightField::Make([](const EvalContext& c) { return c.u; }));
    EXPECT_EQ(Centre(), flat);
}

}  // namespace
