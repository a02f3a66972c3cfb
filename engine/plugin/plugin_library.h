#pragma once
// The plug-in scan: at start-up every shared object in a subdirectory of the
// plug-in home ("Image/" or "Node/") is loaded, and each record of its
// exported `_n_activate_table` whose class name is the scan's is handed to the
// registry that asked for the scan. The scan knows no registry: the image
// loader registry and the node registry each register through it.

#include <cstdint>
#include <functional>
#include <string>

// QMERE_HOME, or the current directory when it is unset or empty, ending in
// '/' (or '\'). Read anew at each call.
std::string GetHomeDir();

// One table record's activate function.
using PluginActivate = int32_t (*)(void* info);

// Loads every library dir holds (regular files named *.so, in byte order of
// their names; a library already in the process is taken as it is) and calls
// onEntry with the activate function of each table record of className. A
// library without the table is unloaded again when this scan loaded it; one
// with the table stays loaded for the life of the process. dir ends in a
// separator. A missing or unreadable directory is passed over in silence.
void ScanPluginLibraries(const std::string& dir, const char* className,
                         const std::function<void(PluginActivate)>& onEntry);
