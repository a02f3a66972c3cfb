// The fuzzer's seed corpus is made here, from the same writer the program
// uses, so the seeds stay exactly what the program writes. Run with
// QM_UPDATE_SEEDS=1 to rewrite the files after a deliberate format change.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "golden_files.h"
#include "graph_test_support.h"

using namespace graph_test;

namespace {

std::map<std::string, Bytes> MakeSeeds()
{
    std::map<std::string, Bytes> seeds;
    {
        NodeList list;
        seeds["empty.shd"] = SaveBytes(list);
        Append<NRoot>(list, NRoot::New());
        seeds["root.shd"] = SaveBytes(list);
    }
    {
        NodeList list;
        auto* root = Append<NRoot>(list, NRoot::New());
        auto* invert = Append<FakeInvert>(list, FakeInvert::New());
        invert->params[0].value.components[1] = 0.5;
        invert->x = 120;
        Link(*root, NRoot::kColor, *invert, 0);
        Link(*root, NRoot::kDiffuse, *invert, 0);
        seeds["invert_to_root.shd"] = SaveBytes(list);
    }
    {
        NodeList list;
        auto* root = Append<NRoot>(list, NRoot::New());
        auto* macro = Append<FakeMacro>(list, FakeMacro::New());
        Link(*root, NRoot::kColor, *macro, 0);
        auto* inner = Append<FakeMacroRoot>(macro->subGraph, FakeMacroRoot::New());
        auto* innerInvert = Append<FakeInvert>(macro->subGraph, FakeInvert::New());
        Link(*inner, 0, *innerInvert, 0);
        auto* nested = Append<FakeMacro>(macro->subGraph, FakeMacro::New());
        Link(*innerInvert, 0, *nested, 0);
        Append<FakeMacroRoot>(nested->subGraph, FakeMacroRoot::New())
            ->params[0]
            .value.components[0] = 0.3;
        seeds["macro.shd"] = SaveBytes(list);
    }
    std::vector<InputRecord> rootInputs(16);
    rootInputs[0] = {2, 0, {0.78, 0.78, 0.78}, ""};
    rootInputs[12] = {3, 0, {}, ""};
    seeds["unknown_type.shd"] = StreamBuilder()
                                    .Int(3)
                                    .Record("Root", "root", rootInputs)
                                    .Record("Plug", "sparkle", {{}, {0, 0, {}, "a\nb"}}, {1, 2, 3})
                                    .Record("Operator", "invert", {{2, 0, {1, 1, 1}, ""}})
                                    .Done();
    seeds["cycle.shd"] = StreamBuilder()
                             .Int(2)
                             .Record("Operator", "invert", {{2, 0, {1, 1, 1}, ""}})
                             .Record("Operator", "invert", {{1, 0, {1, 1, 1}, ""}})
                             .Done();
    seeds["bad_output.shd"] = StreamBuilder()
                                  .Int(2)
                                  .Record("Operator", "invert", {{}})
                                  .Record("Operator", "invert", {{1, 3, {1, 1, 1}, ""}})
                                  .Done();
    seeds["bad_id.shd"] =
        StreamBuilder().Int(1).Record("Operator", "invert", {{9, 0, {1, 1, 1}, ""}}).Done();
    seeds["input_count.shd"] =
        StreamBuilder()
            .Int(1)
            .Record("Operator", "invert", {{}, {}}, {5, 0, 0, 0}, 4, 5, 6, 7, 0)
            .Done();
    return seeds;
}

}  // namespace

TEST(ShdSeeds, CorpusIsWhatTheWriterProduces)
{
    for (const auto& [name, bytes] : MakeSeeds()) {
        golden::Expect(golden::ShdSeedDir() / name, bytes, "QM_UPDATE_SEEDS");
    }
}
