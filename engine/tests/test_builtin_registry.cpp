// The process registry against the fixed built-in table: all 37 built-in
// types stand in the table's order, with the table's image index and port
// counts, and every other registered type must be a plug-in.

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <typeinfo>
#include <vector>

#include "model/node.h"
#include "registry/node_factory.h"

namespace {

struct Row {
    const char* category;
    const char* name;
    int32_t imageIndex;
    int32_t inputs;
    int32_t outputs;
};

const Row kFixedTable[] = {
    {"Root", "root", 2, 16, 16},
    {"Macro", "macro", 3, 1, 1},
    {"Macro", "macro root", 3, 1, 1},
    {"Gradient", "color gradient", 4, 2, 2},
    {"Gradient", "value gradient", 4, 2, 2},
    {"Slope", "incident", 5, 2, 1},
    {"Slope", "slope", 5, 4, 1},
    {"Slope", "slope2", 5, 4, 1},
    {"External", "image", 6, 11, 2},
    {"Operator", "mix", 7, 3, 1},
    {"Operator", "add", 7, 2, 1},
    {"Operator", "subtract", 7, 2, 1},
    {"Operator", "multiply", 7, 2, 1},
    {"Operator", "invert", 7, 1, 1},
    {"Operator", "pow", 7, 2, 1},
    {"Operator", "clamp", 7, 3, 1},
    {"Operator", "smoothstep", 7, 3, 1},
    {"Compose", "compose", 8, 4, 1},
    {"Compose", "multiply", 8, 3, 1},
    {"Compose", "screen", 8, 3, 1},
    {"Compose", "overlay", 8, 3, 1},
    {"Compose", "softlight", 8, 3, 1},
    {"Compose", "hardlight", 8, 3, 1},
    {"Compose", "color dodge", 8, 3, 1},
    {"Compose", "color burn", 8, 3, 1},
    {"Compose", "lighten", 8, 3, 1},
    {"Compose", "darken", 8, 3, 1},
    {"Compose", "difference", 8, 3, 1},
    {"Compose", "exclusion", 8, 3, 1},
    {"Noise", "noise", 9, 4, 1},
    {"Noise", "turbulence", 9, 7, 1},
    {"Noise", "fBm", 9, 7, 1},
    {"Noise", "voronoi", 9, 5, 4},
    {"Noise", "crumple", 9, 8, 1},
    {"Noise", "crumple2", 9, 8, 1},
    {"Animate", "time", 10, 2, 1},
    {"Animate", "velocity", 10, 3, 1},
};
constexpr int32_t kPluginImage = 11;

// The rows whose classes are built on other lines of work; every other row
// must be registered already.
// The table position of (category, name), or -1.
int FixedRow(const std::string& category, const std::string& name)
{
    for (size_t i = 0; i < std::size(kFixedTable); ++i) {
        if (category == kFixedTable[i].category && name == kFixedTable[i].name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

struct Entry {
    std::string category;
    std::string name;
    int32_t imageIndex;
};

// The palette's walk over the registry.
std::vector<Entry> Enumerate(const NodeFactory& f)
{
    std::vector<Entry> entries;
    for (uint32_t c = 0; !f.CategoryName(c).empty(); ++c) {
        const std::string category = f.CategoryName(c);
        for (uint32_t i = 0;; ++i) {
            int32_t image = -1;
            const std::string name = f.NodeName(category, i, &image);
            if (name.empty()) {
                break;
            }
            entries.push_back({category, name, image});
        }
    }
    return entries;
}

}  // namespace

TEST(BuiltinRegistry, TypesEnumerateInTheFixedOrderWithTheirImages)
{
    const NodeFactory f;
    const std::vector<Entry> entries = Enumerate(f);

    int lastRow = -1;
    std::set<int> seen;
    std::vector<std::string> builtinCategories;
    for (const Entry& e : entries) {
        SCOPED_TRACE(e.category + "/" + e.name);
        const int row = FixedRow(e.category, e.name);
        if (row < 0) {
            EXPECT_EQ(e.imageIndex, kPluginImage) << "not a built-in, so a plug-in type";
            continue;
        }
        EXPECT_GT(row, lastRow) << "out of the fixed order";
        lastRow = row;
        seen.insert(row);
        EXPECT_EQ(e.imageIndex, kFixedTable[row].imageIndex);
        if (builtinCategories.empty() || builtinCategories.back() != e.category) {
            builtinCategories.push_back(e.category);
        }

        const Node* prototype = f.Find(e.name, e.category);
        ASSERT_NE(prototype, nullptr);
        EXPECT_EQ(prototype->name, e.name);
        EXPECT_EQ(prototype->category, e.category);
        EXPECT_EQ(prototype->paramCount, kFixedTable[row].inputs);
        EXPECT_EQ(prototype->outputCount, kFixedTable[row].outputs);
        EXPECT_EQ(prototype->isRoot, e.category == "Root" || e.name == "macro root");
    }

    for (size_t row = 0; row < std::size(kFixedTable); ++row) {
        EXPECT_EQ(seen.count(static_cast<int>(row)), 1u)
            << kFixedTable[row].category << "/" << kFixedTable[row].name << " is not registered";
    }

    // The built-in categories come first, in the table's order of first use.
    std::vector<std::string> expected;
    for (const Row& row : kFixedTable) {
        if (seen.count(FixedRow(row.category, row.name)) != 0 &&
            (expected.empty() || expected.back() != row.category)) {
            expected.push_back(row.category);
        }
    }
    EXPECT_EQ(builtinCategories, expected);
    for (size_t c = 0; c < expected.size(); ++c) {
        EXPECT_EQ(f.CategoryName(static_cast<uint32_t>(c)), expected[c]);
    }

    int32_t image = -1;
    EXPECT_EQ(f.NodeName("Compose", 11, &image), "exclusion");
    EXPECT_EQ(image, 8);
    image = -1;
    EXPECT_EQ(f.NodeName("Compose", 12, &image), "");
    EXPECT_EQ(image, -1);
}

TEST(BuiltinRegistry, SameNamesInTwoCategoriesAreTwoTypes)
{
    const NodeFactory f;
    const Node* mul = f.Find("multiply", "Operator");
    const Node* compMul = f.Find("multiply", "Compose");
    ASSERT_NE(mul, nullptr);
    ASSERT_NE(compMul, nullptr);
    EXPECT_NE(mul, compMul);
    EXPECT_EQ(mul->paramCount, 2);
    EXPECT_EQ(compMul->paramCount, 3);
    EXPECT_EQ(f.Find("fbm", "Noise"), nullptr);
    EXPECT_NE(f.Find("fBm", "Noise"), nullptr);
}

TEST(BuiltinRegistry, NodesMadeFromPrototypesAreTheirTwins)
{
    const NodeFactory f;
    for (const Entry& e : Enumerate(f)) {
        SCOPED_TRACE(e.category + "/" + e.name);
        const Node* prototype = f.Find(e.name, e.category);
        ASSERT_NE(prototype, nullptr);
        const auto made = prototype->Create();
        ASSERT_NE(made, nullptr);
        const Node& madeRef = *made;
        EXPECT_EQ(typeid(madeRef), typeid(*prototype));
        EXPECT_EQ(made->name, prototype->name);
        EXPECT_EQ(made->category, prototype->category);
        ASSERT_EQ(made->paramCount, prototype->paramCount);
        ASSERT_EQ(made->outputCount, prototype->outputCount);
        for (int32_t i = 0; i < made->paramCount; ++i) {
            const NodeParam& a = made->params[i];
            const NodeParam& b = prototype->params[i];
            EXPECT_EQ(a.name, b.name);
            EXPECT_EQ(a.value.type, b.value.type);
            EXPECT_EQ(a.editKind, b.editKind);
            EXPECT_EQ(a.connectable, b.connectable);
            EXPECT_EQ(a.value.text, b.value.text);
            for (int k = 0; k < 3; ++k) {
                EXPECT_EQ(a.value.components[k], b.value.components[k]) << a.name;
            }
        }
        for (int32_t j = 0; j < made->outputCount; ++j) {
            EXPECT_EQ(made->outputs[j].name, prototype->outputs[j].name);
            EXPECT_EQ(made->outputs[j].value.type, prototype->outputs[j].value.type);
        }
    }
}
