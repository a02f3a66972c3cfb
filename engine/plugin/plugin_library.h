#pragma once
// The plug-in scans: at start-up every shared object in "Image/" and "Node/"
// under the plug-in home is loaded, and the records of its exported
// `_n_activate_table` add image loaders and node types.

#include <string>

#include "plugin/qm_plugin.h"

class ImageLoaderMan;
class NodeFactory;

// QMERE_HOME, or the current directory when it is unset or empty, ending in
// '/' (or '\'). Read anew at each call.
std::string GetHomeDir();

// The image scan of GetHomeDir(): loaders join the process's loader registry.
void LoadImagePlugins();
// The node scan of GetHomeDir(): types join factory with image index 11.
void LoadNodePlugins(NodeFactory& factory);

// The same scans under an explicit home (ending in a separator) and into an
// explicit registry.
void LoadImagePlugins(const std::string& home, ImageLoaderMan& loaders);
void LoadNodePlugins(const std::string& home, NodeFactory& factory);

// Whether a node description can set up a node: names present, counts not
// negative, arrays present for positive counts.
bool UsableNodeDesc(const NodePluginDesc* desc);
