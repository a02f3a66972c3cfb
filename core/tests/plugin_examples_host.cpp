// The plug-in guide's two examples as a program meets them. plugin_examples.cmake
// builds them from the installed header alone into a plug-in home and runs
// this program with QMERE_HOME naming that home: the engine, started through
// its one owner, must find the image loader and read pictures with it into
// the image cache, and find the node type, which evaluates, copies itself and
// keeps its private data through a .shd file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model/node_list.h"
#include "model/node_stream.h"
#include "registry/globals.h"
#include "shader_files.h"
#include "startup/engine_startup.h"

namespace {

using shaderfiles::TempDir;

bool WriteBytes(const std::string& path, const std::string& header,
                const std::vector<uint8_t>& pixels)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size() &&
                    std::fwrite(pixels.data(), 1, pixels.size(), file) == pixels.size();
    return std::fclose(file) == 0 && ok;
}

class PluginExamples : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("QMERE_HOME"), nullptr) << "run by plugin_examples.cmake";
    }

    Image* Take(const std::string& name)
    {
        CriticalSection::Guard guard(globals.imageMan->lock);
        return globals.imageMan->Load(name.c_str());
    }
    void Give(const std::string& name)
    {
        CriticalSection::Guard guard(globals.imageMan->lock);
        globals.imageMan->Release(name.c_str());
    }

    EngineStartup engine;
    TempDir dir;
};

TEST_F(PluginExamples, LoaderReadsPpmAndPamTopRowFirst)
{
    // 3 x 2 PPM with a comment in its header: rows top first in the file
    // and in the cache, 3 bytes per texel, no padding.
    std::vector<uint8_t> ppm(18);
    for (size_t i = 0; i < ppm.size(); ++i) {
        ppm[i] = static_cast<uint8_t>(10 * i + 1);
    }
    const std::string ppmName = dir.File("tile.ppm");
    ASSERT_TRUE(WriteBytes(ppmName, "P6\n# three by two\n3 2\n255\n", ppm));
    Image* image = Take(ppmName);
    ASSERT_NE(image, nullptr) << "the example loader did not read " << ppmName;
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    EXPECT_EQ(image->hasAlpha, 0);
    EXPECT_EQ(image->alpha, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(image->rgb.get(), image->rgb.get() + 18), ppm);
    // Level 1 (1 x 1): the mean of all six texels' red bytes 1, 31, 61, 91, 121, 151.
    EXPECT_EQ(image->rgb[18], 76);
    Give(ppmName);

    // 2 x 2 PAM with alpha: colour and alpha split into their two buffers.
    const std::vector<uint8_t> pam = {255, 0, 0,   10, 0,   255, 0,   20,
                                      0,   0, 255, 30, 255, 255, 255, 40};
    const std::string pamName = dir.File("tile.pam");
    ASSERT_TRUE(WriteBytes(
        pamName, "P7\nWIDTH 2\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", pam));
    image = Take(pamName);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->hasAlpha, 1);
    ASSERT_NE(image->alpha, nullptr);
    for (size_t t = 0; t < 4; ++t) {
        for (size_t c = 0; c < 3; ++c) {
            EXPECT_EQ(image->rgb[3 * t + c], pam[4 * t + c]) << t << " " << c;
        }
        EXPECT_EQ(image->alpha[t], pam[4 * t + 3]) << t;
    }
    EXPECT_EQ(image->alpha[4], 25);  // level 1: the mean of 10, 20, 30, 40
    Give(pamName);

    // Damaged pictures give no image: short pixel data, 16-bit samples, a
    // size beyond what the engine takes.
    const std::string shortName = dir.File("short.ppm");
    ASSERT_TRUE(WriteBytes(shortName, "P6 3 2 255\n", std::vector<uint8_t>(17, 7)));
    EXPECT_EQ(Take(shortName), nullptr);
    const std::string deepName = dir.File("deep.ppm");
    ASSERT_TRUE(WriteBytes(deepName, "P6 1 1 65535\n", std::vector<uint8_t>(6, 7)));
    EXPECT_EQ(Take(deepName), nullptr);
    const std::string hugeName = dir.File("huge.ppm");
    ASSERT_TRUE(WriteBytes(hugeName, "P6 60000 60000 255\n", std::vector<uint8_t>(64, 7)));
    EXPECT_EQ(Take(hugeName), nullptr);
    EXPECT_EQ(globals.imageMan->ImageCount(), 0u);
}

// The speckle value and colour at an object-space point.
struct Speckle {
    double value;
    double color[3];
};

Speckle EvaluateAt(Node& node, double x, double y, double z)
{
    EvalContext context{};
    context.objectPos[0] = x;
    context.objectPos[1] = y;
    context.objectPos[2] = z;
    node.ClearEvaluated();
    node.Evaluate(context);
    return {node.outputs[1].value.components[0],
            {node.outputs[0].value.components[0], node.outputs[0].value.components[1],
             node.outputs[0].value.components[2]}};
}

void SetColor(Node& node, int input, double r, double g, double b)
{
    double* c = node.params[input].value.components;
    c[0] = r;
    c[1] = g;
    c[2] = b;
}

TEST_F(PluginExamples, SpeckleNodeEvaluatesCopiesAndKeepsItsSeed)
{
    ASSERT_NE(globals.nodeFactory, nullptr);
    const Node* prototype = globals.nodeFactory->Find("speckle", "Examples");
    ASSERT_NE(prototype, nullptr) << "the example node type was not registered";
    ASSERT_EQ(prototype->paramCount, 3);
    ASSERT_EQ(prototype->outputCount, 2);
    EXPECT_EQ(prototype->params[0].name, "color 1");
    EXPECT_EQ(prototype->outputs[1].value.type, DATA_FLOAT);

    std::unique_ptr<Node> node = prototype->Create();
    SetColor(*node, 0, 0.2, 0.4, 0.6);
    SetColor(*node, 1, 1.0, 1.0, 1.0);
    node->params[2].value.components[0] = 0.5;  // cells of half a unit

    const Speckle first = EvaluateAt(*node, 0.1, 0.2, 0.3);
    EXPECT_GE(first.value, 0.0);
    EXPECT_LT(first.value, 1.0);
    const double from[3] = {0.2, 0.4, 0.6};
    for (int c = 0; c < 3; ++c) {
        EXPECT_DOUBLE_EQ(first.color[c], from[c] + first.value * (1.0 - from[c])) << c;
    }
    // The same cell gives the same value; the eight cells around the origin
    // do not all agree.
    EXPECT_EQ(EvaluateAt(*node, 0.4, 0.45, 0.01).value, first.value);
    std::vector<double> cells;
    for (int k = 0; k < 8; ++k) {
        cells.push_back(EvaluateAt(*node, (k & 1) ? -0.25 : 0.25, (k & 2) ? -0.25 : 0.25,
                                   (k & 4) ? -0.25 : 0.25)
                            .value);
    }
    EXPECT_NE(std::count(cells.begin(), cells.end(), cells[0]), 8);

    // A copy keeps the seed (the same speckles); a new node draws its own.
    const std::unique_ptr<Node> copy = node->Clone();
    const std::unique_ptr<Node> other = prototype->Create();
    SetColor(*other, 1, 1.0, 1.0, 1.0);
    int differing = 0;
    for (int k = 0; k < 8; ++k) {
        const double x = 0.5 * k + 0.1;
        EXPECT_EQ(EvaluateAt(*copy, x, 0.0, 0.0).value, EvaluateAt(*node, x, 0.0, 0.0).value);
        differing += EvaluateAt(*other, x, 0.0, 0.0).value != EvaluateAt(*node, x, 0.0, 0.0).value;
    }
    EXPECT_GT(differing, 0);

    // Through a .shd file: the seed is the node's private data.
    const std::string file = dir.File("speckle.shd");
    {
        NodeList list;
        list.nodes.push_back(std::move(node));
        list.Renumber();
        ASSERT_TRUE(shaderfiles::Save(list, file));
        node = std::move(list.nodes.front());
        list.nodes.clear();
    }
    NodeList loaded;
    FILE* in = std::fopen(file.c_str(), "rb");
    ASSERT_NE(in, nullptr);
    NFileStream stream(in);
    ASSERT_TRUE(loaded.Load(stream, *globals.nodeFactory));
    ASSERT_EQ(loaded.nodes.size(), 1u);
    for (int k = 0; k < 8; ++k) {
        const double x = 0.5 * k + 0.1;
        EXPECT_EQ(EvaluateAt(*loaded.nodes[0], x, 1.0, 2.0).value,
                  EvaluateAt(*node, x, 1.0, 2.0).value);
    }
}

}  // namespace
