#include <gtest/gtest.h>

#include "graph_test_support.h"
#include "nodes/root_node.h"
#include "registry/node_factory.h"

using namespace graph_test;

namespace {

const OutputDesc kOut[] = {{"result", DATA_COLOR}};

// A type whose name and category are chosen by the test.
class Named : public Node {
public:
    static std::unique_ptr<Node> Make(const char* name, const char* category)
    {
        static const ParamDesc inputs[] = {{"value1", DATA_COLOR, EDIT_COLOR, 1}};
        auto n = std::make_unique<Named>();
        n->Setup(name, category, 1, inputs, 1, kOut, 0);
        return n;
    }
    void Evaluate(const EvalContext&) override {}
    std::unique_ptr<Node> Create() const override { return Make(name.c_str(), category.c_str()); }
};

}  // namespace

TEST(NodeFactory, SameNameInTwoCategoriesAndExactLookups)
{
    NodeFactory f(NodeFactory::kEmpty);
    EXPECT_EQ(f.CategoryName(0), "");
    auto mul = Named::Make("multiply", "Operator");
    auto compMul = Named::Make("multiply", "Compose");
    const Node* mulRaw = mul.get();
    const Node* compRaw = compMul.get();
    EXPECT_TRUE(f.Add(NRoot::New(), 2));
    EXPECT_TRUE(f.Add(std::move(mul), 7));
    EXPECT_TRUE(f.Add(Named::Make("add", "Operator"), 7));
    EXPECT_TRUE(f.Add(std::move(compMul), 8));
    EXPECT_EQ(mul, nullptr);

    EXPECT_EQ(f.Find("multiply", "Operator"), mulRaw);
    EXPECT_EQ(f.Find("multiply", "Compose"), compRaw);
    EXPECT_NE(f.Find("root", "Root"), nullptr);
    EXPECT_EQ(f.Find("Root", "Root"), nullptr);
    EXPECT_EQ(f.Find("root", "root"), nullptr);
    EXPECT_EQ(f.Find("Root", "root"), nullptr);
    EXPECT_EQ(f.Find("Operator", "multiply"), nullptr);
    EXPECT_EQ(f.Find("mul", "Operator"), nullptr);
    EXPECT_EQ(f.Find("multiply ", "Operator"), nullptr);
    EXPECT_EQ(f.Find("NullNode", "**Null**"), nullptr);
}

TEST(NodeFactory, DuplicatesAreRefusedAndTheCallerKeepsThem)
{
    NodeFactory f(NodeFactory::kEmpty);
    auto first = Named::Make("add", "Operator");
    const Node* kept = first.get();
    ASSERT_TRUE(f.Add(std::move(first), 7));
    auto again = Named::Make("add", "Operator");
    const Node* refused = again.get();
    EXPECT_FALSE(f.Add(std::move(again), 11));
    EXPECT_EQ(again.get(), refused);  // still the caller's
    EXPECT_EQ(f.Find("add", "Operator"), kept);
    int32_t image = -1;
    EXPECT_EQ(f.NodeName("Operator", 0, &image), "add");
    EXPECT_EQ(image, 7);
    EXPECT_EQ(f.NodeName("Operator", 1), "");
    // The same name in a new category is a new type, in a category at the end.
    EXPECT_TRUE(f.Add(Named::Make("add", "Plug"), 11));
    EXPECT_EQ(f.CategoryName(1), "Plug");
    EXPECT_FALSE(f.Add(nullptr, 0));
}

TEST(NodeFactory, EnumerationFollowsFirstUseAndRegistrationOrder)
{
    NodeFactory f(NodeFactory::kEmpty);
    f.Add(Named::Make("b1", "B"), 4);
    f.Add(Named::Make("a1", "A"), 5);
    f.Add(Named::Make("b2", "B"), 6);
    f.Add(Named::Make("c1", "C"), 7);
    f.Add(Named::Make("a2", "A"), 8);

    std::vector<std::string> seen;
    std::vector<int32_t> images;
    for (uint32_t c = 0; !f.CategoryName(c).empty(); ++c) {
        const std::string category = f.CategoryName(c);
        int32_t image = 0;
        for (uint32_t i = 0; !f.NodeName(category, i, &image).empty(); ++i) {
            const std::string name = f.NodeName(category, i);
            seen.push_back(category + "/" + name);
            images.push_back(image);
            EXPECT_EQ(f.Find(name, category)->name, name);
        }
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"B/b1", "B/b2", "A/a1", "A/a2", "C/c1"}));
    EXPECT_EQ(images, (std::vector<int32_t>{4, 6, 5, 8, 7}));

    int32_t untouched = 42;
    EXPECT_EQ(f.NodeName("B", 2, &untouched), "");
    EXPECT_EQ(f.NodeName("Z", 0, &untouched), "");
    EXPECT_EQ(f.NodeName("b", 0, &untouched), "");
    EXPECT_EQ(untouched, 42);
    EXPECT_EQ(f.CategoryName(3), "");
    EXPECT_EQ(f.CategoryName(0xffffffffu), "");
}

TEST(NodeFactory, TheProcessRegistryStartsWithTheRoot)
{
    const NodeFactory f;
    EXPECT_EQ(f.CategoryName(0), "Root");
    int32_t image = -1;
    EXPECT_EQ(f.NodeName("Root", 0, &image), "root");
    EXPECT_EQ(image, 2);
    const Node* root = f.Find("root", "Root");
    ASSERT_NE(root, nullptr);
    EXPECT_NE(dynamic_cast<const NRoot*>(root), nullptr);

    // A node made from the prototype is the prototype's twin.
    const auto made = root->Create();
    ASSERT_EQ(made->paramCount, root->paramCount);
    for (int32_t i = 0; i < made->paramCount; ++i) {
        EXPECT_EQ(made->params[i].name, root->params[i].name);
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(made->params[i].value.components[k], root->params[i].value.components[k]);
        }
    }
    EXPECT_EQ(f.Find("NullNode", "**Null**"), nullptr);
}
