#include "macro/macro_nodes.h"

#include <typeinfo>

#include "model/edit_hooks.h"
#include "model/node_stream.h"
#include "model/weighted_chain.h"
#include "registry/globals.h"

namespace {

const ParamDesc kMacroInputs[] = {{"macro", DATA_CUSTOM, EDIT_CUSTOM, 0}};
const ParamDesc kRootInputs[] = {{"input", DATA_COLOR, EDIT_COLOR, 1}};
const OutputDesc kResult[] = {{"result", DATA_COLOR}};

constexpr int32_t kCopyCapacity = 1024;

}  // namespace

std::unique_ptr<Node> NMacro::New()
{
    auto node = std::make_unique<NMacro>();
    node->Setup("macro", "Macro", 1, kMacroInputs, 1, kResult, 0);
    return node;
}

NMacro::~NMacro() = default;

void NMacro::Edit(NodeParam&)
{
    const EditHooks& hooks = TheEditHooks();
    if (hooks.enterNodeList) {
        hooks.enterNodeList(subGraph.get());
    }
}

void NMacro::LoadSubGraph(NodeStream& stream)
{
    if (globals.nodeFactory == nullptr) {
        return;
    }
    // A false result has already left the sub-graph empty; a bad link id
    // leaves it empty too and propagates.
    subGraph->Load(stream, *globals.nodeFactory);
    loadedDepth_ = EvaluationDepth(*subGraph);
    if (loadedDepth_ > NodeList::kMaxChainLength) {
        subGraph->Clear();
        loadedDepth_ = 0;
    }
}

size_t NMacro::EvaluationDepth(const NodeList& list)
{
    return LongestWeightedChain(list, [](const Node& node) -> size_t {
        const auto* macro = dynamic_cast<const NMacro*>(&node);
        return 1 + (macro != nullptr ? macro->loadedDepth_ : 0);
    });
}

bool NMacro::Load(NodeStream& stream)
{
    LoadSubGraph(stream);
    return true;
}

void NMacro::Save(NodeStream& stream)
{
    subGraph->Save(stream);
}

void NMacro::CopyFrom(const Node& other)
{
    if (typeid(other) != typeid(NMacro)) {
        return;
    }
    const auto& source = static_cast<const NMacro&>(other);
    NBufferStream buffer(kCopyCapacity);
    source.subGraph->Save(buffer);
    buffer.position = 0;
    LoadSubGraph(buffer);
}

void NMacro::BeginRender()
{
    subGraph->BeginRender();
}

void NMacro::EndRender()
{
    subGraph->EndRender();
}

void NMacro::Evaluate(const EvalContext& context)
{
    double* result = outputs[0].value.components;
    result[0] = 0.0;
    result[1] = 0.0;
    result[2] = 0.0;
    Node* root = subGraph->FindRoot();
    if (root == nullptr) {
        return;
    }
    root->ClearEvaluated();
    root->Evaluate(context);
    if (root->outputCount < 1) {
        return;  // a root without outputs (only a plug-in can declare one) gives black
    }
    const double* value = root->outputs[0].value.components;
    result[0] = value[0];
    result[1] = value[1];
    result[2] = value[2];
}

std::unique_ptr<Node> NMacroRoot::New()
{
    auto node = std::make_unique<NMacroRoot>();
    node->Setup("macro root", "Macro", 1, kRootInputs, 1, kResult, 1);
    return node;
}

void NMacroRoot::Evaluate(const EvalContext& context)
{
    const NodeValue value = Input(0, context);
    double* result = outputs[0].value.components;
    result[0] = value.components[0];
    result[1] = value.components[1];
    result[2] = value.components[2];
}
