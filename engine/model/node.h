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

    // The text forms of the value that the editor's property list shows and
    // reads back. Both are defined in the edit library (engine/edit), which
    // only the editor links.

    // Stores text into the own value by the edit kind: colour and vector
    // take up to three comma-separated numbers into components 0, 1, 2
    // (fewer pieces leave the remaining components alone), float takes one
    // number into component 0, text and file name take the text itself;
    // every other kind, and a linked connectable input, is left alone.
    // Numbers are read as the C library's atof reads them in the C locale (0
    // when none). The value's type never changes.
    void SetFromText(const std::string& text);

    // The text shown for the input: "[ <source name> : <source output name> ]"
    // for a linked connectable input; otherwise by edit kind the three
    // components as "%.3f, %.3f, %.3f" (colour, vector), component 0 as
    // "%.3f" (float), the text itself (text, file name), the chosen line of
    // the option list (choice; "" when there is no such line), "[-- Edit
    // Here --]" (custom), and "" for any other kind. Numbers use a decimal
    // point whatever the process locale.
    std::string ValueText() const;
};

// One node output, written by the node's Evaluate.
struct NodeOutput {
    std::string name;
    NodeData value;
};

// What a point inside a node's box hits (Node::HitTest).
//
// Geometry of a box, relative to its top-left corner (x, y of the node), all
// ranges inclusive: the border is everything right of width - 6 or from
// height - 6 down; the expand box spans width - 16 to width - 4 by 2 to 14;
// the thumbnail 4 to 68 by 20 to 84; connector row k spans 94 + 16 k to
// 106 + 16 k, inputs at 4 to 16 (connectable inputs only, counted in input
// order), outputs at width - 16 to width - 4 (all outputs). Root nodes offer
// no output connectors to Node::HitTest.
enum HitCode : int32_t {
    HIT_NONE = 0,
    HIT_BODY = 1,
    HIT_BORDER = 2,
    HIT_OUTPUT = 3,
    HIT_INPUT = 4,
    HIT_EXPAND = 5,
    HIT_THUMBNAIL = 6,
};

class Node {
public:
    Node() = default;
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    // Virtual operations, overridden by the node types. Plug-ins see a node
    // only as an opaque QmNode, so this table of virtuals crosses no library
    // boundary and nothing depends on its order.
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

    // A new, unlinked copy of this node, owned by the caller; null when its
    // Create makes no node.
    std::unique_ptr<Node> Clone() const;

    // Where a point of the editor canvas falls on this node's box, the point
    // (px, py) relative to the box (see HitCode). These three are defined in
    // the edit library (engine/edit), which only the editor links.

    // The hit code of the point, first match in the order border, expand
    // box, thumbnail, input connector, (root: body), output connector, body.
    // Uses height whether or not the node is collapsed.
    int32_t HitTest(int32_t px, int32_t py) const;
    // The connectable input whose connector row holds the point, or null.
    NodeParam* InputAt(int32_t px, int32_t py);
    // The index of the output whose connector holds the point, or -1.
    // Answers for root nodes too.
    int32_t OutputAt(int32_t px, int32_t py) const;

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
