#pragma once
// The node class of every node-plug-in type: a Node carrying its own copy of
// the plug-in's function table and one instance the plug-in made, forwarding
// each virtual operation to the matching plug-in function. No exception a
// plug-in function throws leaves these operations (see plugin_call.h).

#include <memory>

#include "model/node.h"
#include "plugin/qm_plugin.h"

// Whether a node description can set up a node: names present, counts from 0
// to QM_NODE_MAX_PORTS, arrays present for positive counts.
bool UsableNodeDesc(const NodePluginDesc* desc);

class NPlugin : public Node {
public:
    // A node of the type info describes: set up from info.desc, then its
    // instance from create; null when create throws. The prototype of a type
    // is made the same way.
    static std::unique_ptr<Node> New(const NodePluginInfo& info);

    ~NPlugin() override;
    bool Load(NodeStream& stream) override;
    void Save(NodeStream& stream) override;
    void CopyFrom(const Node& other) override;
    void BeginRender() override;
    void EndRender() override;
    void Evaluate(const EvalContext& context) override;
    std::unique_ptr<Node> Create() const override { return New(info); }

    NodePluginInfo info{};
    PluginCallbacks callbacks{};
};

// The engine's objects behind the plug-in interface's opaque pointers.
inline QmNode* ToPluginNode(Node* node)
{
    return reinterpret_cast<QmNode*>(node);
}
inline Node* FromPluginNode(QmNode* node)
{
    return reinterpret_cast<Node*>(node);
}
inline QmNodeStream* ToPluginStream(NodeStream* stream)
{
    return reinterpret_cast<QmNodeStream*>(stream);
}
inline NodeStream* FromPluginStream(QmNodeStream* stream)
{
    return reinterpret_cast<NodeStream*>(stream);
}

void InitPluginCallbacks(PluginCallbacks& callbacks, Node* node);
void InitPluginStream(PluginStream& record, NodeStream& stream);

extern "C" {
double PluginGetInputDouble(PluginCallbacks* callbacks, int32_t input);
void PluginGetInputColor(PluginCallbacks* callbacks, int32_t input, double out[3]);
const char* PluginGetInputText(PluginCallbacks* callbacks, int32_t input);
void PluginSetOutputDouble(PluginCallbacks* callbacks, int32_t output, double value);
void PluginSetOutputColor(PluginCallbacks* callbacks, int32_t output, const double value[3]);
int32_t PluginStreamRead(PluginStream* record, void* buffer, int32_t count);
int32_t PluginStreamWrite(PluginStream* record, const void* buffer, int32_t count);
}
