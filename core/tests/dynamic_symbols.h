#pragma once
// A shared library's defined dynamic symbols as nm lists them, for the
// export tests of libqm_core.so, qm_dso.so and QM_Shader.p.

#include <cstdio>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>

namespace exporttest {

// Each defined dynamic symbol's name with its address; empty when nm cannot
// be started.
inline std::map<std::string, std::string> DefinedDynamicSymbols(const std::string& library)
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

// The names alone.
inline std::set<std::string> DefinedDynamicSymbolNames(const std::string& library)
{
    std::set<std::string> names;
    for (const auto& entry : DefinedDynamicSymbols(library)) names.insert(entry.first);
    return names;
}

}  // namespace exporttest
