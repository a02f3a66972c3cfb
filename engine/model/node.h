#pragma once
// The abstract graph node, its ports, and the evaluation of one input under a
// sample. Every node type derives from Node and adds only its port tables,
// defaults, extra members and overrides.

#include <cstdint>
#include <memory>
#include <string>

#include "image/dib24.h"
#include "model/eval_context.h"
#include "model/node_data.h"
#include "model/port_desc.h"

class Node;
class NodeStream;

// One node input.
struct NodeParam {
    std::string name;
    bool connectable = false;
    Node* source = nullptr;    // linked source node (not owned), null when unlinked
    int32_t sourceOutput = 0;  // index of the linked output of source; 0 when unlinked
    int32_t editKind = 0;      // EditKind code
    NodeData value;            // own value; its type is the declared type and never changes
};

// One node output, written by the node's Evaluate.
struct NodeOutput {
    std::string name;
    NodeData value;
};

class Node {
public:
    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Virtual operations, in slot order.
    virtual ~Node();
    virtual void Edit(NodeParam& param);
    virtual bool Load(NodeStream& stream);
    virtual void Save(NodeStream& stream);
    virtual void CopyFrom(const Node& other);
    virtual void BeginRender();
    virtual void EndRender();
    virtual void Evaluate(const EvalContext& context) = 0;
    virtual std::unique_ptr<Node> Create() const = 0;

    // Called exactly once on a freshly constructed node.
    void Setup(const char* typeName, const char* typeCategory, int32_t inputCount,
               const ParamDesc* inputDescs, int32_t outputCountIn, const OutputDesc* outputDescs,
               int32_t root);

    // The value of one of this node's inputs for the current sample. With a
    // null context, or an unlinked input, the input's own value.
    NodeData EvaluateParam(const NodeParam& param, const EvalContext* context);
    // The same value without its text, for evaluation: nothing is copied but
    // the type and the three components.
    NodeValue EvaluateValue(const NodeParam& param, const EvalContext& context)
    {
        if (param.source == nullptr) {
            return param.value.Value();
        }
        return EvaluateLinkedValue(param, context);
    }

    // Resets the per-sample state of this node and of everything upstream.
    // Each node is visited once per call, however many paths lead to it.
    void ClearEvaluated();

    // Unlinks every input of this node that is linked to other.
    void DisconnectFrom(const Node* other);

    // A new, unlinked copy of this node, owned by the caller.
    std::unique_ptr<Node> Clone() const;

    std::unique_ptr<dib24> thumbnail;  // the editor's preview of this node, made on demand
    int32_t loopMark = 0;
    int32_t id = 0;  // 1-based position in the owning list
    bool evaluated = false;
    bool expanded = true;
    bool isRoot = false;
    int32_t paramCount = 0;
    int32_t outputCount = 0;
    std::unique_ptr<NodeParam[]> params;    // null when paramCount is 0
    std::unique_ptr<NodeOutput[]> outputs;  // null when outputCount is 0
    std::string name;
    std::string category;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 96;
    int32_t height = 64;

private:
    // The source's output that a linked input reads, its source evaluated
    // for the sample first when it has not been yet; null for an unlinked
    // input, a null context or a link to an output the source does not have.
    const NodeData* LinkedOutput(const NodeParam& param, const EvalContext* context);
    NodeValue EvaluateLinkedValue(const NodeParam& param, const EvalContext& context);

    void ClearEvaluatedPass(uint64_t pass);
    uint64_t clearPass_ = 0;  // the last ClearEvaluated pass that reached this node

protected:
    // Defaults written by a type's Create after Setup.
    void SetColorDefault(int32_t index, double r, double g, double b);
    void SetFloatDefault(int32_t index, double value);  // component 0 only
    void SetVectorDefault(int32_t index, double x, double y, double z);
    void SetChoiceDefault(int32_t index, const char* options, int32_t chosen);

    // Reads a choice input's own value (index truncated toward zero) into
    // cached; an index outside the option list leaves cached unchanged.
    void ReadChoice(int32_t index, int32_t& cached);
    // The same against a type's fixed list of count options, whatever text
    // a stored file gave the input.
    void ReadChoice(int32_t index, int32_t count, int32_t& cached);

    // Convenience for Evaluate: the evaluated input at index.
    NodeValue Input(int32_t index, const EvalContext& context)
    {
        return EvaluateValue(params[index], context);
    }
};

// Number of options in a "\n"-separated choice list ("" has none).
int32_t ChoiceCount(const std::string& options);
