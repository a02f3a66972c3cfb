#include "plugin/plugin_node.h"

#include "model/node_stream.h"
#include "plugin/plugin_call.h"

bool UsableNodeDesc(const NodePluginDesc* desc)
{
    return desc != nullptr && desc->name != nullptr && desc->category != nullptr &&
           desc->inputCount >= 0 && desc->outputCount >= 0 &&
           desc->inputCount <= QM_NODE_MAX_PORTS && desc->outputCount <= QM_NODE_MAX_PORTS &&
           (desc->inputCount == 0 || desc->inputs != nullptr) &&
           (desc->outputCount == 0 || desc->outputs != nullptr);
}

std::unique_ptr<Node> NPlugin::New(const NodePluginInfo& info)
{
    auto node = std::make_unique<NPlugin>();
    node->info = info;
    if (info.create != nullptr) {
        // destroy takes back only what create made: until there is an
        // instance, a node given up on the way (memory ran out) calls none.
        node->info.destroy = nullptr;
    }
    const NodePluginDesc* desc = info.desc;
    if (UsableNodeDesc(desc)) {
        node->Setup(desc->name, desc->category, desc->inputCount, desc->inputs, desc->outputCount,
                    desc->outputs, 0);
    } else {
        // The scan registers only usable descriptions; one the plug-in has
        // spoiled since gives a node without ports rather than a crash.
        node->Setup("", "", 0, nullptr, 0, nullptr, 0);
    }
    InitPluginCallbacks(node->callbacks, node.get());
    if (info.create != nullptr) {
        void* instance = nullptr;
        if (!CallPlugin([&] { instance = info.create(); })) {
            return nullptr;  // no instance was made, so destroy gets none
        }
        node->callbacks.instance = instance;
        node->info.destroy = info.destroy;
    }
    return node;
}

NPlugin::~NPlugin()
{
    if (info.destroy != nullptr) {
        CallPlugin([&] { info.destroy(callbacks.instance); });
    }
}

bool NPlugin::Load(NodeStream& stream)
{
    PluginStream record;
    InitPluginStream(record, stream);
    if (info.load == nullptr) {
        return true;
    }
    return CallPluginOr(false, [&] { return info.load(callbacks.instance, &record) != 0; });
}

void NPlugin::Save(NodeStream& stream)
{
    PluginStream record;
    InitPluginStream(record, stream);
    if (info.save != nullptr) {
        // What a save that throws wrote before it threw is the node's data.
        CallPlugin([&] { info.save(callbacks.instance, &record); });
    }
}

void NPlugin::CopyFrom(const Node& other)
{
    const auto* source = dynamic_cast<const NPlugin*>(&other);
    if (source != nullptr && info.copy != nullptr) {
        CallPlugin([&] { info.copy(callbacks.instance, source->callbacks.instance); });
    }
}

void NPlugin::BeginRender()
{
    if (info.beginRender != nullptr) {
        CallPlugin([&] { info.beginRender(callbacks.instance); });
    }
}

void NPlugin::EndRender()
{
    if (info.endRender != nullptr) {
        CallPlugin([&] { info.endRender(callbacks.instance); });
    }
}

void NPlugin::Evaluate(const EvalContext& context)
{
    if (info.evaluate != nullptr) {
        callbacks.context = &context;
        // An evaluate that throws leaves the outputs as it left them, as one
        // that returns without setting them does.
        CallPlugin([&] { info.evaluate(callbacks.instance, &callbacks); });
        // The sample's record does not outlive this call; a plug-in that kept
        // the table and calls a getter later reads the inputs' own values.
        callbacks.context = nullptr;
    }
}

void InitPluginCallbacks(PluginCallbacks& callbacks, Node* node)
{
    callbacks.node = ToPluginNode(node);
    callbacks.instance = nullptr;
    callbacks.getInputDouble = &PluginGetInputDouble;
    callbacks.getInputColor = &PluginGetInputColor;
    callbacks.getInputText = &PluginGetInputText;
    callbacks.setOutputDouble = &PluginSetOutputDouble;
    callbacks.setOutputColor = &PluginSetOutputColor;
    callbacks.context = nullptr;
}

void InitPluginStream(PluginStream& record, NodeStream& stream)
{
    record.stream = ToPluginStream(&stream);
    record.read = &PluginStreamRead;
    record.write = &PluginStreamWrite;
}

// ---- callbacks ------------------------------------------------------------------
// The plug-in is asked to pass indexes within its declared ports; one outside
// them is answered with nothing rather than a read or write out of bounds.

namespace {

bool HasInput(const PluginCallbacks* callbacks, int32_t input)
{
    return callbacks != nullptr && callbacks->node != nullptr && input >= 0 &&
           input < FromPluginNode(callbacks->node)->paramCount;
}

bool HasOutput(const PluginCallbacks* callbacks, int32_t output)
{
    return callbacks != nullptr && callbacks->node != nullptr && output >= 0 &&
           output < FromPluginNode(callbacks->node)->outputCount;
}

// The input's value for the sample being evaluated; outside an evaluation
// its own value.
NodeValue EvaluatedInput(PluginCallbacks* callbacks, int32_t input)
{
    Node& node = *FromPluginNode(callbacks->node);
    const NodeParam& param = node.params[input];
    if (callbacks->context == nullptr) {
        return param.value.Value();
    }
    return node.EvaluateValue(param, *callbacks->context);
}

}  // namespace

extern "C" {

double PluginGetInputDouble(PluginCallbacks* callbacks, int32_t input)
{
    if (!HasInput(callbacks, input)) {
        return 0.0;
    }
    return EvaluatedInput(callbacks, input).components[0];
}

void PluginGetInputColor(PluginCallbacks* callbacks, int32_t input, double out[3])
{
    if (out == nullptr) {
        return;
    }
    if (!HasInput(callbacks, input)) {
        out[0] = out[1] = out[2] = 0.0;
        return;
    }
    const NodeValue value = EvaluatedInput(callbacks, input);
    out[0] = value.components[0];
    out[1] = value.components[1];
    out[2] = value.components[2];
}

const char* PluginGetInputText(PluginCallbacks* callbacks, int32_t input)
{
    if (!HasInput(callbacks, input)) {
        return nullptr;
    }
    Node& node = *FromPluginNode(callbacks->node);
    const NodeParam& param = node.params[input];
    const bool linked = callbacks->context != nullptr && param.source != nullptr &&
                        param.sourceOutput >= 0 && param.sourceOutput < param.source->outputCount;
    if (!linked) {
        return param.value.type == DATA_STRING ? param.value.text.c_str() : nullptr;
    }
    // The evaluated value carries the linked output's text unchanged; hand out
    // the output's own characters, which outlive this call.
    const NodeValue value = node.EvaluateValue(param, *callbacks->context);
    if (value.type != DATA_STRING) {
        return nullptr;
    }
    return param.source->outputs[param.sourceOutput].value.text.c_str();
}

void PluginSetOutputDouble(PluginCallbacks* callbacks, int32_t output, double value)
{
    if (!HasOutput(callbacks, output)) {
        return;
    }
    double* c = FromPluginNode(callbacks->node)->outputs[output].value.components;
    c[0] = value;
    c[1] = value;
    c[2] = value;
}

void PluginSetOutputColor(PluginCallbacks* callbacks, int32_t output, const double value[3])
{
    if (value == nullptr || !HasOutput(callbacks, output)) {
        return;
    }
    double* c = FromPluginNode(callbacks->node)->outputs[output].value.components;
    c[0] = value[0];
    c[1] = value[1];
    c[2] = value[2];
}

int32_t PluginStreamRead(PluginStream* record, void* buffer, int32_t count)
{
    if (record == nullptr || record->stream == nullptr || count <= 0 || buffer == nullptr) {
        return 0;
    }
    return FromPluginStream(record->stream)->Read(buffer, static_cast<uint32_t>(count));
}

int32_t PluginStreamWrite(PluginStream* record, const void* buffer, int32_t count)
{
    if (record == nullptr || record->stream == nullptr || count <= 0 || buffer == nullptr) {
        return 0;
    }
    return FromPluginStream(record->stream)->Write(buffer, static_cast<uint32_t>(count));
}

}  // extern "C"
