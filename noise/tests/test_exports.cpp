// libgranulix.so exports exactly the 25 noise functions.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(Exports, DynamicSymbolTableListsExactlyTheNoiseFunctions)
{
    const std::string command = std::string("nm -D --defined-only '") + GRANULIX_LIBRARY + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe) << command;
    std::set<std::string> names;
    std::string output;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        output += line;
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) names.insert(name);
    }
    const std::set<std::string> expected = {
        "pnoise1",     "pnoise2",      "pnoise3",      "pnoise",      "vnoise",
        "gnoise",      "gvnoise",      "vcnoise",      "scnoise",     "fBm",
        "turbulence",  "multifractal", "spline",       "cellnoise1",  "cellnoise2",
        "cellnoise3",  "cellnoise4",   "vcellnoise1",  "vcellnoise2", "vcellnoise3",
        "vcellnoise4", "voronoi_f1",   "voronoi_f1f2", "crumple",     "crumple2"};
    ASSERT_EQ(expected.size(), 25u);
    EXPECT_EQ(names, expected) << output;
}

}  // namespace
