// QM_Shader.p's dynamic symbol table: the module descriptor and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(LwExports, OnlyTheModuleDescriptor)
{
    const std::string command = std::string("nm -D --defined-only '") + QM_SHADER_MODULE + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    ASSERT_TRUE(pipe);
    std::set<std::string> names;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) names.insert(name);
    }
    EXPECT_EQ(names, std::set<std::string>{"_mod_descrip"});
}

}  // namespace
