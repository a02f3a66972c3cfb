#include <gtest/gtest.h>

#include <string>

#include "graph_test_support.h"
#include "model/node_list.h"
#include "nodes/root_node.h"

using namespace graph_test;

TEST(RootNode, PortsNamesTypesAndDefaults)
{
    const auto root = NRoot::New();
    EXPECT_EQ(root->name, "root");
    EXPECT_EQ(root->category, "Root");
    EXPECT_TRUE(root->isRoot);
    ASSERT_EQ(root->paramCount, 16);
    ASSERT_EQ(root->outputCount, 16);

    const char* names[16] = {"color",           "diffuse",      "specular",       "roughness",
                             "luminosity",      "reflection",   "transparency",   "eta",
                             "color highlight", "color filter", "bump amplitute", "bump texture",
                             "user1",           "user2",        "user3",          "user4"};
    const double defaults[16] = {0.78, 1.0, 0.0, 0.15, 0.0, 0.0, 0.0, 1.0,
                                 0.0,  0.0, 1.0, 0.0,  0.0, 0.0, 0.0, 0.0};
    for (int32_t i = 0; i < 16; ++i) {
        const NodeParam& p = root->params[i];
        const bool colour = i == 0 || i >= 12;
        EXPECT_EQ(p.name, names[i]);
        EXPECT_TRUE(p.connectable) << i;
        EXPECT_EQ(p.value.type, colour ? DATA_COLOR : DATA_FLOAT) << i;
        EXPECT_EQ(p.editKind, colour ? EDIT_COLOR : EDIT_FLOAT) << i;
        EXPECT_EQ(p.value.text, "");
        EXPECT_EQ(p.value.components[0], defaults[i]) << i;
        EXPECT_EQ(p.value.components[1], colour ? defaults[i] : 0.0) << i;
        EXPECT_EQ(p.value.components[2], colour ? defaults[i] : 0.0) << i;
        EXPECT_EQ(p.source, nullptr);

        const NodeOutput& o = root->outputs[i];
        EXPECT_EQ(o.value.type, p.value.type) << i;
        if (i != NRoot::kBumpAmplitude) {
            EXPECT_EQ(o.name, p.name);
        }
    }
    EXPECT_EQ(root->outputs[NRoot::kBumpAmplitude].name, "bump amplitude");
    EXPECT_EQ(root->x, 0);
    EXPECT_EQ(root->width, 96);
    EXPECT_EQ(root->height, 64);
}

TEST(RootNode, EvaluateWritesNothingAndARendererSeesTheDefaults)
{
    NodeList list;
    auto* root = Append<NRoot>(list, NRoot::New());
    EvalContext ctx{};
    root->Evaluate(ctx);
    for (int32_t i = 0; i < 16; ++i) {
        for (double c : root->outputs[i].value.components) {
            EXPECT_EQ(c, 0.0);
        }
    }

    // The renderer's loop: evaluate each input into the output of its index.
    auto* invert = Append<FakeInvert>(list, FakeInvert::New());
    invert->params[0].value.components[0] = 0.25;
    Link(*root, NRoot::kUser2, *invert, 0);
    Link(*root, NRoot::kSpecular, *invert, 0);
    list.BeginRender();
    root->ClearEvaluated();
    for (int32_t i = 0; i < 16; ++i) {
        root->outputs[i].value = root->EvaluateParam(root->params[i], &ctx);
    }
    list.EndRender();
    EXPECT_EQ(root->outputs[NRoot::kColor].value.components[2], 0.78);
    EXPECT_EQ(root->outputs[NRoot::kRoughness].value.components[0], 0.15);
    EXPECT_EQ(root->outputs[NRoot::kBumpAmplitude].value.components[0], 1.0);
    EXPECT_EQ(root->outputs[NRoot::kUser2].value.components[0], 0.75);
    EXPECT_EQ(root->outputs[NRoot::kUser2].value.type, DATA_COLOR);
    // A float input linked to a colour takes the mean: (0.75 + 0 + 0) / 3.
    EXPECT_DOUBLE_EQ(root->outputs[NRoot::kSpecular].value.components[0], 0.25);
    EXPECT_EQ(root->outputs[NRoot::kSpecular].value.type, DATA_FLOAT);
}
