// QM_Shader.p's dynamic symbol table: the module descriptor and nothing else.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dynamic_symbols.h"

namespace {

TEST(LwExports, OnlyTheModuleDescriptor)
{
    const std::set<std::string> names = exporttest::DefinedDynamicSymbolNames(QM_SHADER_MODULE);
    EXPECT_EQ(names, std::set<std::string>{"_mod_descrip"});
}

}  // namespace
