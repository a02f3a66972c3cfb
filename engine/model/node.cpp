#include "model/node.h"

#include <atomic>
#include <cmath>
#include <cstring>

Node::~Node() = default;

void Node::Edit(NodeParam&) {}
bool Node::Load(NodeStream&)
{
    return true;
}
void Node::Save(NodeStream&) {}
void Node::CopyFrom(const Node&) {}
void Node::BeginRender() {}
void Node::EndRender() {}

void Node::Setup(const char* typeName, const char* typeCategory, int32_t inputCount,
                 const ParamDesc* inputDescs, int32_t outputCountIn, const OutputDesc* outputDescs,
                 int32_t root)
{
    name = typeName;
    category = typeCategory;
    paramCount = inputCount;
    outputCount = outputCountIn;
    isRoot = root != 0;

    params.reset(paramCount > 0 ? new NodeParam[paramCount] : nullptr);
    outputs.reset(outputCount > 0 ? new NodeOutput[outputCount] : nullptr);

    for (int32_t i = 0; i < paramCount; ++i) {
        const ParamDesc& d = inputDescs[i];
        NodeParam& p = params[i];
        p.name.assign(d.name, strnlen(d.name, sizeof d.name));
        p.source = nullptr;
        p.sourceOutput = 0;
        p.connectable = d.connectable != 0;
        p.editKind = d.editKind;
        p.value = NodeData{};
        p.value.type = d.dataType;
    }
    for (int32_t j = 0; j < outputCount; ++j) {
        const OutputDesc& d = outputDescs[j];
        NodeOutput& o = outputs[j];
        o.name.assign(d.name, strnlen(d.name, sizeof d.name));
        o.value = NodeData{};
        o.value.type = d.dataType;
    }
}

const NodeData* Node::LinkedOutput(const NodeParam& param, const EvalContext* context)
{
    Node* source = param.source;
    // A link to an output the source does not have (only a damaged file can
    // make one) counts as no link.
    if (context == nullptr || source == nullptr || param.sourceOutput < 0 ||
        param.sourceOutput >= source->outputCount) {
        return nullptr;
    }
    if (!source->evaluated) {
        source->Evaluate(*context);
        source->evaluated = true;
    }
    return &source->outputs[param.sourceOutput].value;
}

NodeData Node::EvaluateParam(const NodeParam& param, const EvalContext* context)
{
    const NodeData* out = LinkedOutput(param, context);
    if (out == nullptr) {
        return param.value;
    }
    if (out->type != param.value.type) {
        return NodeData::Convert(out->type, param.value.type, *out);
    }
    return *out;
}

NodeValue Node::EvaluateLinkedValue(const NodeParam& param, const EvalContext& context)
{
    const NodeData* out = LinkedOutput(param, &context);
    if (out == nullptr) {
        return param.value.Value();
    }
    if (out->type != param.value.type) {
        return NodeData::Convert(out->type, param.value.type, out->Value());
    }
    return out->Value();
}

void Node::ClearEvaluated()
{
    // A node reached along several paths is cleared once: without the pass
    // mark a ladder of shared sources costs two visits per rung, which a
    // small file can turn into hours per sample. Passes are numbered process
    // wide, since one graph may be cleared from different threads in turn.
    static std::atomic<uint64_t> passes{0};
    ClearEvaluatedPass(passes.fetch_add(1, std::memory_order_relaxed) + 1);
}

void Node::ClearEvaluatedPass(uint64_t pass)
{
    if (clearPass_ == pass) {
        return;
    }
    clearPass_ = pass;
    evaluated = false;
    for (int32_t i = 0; i < paramCount; ++i) {
        if (params[i].source != nullptr) {
            params[i].source->ClearEvaluatedPass(pass);
        }
    }
}

void Node::DisconnectFrom(const Node* other)
{
    for (int32_t i = 0; i < paramCount; ++i) {
        if (params[i].source == other) {
            params[i].source = nullptr;
            params[i].sourceOutput = 0;
        }
    }
}

std::unique_ptr<Node> Node::Clone() const
{
    std::unique_ptr<Node> copy = Create();
    if (copy == nullptr) {
        return nullptr;  // a plug-in type whose create failed
    }
    for (int32_t i = 0; i < paramCount && i < copy->paramCount; ++i) {
        copy->params[i].value = params[i].value;
    }
    copy->CopyFrom(*this);
    return copy;
}

void Node::SetColorDefault(int32_t index, double r, double g, double b)
{
    double* c = params[index].value.components;
    c[0] = r;
    c[1] = g;
    c[2] = b;
}

void Node::SetFloatDefault(int32_t index, double value)
{
    params[index].value.components[0] = value;
}

void Node::SetVectorDefault(int32_t index, double vx, double vy, double vz)
{
    SetColorDefault(index, vx, vy, vz);
}

void Node::SetChoiceDefault(int32_t index, const char* options, int32_t chosen)
{
    params[index].value.text = options;
    params[index].value.components[0] = chosen;
}

void Node::ReadChoice(int32_t index, int32_t& cached)
{
    ReadChoice(index, ChoiceCount(params[index].value.text), cached);
}

void Node::ReadChoice(int32_t index, int32_t count, int32_t& cached)
{
    const double chosen = std::trunc(EvaluateParam(params[index], nullptr).components[0]);
    if (chosen >= 0.0 && chosen < count) {
        cached = static_cast<int32_t>(chosen);
    }
}

int32_t ChoiceCount(const std::string& options)
{
    if (options.empty()) {
        return 0;
    }
    int32_t count = 1;
    for (char ch : options) {
        count += ch == '\n';
    }
    return count;
}
