// The material root on the preview sphere: light, highlight, environment
// reflection and refraction, bump.

#include <algorithm>

#include "material_preview.h"
#include "nodes/root_node.h"
#include "preview_test_support.h"

namespace {

using namespace preview_test;

constexpr uint8_t kDark = 89;
constexpr uint8_t kLight = 191;

// A height that grows with one coordinate of the sample, for bump tests.
class HeightField : public Node {
public:
    enum Source { kWorldX, kObjectY, kU };
    static std::unique_ptr<HeightField> Make(Source source, double slope)
    {
        static const OutputDesc outputs[] = {{"height", DATA_FLOAT}};
        auto node = std::make_unique<HeightField>();
        node->Setup("height", "Test", 0, nullptr, 1, outputs, 0);
        node->source_ = source;
        node->slope_ = slope;
        return node;
    }
    void Evaluate(const EvalContext& c) override
    {
        const double at = source_ == kWorldX ? c.worldPos[0] : source_ == kObjectY ? c.objectPos[1] : c.u;
        outputs[0].value.components[0] = slope_ * at;
    }
    std::unique_ptr<Node> Create() const override { return Make(source_, slope_); }

private:
    Source source_ = kWorldX;
    double slope_ = 0.0;
};

class RootPreview : public PreviewTest {
protected:
    void SetUp() override { root = static_cast<NRoot*>(Add("root", "Root")); }

    void Set(int32_t input, double v) { root->params[input].value.components[0] = v; }
    void SetColor(double r, double g, double b)
    {
        double* c = root->params[NRoot::kColor].value.components;
        c[0] = r;
        c[1] = g;
        c[2] = b;
    }

    std::unique_ptr<dib24> Render(int size = 64)
    {
        auto bitmap = std::make_unique<dib24>(size, size, 24);
        RenderPreview(bitmap.get(), 1, root, &list);
        return bitmap;
    }

    // Every pixel of b at least as bright as in a, and at least one brighter.
    static bool Brighter(const dib24& a, const dib24& b)
    {
        bool any = false;
        for (int row = 0; row < a.height; ++row) {
            for (int column = 0; column < a.width; ++column) {
                const Bgr pa = PixelAt(a, column, row);
                const Bgr pb = PixelAt(b, column, row);
                if (pb[0] < pa[0]) {
                    return false;
                }
                any = any || pb[0] > pa[0];
            }
        }
        return any;
    }

    static bool Same(const dib24& a, const dib24& b)
    {
        return std::equal(a.bits, a.bits + a.rowBytes * a.height, b.bits);
    }

    NRoot* root = nullptr;
};

// Default material: grey 0.78 lit from the upper left; a point facing away
// from the light gets only the ambient 0.1 (byte 19).
TEST_F(RootPreview, DefaultMaterialIsLitFromTheUpperLeft)
{
    const auto image = Render(128);
    EXPECT_EQ(PixelAt(*image, 94, 34), Grey(19));   // lower right, facing away
    const Bgr lit = PixelAt(*image, 44, 84);        // upper left, facing the light
    EXPECT_EQ(lit[0], lit[1]);
    EXPECT_EQ(lit[1], lit[2]);
    EXPECT_GT(lit[0], 150);
    EXPECT_LE(lit[0], 218);  // 0.78 x (1 + 0.1)
    EXPECT_EQ(PixelAt(*image, 0, 0), Grey(kDark));

    // The root's outputs hold what the last sample read from its inputs.
    EXPECT_DOUBLE_EQ(root->outputs[NRoot::kColor].value.components[2], 0.78);
    EXPECT_DOUBLE_EQ(root->outputs[NRoot::kDiffuse].value.components[0], 1.0);
}

// The highlight needs both specular and a roughness other than 0.
TEST_F(RootPreview, HighlightNeedsRoughness)
{
    const auto plain = Render();
    Set(NRoot::kSpecular, 1.0);
    Set(NRoot::kRoughness, 0.0);
    EXPECT_TRUE(Same(*plain, *Render()));

    Set(NRoot::kRoughness, 0.15);
    const auto shiny = Render();
    EXPECT_TRUE(Brighter(*plain, *shiny));
    // The highlight sits where the normal halves light and view: upper left.
    int bestColumn = 0;
    int bestRow = 0;
    for (int row = 0; row < 64; ++row) {
        for (int column = 0; column < 64; ++column) {
            if (PixelAt(*shiny, column, row)[0] > PixelAt(*shiny, bestColumn, bestRow)[0]) {
                bestColumn = column;
                bestRow = row;
            }
        }
    }
    EXPECT_EQ(PixelAt(*shiny, bestColumn, bestRow), Grey(255));
    EXPECT_LT(bestColumn, 32);
    EXPECT_GT(bestRow, 32);
}

// A black mirror shows only the environment's greys; a highlight colour of 1
// tints the reflection by the (black) colour, leaving a black sphere.
TEST_F(RootPreview, ReflectionAddsTheEnvironment)
{
    SetColor(0.0, 0.0, 0.0);
    Set(NRoot::kReflection, 1.0);
    const auto mirror = Render();
    for (int row = 0; row < 64; ++row) {
        for (int column = 0; column < 64; ++column) {
            const Bgr p = PixelAt(*mirror, column, row);
            ASSERT_TRUE(p == Grey(kDark) || p == Grey(kLight)) << column << "," << row;
        }
    }
    Set(NRoot::kColorHighlight, 1.0);
    EXPECT_EQ(PixelAt(*Render(), 32, 32), Grey(0));
}

// A clear sphere with eta 1 bends nothing: it shows the checkerboard behind
// it, continuing the background; another eta bends the view.
TEST_F(RootPreview, RefractionShowsTheCheckerboardBehind)
{
    Set(NRoot::kTransparency, 1.0);
    const auto clear = Render(128);
    for (int column = 0; column < 128; ++column) {
        const Bgr middle = PixelAt(*clear, column, 64);
        ASSERT_TRUE(middle == Grey(kDark) || middle == Grey(kLight)) << column;
        // The middle row (y = 0) is the bottom row's pattern inverted.
        EXPECT_NE(middle, PixelAt(*clear, column, 0)) << column;
    }
    Set(NRoot::kEta, 1.5);
    EXPECT_FALSE(Same(*clear, *Render(128)));
}

// A linked bump texture tilts the normal by the height differences along
// the axes: against a height that rises to the right the normal leans left,
// towards the light, and a negative amplitude leans it away.
TEST_F(RootPreview, BumpTiltsTheNormalAgainstTheSlope)
{
    const auto flat = Render();
    root->params[NRoot::kBumpTexture].source = Adopt(HeightField::Make(HeightField::kWorldX, 20.0));
    const auto bumped = Render();
    EXPECT_GT(PixelAt(*bumped, 32, 32)[0], PixelAt(*flat, 32, 32)[0] + 20);
    EXPECT_DOUBLE_EQ(root->outputs[NRoot::kBumpAmplitude].value.components[0], 1.0);

    Set(NRoot::kBumpAmplitude, -1.0);
    EXPECT_LT(PixelAt(*Render(), 32, 32)[0], PixelAt(*flat, 32, 32)[0] - 20);

    Set(NRoot::kBumpAmplitude, 0.0);
    EXPECT_TRUE(Same(*flat, *Render()));

    // Object-space positions move as well.
    Set(NRoot::kBumpAmplitude, 1.0);
    root->params[NRoot::kBumpTexture].source = Adopt(HeightField::Make(HeightField::kObjectY, 20.0));
    EXPECT_FALSE(Same(*flat, *Render()));
}

// Only the positions move while the bump is probed: a height read from the
// texture coordinates has no differences and leaves the normal alone.
TEST_F(RootPreview, BumpProbesMoveOnlyThePositions)
{
    const auto flat = Render();
    root->params[NRoot::kBumpTexture].source = Adopt(HeightField::Make(HeightField::kU, 20.0));
    EXPECT_TRUE(Same(*flat, *Render()));
}

}  // namespace
