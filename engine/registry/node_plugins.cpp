// Node plug-ins: the "Node/" scan of the plug-in home adds one node type for
// every node record a library's table activates.

#include "plugin/plugin_call.h"
#include "plugin/plugin_library.h"
#include "plugin/plugin_node.h"
#include "registry/node_factory.h"

namespace {

// The palette picture of every plug-in type.
constexpr int32_t kPluginImageIndex = 11;

}  // namespace

void LoadNodePlugins(const std::string& home, NodeFactory& factory)
{
    ScanPluginLibraries(home + "Node/", QM_PLUGIN_NODE_CLASS, [&](PluginActivate activate) {
        NodePluginInfo info{};
        // An activate that throws declines, whatever it filled in.
        if (CallPluginOr(0, [&] { return activate(&info); }) == 0) {
            return;
        }
        // A description no node can be set up from is passed over before
        // anything of the type (not even create) is called.
        if (!UsableNodeDesc(info.desc)) {
            return;
        }
        // So is a type whose prototype's create throws.
        std::unique_ptr<Node> prototype = NPlugin::New(info);
        if (prototype == nullptr) {
            return;
        }
        // A refused prototype is destroyed here, which gives its instance
        // back through the plug-in's destroy.
        factory.Add(std::move(prototype), kPluginImageIndex);
    });
}

void LoadNodePlugins(NodeFactory& factory)
{
    LoadNodePlugins(GetHomeDir(), factory);
}
