// libqm_core.so's dynamic symbol table: the ten functions and their
// underscore aliases, each alias at its function's address.
#include <gtest/gtest.h>

#include <string>

#include "dynamic_symbols.h"

namespace {

TEST(CoreExports, ExactlyTheTenFunctionsAndTheirAliases)
{
    const auto symbols = exporttest::DefinedDynamicSymbols(QM_CORE_LIBRARY);
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
