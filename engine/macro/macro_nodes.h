#pragma once
// Macro nodes: a "macro" packs a whole sub-graph into one node, and inside
// that sub-graph a "macro root" marks the result. The outer graph sees the
// macro as a node with one colour output; evaluating it runs the sub-graph's
// first root with the same sample. The sub-graph travels in the macro's
// private data block as a complete nested graph stream, so macros nest.

#include <cstddef>
#include <memory>

#include "model/node.h"
#include "model/node_list.h"

class NodeFactory;

class NMacro : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }

    // Destroys the sub-graph (every node in it) before the base part.
    ~NMacro() override;

    // Makes the sub-graph the list being edited through the editor's hook
    // (see model/edit_hooks.h); nothing without one.
    void Edit(NodeParam& param) override;

    // Reads the sub-graph from the data block, a complete graph stream, with
    // the process's node registry. Always true: a damaged or too deeply
    // nested block leaves an empty sub-graph (the rest of the file still
    // loads), and the stream's bad-link error passes on to the caller as it
    // does for any graph stream. Without a registry the sub-graph stays empty.
    //
    // Evaluating a macro recurses through its sub-graph and on into the
    // macros inside it, so the chains of all the levels add up. A sub-graph
    // whose longest chain, counting each macro in it as its own sub-graph's
    // chain plus one, is longer than NodeList::kMaxChainLength is refused
    // like a damaged one. A file's outer list is bounded by the same length
    // on its own, so a render never recurses through more than twice that.
    bool Load(NodeStream& stream) override;
    // Writes the sub-graph as a complete graph stream.
    void Save(NodeStream& stream) override;

    // Appends a deep copy of another macro's sub-graph, written and read back
    // through a memory stream; a node of any other type changes nothing.
    void CopyFrom(const Node& other) override;

    // Render brackets reach every node of the sub-graph.
    void BeginRender() override;
    void EndRender() override;

    // "result" := output 0 of the sub-graph's first root, run afresh for this
    // sample; (0, 0, 0) when the sub-graph has no root.
    void Evaluate(const EvalContext& context) override;

    // Made with the node, never null.
    const std::unique_ptr<NodeList> subGraph = std::make_unique<NodeList>();

private:
    // Loads into the (empty) sub-graph; nothing without a registry. Refuses
    // a sub-graph whose evaluation would recurse too deep (see Load).
    void LoadSubGraph(NodeStream& stream);

    // The longest chain of linked nodes in list, each macro counting as one
    // plus its loadedDepth_; 0 for an empty list.
    static size_t EvaluationDepth(const NodeList& list);

    // EvaluationDepth of the sub-graph as last loaded (by Load or CopyFrom,
    // which load every macro inside afresh as well).
    size_t loadedDepth_ = 0;
};

class NMacroRoot : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }

    // "result" := the evaluated "input".
    void Evaluate(const EvalContext& context) override;
};
