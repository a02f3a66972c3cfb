// Seeds for the .shd fuzzer that carry private data blocks of the real node
// types: gradients (a key block) and macros (a nested graph stream, down to
// the nesting bound). Written by the program's own writer with the process's
// registry; run with QM_UPDATE_SEEDS=1 to rewrite them after a deliberate
// format change.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>

#include "golden_files.h"
#include "gradient/gradient_nodes.h"
#include "gradient_test_support.h"
#include "graph_test_support.h"
#include "macro/macro_nodes.h"
#include "node_test_helpers.h"
#include "nodes/operator_nodes.h"
#include "nodes/root_node.h"
#include "registry/globals.h"

using gradienttest::SetKeys;
using graph_test::Append;
using graph_test::Bytes;
using graph_test::SaveBytes;
using nodetest::Link;

namespace {

std::map<std::string, Bytes> MakeSeeds()
{
    std::map<std::string, Bytes> seeds;
    {
        // Both gradients, unsorted keys, one feeding the other.
        NodeList list;
        auto* root = Append<NRoot>(list, NRoot::New());
        auto* colour = Append<NGradientC>(list, NGradientC::New());
        auto* value = Append<NGradientV>(list, NGradientV::New());
        SetKeys(
            *colour->gradient,
            {{0.75, 1.0, 0.5, 0.0, 1.0}, {0.0, 0.0, 0.0, 1.0, 0.5}, {0.25, 0.2, 0.9, 0.1, 0.0}});
        value->params[1].value.components[0] = 0.4;
        Link(*root, NRoot::kColor, *colour, 0);
        Link(*root, NRoot::kTransparency, *colour, 1);
        Link(*root, NRoot::kDiffuse, *value, 0);
        Link(*colour, 1, *value, 0);
        seeds["gradient_pair.shd"] = SaveBytes(list);
    }
    {
        // Gradients only a file makes: repeated positions, one key, none.
        NodeList list;
        auto* root = Append<NRoot>(list, NRoot::New());
        auto* same = Append<NGradientC>(list, NGradientC::New());
        SetKeys(*same->gradient,
                {{0.5, 1.0, 0.0, 0.0, 1.0}, {0.5, 0.0, 1.0, 0.0, 1.0}, {0.5, 0.0, 0.0, 1.0, 1.0}});
        Append<NGradientV>(list, NGradientV::New())->gradient->Clear();
        auto* single = Append<NGradientV>(list, NGradientV::New());
        SetKeys(*single->gradient, {{0.3, 0.6, 0.6, 0.6, 0.2}});
        Link(*root, NRoot::kColor, *same, 0);
        Link(*root, NRoot::kSpecular, *list.nodes[2], 0);
        Link(*root, NRoot::kLuminosity, *single, 1);
        seeds["gradient_odd_keys.shd"] = SaveBytes(list);
    }
    {
        // A macro whose root is fed through an "add".
        NodeList list;
        auto* root = Append<NRoot>(list, NRoot::New());
        auto* macro = Append<NMacro>(list, NMacro::New());
        Link(*root, NRoot::kColor, *macro);
        NodeList& sub = *macro->subGraph;
        auto* macroRoot = Append<NMacroRoot>(sub, NMacroRoot::New());
        Node* add = Append<Node>(sub, NAdd::New());
        add->params[1].value.components[2] = 0.4;
        Link(*macroRoot, 0, *add);
        seeds["macro_add.shd"] = SaveBytes(list);
    }
    {
        // Macros in macros, with a gradient, two macro roots and a material
        // root inside.
        NodeList list;
        auto* root = Append<NRoot>(list, NRoot::New());
        auto* outer = Append<NMacro>(list, NMacro::New());
        Link(*root, NRoot::kColor, *outer);
        NodeList& sub = *outer->subGraph;
        auto* first = Append<NMacroRoot>(sub, NMacroRoot::New());
        auto* gradient = Append<NGradientC>(sub, NGradientC::New());
        auto* inner = Append<NMacro>(sub, NMacro::New());
        Append<NMacroRoot>(sub, NMacroRoot::New())->params[0].value.components[0] = 0.9;
        Link(*first, 0, *gradient);
        Link(*gradient, 1, *inner);
        Append<NRoot>(*inner->subGraph, NRoot::New());
        Append<NMacroRoot>(*inner->subGraph, NMacroRoot::New())->params[0].value.components[1] =
            0.6;
        seeds["macro_nested.shd"] = SaveBytes(list);
    }
    {
        // Macros nested one level past the bound: the list at depth
        // kMaxNestingDepth + 1 is refused, so the deepest macro loads empty.
        auto deepest = NMacro::New();
        Append<NMacroRoot>(*static_cast<NMacro&>(*deepest).subGraph, NMacroRoot::New());
        for (int32_t level = 1; level < NodeList::kMaxNestingDepth; ++level) {
            auto enclosing = NMacro::New();
            NodeList& sub = *static_cast<NMacro&>(*enclosing).subGraph;
            Node* held = Append<Node>(sub, std::move(deepest));
            Link(*Append<NMacroRoot>(sub, NMacroRoot::New()), 0, *held);
            deepest = std::move(enclosing);
        }
        NodeList list;
        // The macro first, then the root: two statements, as the order in
        // which a call's arguments are evaluated is the compiler's choice.
        Node* macro = Append<Node>(list, std::move(deepest));
        Link(*Append<NRoot>(list, NRoot::New()), NRoot::kColor, *macro);
        seeds["macro_past_bound.shd"] = SaveBytes(list);
    }
    return seeds;
}

}  // namespace

TEST(ShdNodeSeeds, CorpusIsWhatTheWriterProduces)
{
    auto registry = std::exchange(globals.nodeFactory, std::make_unique<NodeFactory>());
    for (const auto& [name, bytes] : MakeSeeds()) {
        golden::Expect(golden::ShdSeedDir() / name, bytes, "QM_UPDATE_SEEDS");

        // Every seed loads with the real registry; all but the one past the
        // nesting bound save back byte for byte.
        NodeList loaded;
        ASSERT_TRUE(graph_test::LoadBytes(loaded, bytes, *globals.nodeFactory)) << name;
        EXPECT_EQ(SaveBytes(loaded) == bytes, name != "macro_past_bound.shd") << name;
    }
    globals.nodeFactory = std::move(registry);
}
