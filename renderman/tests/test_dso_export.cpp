// qm_dso.so's dynamic symbol table: the shadeop table and the four
// functions, each also under a leading underscore, and nothing else.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dynamic_symbols.h"

namespace {

TEST(DsoExports, ExactlyTheTableAndTheFourFunctions)
{
    const std::set<std::string> names = exporttest::DefinedDynamicSymbolNames(QM_DSO_LIBRARY);
    const std::set<std::string> expected = {
        "qm_dso_shadeops",  "qm_dso_shade",  "qm_dso_bump",  "qm_dso_user",  "qm_dso_cleanup",
        "_qm_dso_shadeops", "_qm_dso_shade", "_qm_dso_bump", "_qm_dso_user", "_qm_dso_cleanup"};
    EXPECT_EQ(names, expected);
}

}  // namespace
