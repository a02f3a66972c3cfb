// qm_dso.so's dynamic symbol table: the shadeop table and the four
// functions, each also under a leading underscore, and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(DsoExports, ExactlyTheTableAndTheFourFunctions)
{
    const std::string command = std::string("nm -D --defined-only '") + QM_DSO_LIBRARY + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) names.insert(name);
    }
    const std::set<std::string> expected = {
        "qm_dso_shadeops",  "qm_dso_shade",  "qm_dso_bump",  "qm_dso_user",  "qm_dso_cleanup",
        "_qm_dso_shadeops", "_qm_dso_shade", "_qm_dso_bump", "_qm_dso_user", "_qm_dso_cleanup"};
    EXPECT_EQ(names, expected);
}

}  // namespace
