// The sample shaders in examples/ are made here with the real node types, so
// they stay exactly what the engine writes; the same files seed the .shd
// fuzzer. Run with QM_UPDATE_EXAMPLES=1 to rewrite them after a deliberate
// change of the format or of a node type's ports.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "golden_files.h"
#include "gradient/gradient_nodes.h"
#include "model/node_list.h"
#include "model/node_stream.h"
#include "nodes/root_node.h"
#include "registry/globals.h"
#include "startup/engine_startup.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t kPluginImage = 11;

class Examples : public ::testing::Test {
protected:
    const EngineStartup engine;
    static const NodeFactory& Factory() { return *globals.nodeFactory; }
};

// The box the editor gives a node dropped from the palette: twice the longest
// port label plus margins wide, and one row per port below the thumbnail
// high. Labels are taken at 7 pixels a character, about the editor's font.
void SizeAsDropped(Node& node)
{
    size_t longest = 0;
    int32_t inputs = 0;
    for (int32_t i = 0; i < node.paramCount; ++i) {
        if (node.params[i].connectable) {
            ++inputs;
            longest = std::max(longest, node.params[i].name.size());
        }
    }
    for (int32_t i = 0; i < node.outputCount; ++i) {
        longest = std::max(longest, node.outputs[i].name.size());
    }
    const int32_t rows = node.isRoot ? inputs : std::max(inputs, node.outputCount);
    node.width = 2 * 7 * static_cast<int32_t>(longest) + 52;
    node.height = 16 * rows + 96;
}

// Appends a fresh node of a registered type at (x, y), sized as a drop sizes it.
Node* Add(NodeList& list, const char* category, const char* name, int32_t x, int32_t y)
{
    const Node* prototype = globals.nodeFactory->Find(name, category);
    if (prototype == nullptr) {
        ADD_FAILURE() << category << "/" << name << " is not registered";
        return nullptr;
    }
    list.nodes.push_back(prototype->Create());
    Node* node = list.nodes.back().get();
    node->x = x;
    node->y = y;
    SizeAsDropped(*node);
    return node;
}

void Link(Node* to, int32_t input, Node* from, int32_t output = 0)
{
    to->params[input].source = from;
    to->params[input].sourceOutput = output;
}

void Set(Node* node, int32_t input, double a, double b, double c)
{
    double* v = node->params[input].value.components;
    v[0] = a;
    v[1] = b;
    v[2] = c;
}

void Set(Node* node, int32_t input, double a)
{
    node->params[input].value.components[0] = a;
}

// Noise inputs: 0 coordinate, 1 center, 2 scale, 3 rotate, 4 octaves.
// Compose inputs: 0 fg, 1 bg, 2 alpha (blends) / alpha1, 3 alpha2 (compose).
void MakeTypical(NodeList& list)
{
    Node* root = Add(list, "Root", "root", 928, 12);
    Node* marble = Add(list, "Noise", "noise", 12, 12);
    Set(marble, 2, 0.5, 0.5, 0.5);
    Node* speckle = Add(list, "Noise", "noise", 12, 180);
    Set(speckle, 0, 1.0);  // world space
    Set(speckle, 2, 0.1, 0.1, 0.1);
    Set(speckle, 3, 0.0, 30.0, 0.0);
    Node* clock = Add(list, "Animate", "time", 12, 348);
    Set(clock, 1, 0.2);
    Node* churn = Add(list, "Noise", "turbulence", 184, 12);
    Link(churn, 1, clock);  // drifts with time
    Set(churn, 2, 0.25, 0.25, 0.25);
    Set(churn, 4, 5.0);
    Node* tint = Add(list, "Compose", "compose", 184, 228);
    Link(tint, 0, marble);
    Set(tint, 1, 0.8, 0.5, 0.2);
    Link(tint, 2, speckle);
    Node* slope = Add(list, "Slope", "slope", 412, 12);
    Set(slope, 3, 0.2, 0.3, 0.1);
    Node* overlay = Add(list, "Compose", "overlay", 412, 164);
    Link(overlay, 0, tint);
    Link(overlay, 1, churn);
    Set(overlay, 2, 0.6);
    Node* screen = Add(list, "Compose", "screen", 584, 12);
    Link(screen, 0, slope);
    Link(screen, 1, overlay);
    Link(screen, 2, speckle);
    Node* multiply = Add(list, "Compose", "multiply", 756, 12);
    Link(multiply, 0, screen);
    Set(multiply, 1, 0.9, 0.85, 0.7);

    Link(root, NRoot::kColor, multiply);
    Link(root, NRoot::kDiffuse, marble);
    Link(root, NRoot::kSpecular, churn);
    Link(root, NRoot::kBumpTexture, speckle);
    Link(root, NRoot::kUser1, screen);
    Set(root, NRoot::kBumpAmplitude, 0.3);
}

void MakeGradient(NodeList& list)
{
    Node* root = Add(list, "Root", "root", 392, 12);
    Node* noise = Add(list, "Noise", "noise", 12, 12);
    Set(noise, 2, 0.3, 0.3, 0.3);
    auto* ramp = static_cast<GradientNode*>(Add(list, "Gradient", "color gradient", 196, 12));
    Link(ramp, 1, noise);
    // The two keys of a new node (positions 1 then 0) get colours, and a
    // third key sits between them.
    GValue* high = ramp->gradient->Key(0);
    high->r = 1.0;
    high->g = 0.9;
    high->b = 0.6;
    GValue* low = ramp->gradient->Key(1);
    low->r = 0.1;
    low->g = 0.05;
    low->b = 0.3;
    auto middle = std::make_unique<GValue>();
    middle->position = 0.45;
    middle->r = 0.8;
    middle->g = 0.2;
    middle->b = 0.1;
    middle->alpha = 0.5;
    ramp->gradient->AddKey(std::move(middle));
    Link(root, NRoot::kColor, ramp, 0);
    Link(root, NRoot::kTransparency, ramp, 1);
}

// One fresh node of every built-in type the registry holds, in palette order.
void MakeAllTypes(NodeList& list)
{
    // One column per category, collapsed boxes stacked in palette order.
    const NodeFactory& f = *globals.nodeFactory;
    int32_t left = 12;
    for (uint32_t c = 0; !f.CategoryName(c).empty(); ++c) {
        const std::string category = f.CategoryName(c);
        int32_t top = 12;
        int32_t widest = 0;
        for (uint32_t i = 0;; ++i) {
            int32_t image = 0;
            const std::string name = f.NodeName(category, i, &image);
            if (name.empty()) {
                break;
            }
            if (image != kPluginImage) {
                Node* node = Add(list, category.c_str(), name.c_str(), left, top);
                node->expanded = false;
                top += 16 + 12;
                widest = std::max(widest, node->width);
            }
        }
        left += widest > 0 ? widest + 24 : 0;
    }
}

Bytes Save(NodeList& list)
{
    list.Renumber();
    NBufferStream s(1024);
    list.Save(s);
    return Bytes(s.data.get(), s.data.get() + s.position);
}

std::map<std::string, Bytes> MakeExamples()
{
    std::map<std::string, Bytes> files;
    {
        NodeList list;
        Add(list, "Operator", "invert", 0, 0);
        files["invert.shd"] = Save(list);
    }
    {
        NodeList list;
        MakeTypical(list);
        files["typical.shd"] = Save(list);
    }
    {
        NodeList list;
        MakeGradient(list);
        files["gradient.shd"] = Save(list);
    }
    {
        NodeList list;
        MakeAllTypes(list);
        files["all_types.shd"] = Save(list);
    }
    return files;
}

const std::filesystem::path kExamples = QM_EXAMPLES_DIR;

bool LoadFile(NodeList& list, const std::filesystem::path& path)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    NFileStream stream(file);
    return list.Load(stream, *globals.nodeFactory);
}

EvalContext SampleAt(int k)
{
    EvalContext c{};
    for (int i = 0; i < 3; ++i) {
        c.objectPos[i] = 0.37 * k + 0.11 * i;
        c.worldPos[i] = 1.5 - 0.23 * k * (i + 1);
        c.normal[i] = c.objectNormal[i] = (i == 1) ? 1.0 : 0.3 * std::sin(k + i);
        c.baseNormal[i] = c.objectBaseNormal[i] = c.normal[i];
    }
    c.incident[2] = -1.0;
    c.u = 0.1 * k;
    c.v = 0.05 * k;
    c.frame = 3.0 * k;
    c.filterSize = c.objectFilterSize = 0.001;
    return c;
}

// Every output of every node at a few samples, each node evaluated with
// its inputs as a renderer pulls them; the root's outputs as a renderer
// stores them.
std::vector<double> Evaluate(NodeList& list)
{
    std::vector<double> values;
    list.BeginRender();
    for (int k = 0; k < 4; ++k) {
        const EvalContext c = SampleAt(k);
        for (const auto& node : list.nodes) {
            node->ClearEvaluated();
            if (node->isRoot) {
                for (int32_t i = 0; i < node->paramCount && i < node->outputCount; ++i) {
                    const NodeData v = node->EvaluateParam(node->params[i], &c);
                    std::memcpy(node->outputs[i].value.components, v.components,
                                sizeof v.components);
                }
            } else {
                node->Evaluate(c);
            }
            for (int32_t j = 0; j < node->outputCount; ++j) {
                const double* v = node->outputs[j].value.components;
                values.insert(values.end(), v, v + 3);
            }
        }
    }
    list.EndRender();
    return values;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

}  // namespace

TEST_F(Examples, CommittedFilesAreWhatTheEngineWritesNow)
{
    for (const auto& [name, bytes] : MakeExamples()) {
        for (const std::filesystem::path& dir : {kExamples, golden::ShdSeedDir()}) {
            golden::Expect(dir / name, bytes, "QM_UPDATE_EXAMPLES");
        }
    }
    // The one fresh invert is the smallest graph of a real type.
    EXPECT_EQ(golden::ReadFile(kExamples / "invert.shd").size(), 93u);
}

TEST_F(Examples, EachLoadsWithTheRealRegistryAndEvaluatesAsBuilt)
{
    const std::map<std::string, void (*)(NodeList&)> builders = {
        {"invert.shd", [](NodeList& l) { Add(l, "Operator", "invert", 0, 0); }},
        {"typical.shd", MakeTypical},
        {"gradient.shd", MakeGradient},
        {"all_types.shd", MakeAllTypes},
    };
    for (const auto& [name, build] : builders) {
        SCOPED_TRACE(name);
        NodeList loaded;
        ASSERT_TRUE(LoadFile(loaded, kExamples / name));
        NodeList built;
        build(built);
        ASSERT_EQ(loaded.nodes.size(), built.nodes.size());
        for (size_t i = 0; i < built.nodes.size(); ++i) {
            EXPECT_EQ(loaded.nodes[i]->name, built.nodes[i]->name);
            EXPECT_EQ(loaded.nodes[i]->category, built.nodes[i]->category);
        }
        EXPECT_EQ(Save(loaded), golden::ReadFile(kExamples / name));

        const std::vector<double> fromFile = Evaluate(loaded);
        EXPECT_FALSE(fromFile.empty());
        EXPECT_TRUE(SameBits(fromFile, Evaluate(built)));
    }
}

TEST_F(Examples, TypicalShaderReachesTheRootsLinkedProperties)
{
    NodeList list;
    ASSERT_TRUE(LoadFile(list, kExamples / "typical.shd"));
    EXPECT_EQ(list.nodes.size(), 10u);
    Node* root = list.FindRoot();
    ASSERT_NE(root, nullptr);
    for (int32_t input :
         {NRoot::kColor, NRoot::kDiffuse, NRoot::kSpecular, NRoot::kBumpTexture, NRoot::kUser1}) {
        EXPECT_NE(root->params[input].source, nullptr) << input;
    }

    // The noise-driven properties vary over the surface and stay in [0, 1].
    list.BeginRender();
    std::vector<double> diffuse;
    for (int k = 0; k < 8; ++k) {
        const EvalContext c = SampleAt(k);
        root->ClearEvaluated();
        for (int32_t i = 0; i < NRoot::kPortCount; ++i) {
            const NodeData v = root->EvaluateParam(root->params[i], &c);
            std::memcpy(root->outputs[i].value.components, v.components, sizeof v.components);
        }
        for (int32_t i : {NRoot::kDiffuse, NRoot::kSpecular, NRoot::kBumpTexture}) {
            const double value = root->outputs[i].value.components[0];
            EXPECT_GE(value, 0.0) << i;
            EXPECT_LE(value, 1.0) << i;
        }
        diffuse.push_back(root->outputs[NRoot::kDiffuse].value.components[0]);
    }
    list.EndRender();
    EXPECT_NE(*std::min_element(diffuse.begin(), diffuse.end()),
              *std::max_element(diffuse.begin(), diffuse.end()));
}
