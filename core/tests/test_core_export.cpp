// libqm_core.so's dynamic symbol table: the ten functions and their
// underscore aliases, each alias at its function's address.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::map<std::string, std::string> DefinedDynamicSymbols(const std::string& library)
{
    const std::string command = "nm -D --defined-only '" + library + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::map<std::string, std::string> symbols;  // name -> address
    if (!pipe) return symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe.get())) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) symbols[name] = address;
    }
    return symbols;
}

TEST(CoreExports, ExactlyTheTenFunctionsAndTheirAliases)
{
    const auto symbols = DefinedDynamicSymbols(QM_CORE_LIBRARY);
    const char* names[] = {"QM_Load",          "QM_Copy",      "QM_Close",    "QM_BeginRender",
                           "QM_EndRender",     "QM_EvalShade", "QM_EvalBump", "QM_EvalUser",
                           "QM_IsTransparent", "QM_IsBump"};
    EXPECT_EQ(symbols.size(), 20u);
    for (const char* name : names) {
        const auto plain = symbols.find(name);
        const auto alias = symbols.find(std::string("_") + name);
        ASSERT_NE(plain, symbols.end()) << name;
        ASSERT_NE(alias, symbols.end()) << name;
        EXPECT_EQ(plain->second, alias->second) << name;
    }
}

}  // namespace
