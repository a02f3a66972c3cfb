#pragma once
// The "color gradient" and "value gradient" nodes: a float input looked up in
// a gradient the node owns, giving a colour (or a value) and an alpha. Their
// data block in a graph stream is the gradient's stored block.

#include <memory>

#include "gradient/gradient.h"
#include "model/node.h"

// What both gradient node types share: the gradient, its data block, copying
// and the editor window.
class GradientNode : public Node {
public:
    ~GradientNode() override;

    // Opens the editor's gradient editor on this node's gradient through the
    // installed hook (see model/edit_hooks.h); nothing without one.
    void Edit(NodeParam& param) override;
    // The gradient's stored block (see Gradient::Load); always true.
    bool Load(NodeStream& stream) override;
    void Save(NodeStream& stream) override;
    // Copies the gradient from a node of exactly this class, through a
    // memory stream; any other node leaves this one unchanged.
    void CopyFrom(const Node& other) override;

    // Made with the node, never null.
    const std::unique_ptr<Gradient> gradient = std::make_unique<Gradient>();

protected:
    // valueMode: 1 for the value gradient, 0 for the colour gradient, as the
    // gradient editor takes it.
    explicit GradientNode(int32_t valueMode) : valueMode_(valueMode) {}

    // Sets up a new node under name: the inputs "gradient" and "input" (0.0),
    // the two outputs given, and the gradient's two keys: position 1.0 then
    // position 0.0, both black and opaque.
    void SetUpNew(const char* name, const OutputDesc outputs[2]);

    // The gradient at the node's "input" for this sample. A gradient with
    // fewer than two keys (only a stored file makes one) gives black with
    // alpha 0.
    void Lookup(const EvalContext& context, double rgb[3], double& alpha);

private:
    int32_t valueMode_;
};

class NGradientC : public GradientNode {
public:
    NGradientC() : GradientNode(0) {}
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    // "color" := the gradient's colour, "alpha" := its alpha.
    void Evaluate(const EvalContext& context) override;
};

class NGradientV : public GradientNode {
public:
    NGradientV() : GradientNode(1) {}
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    // "value" := the red channel of the gradient, "alpha" := its alpha.
    void Evaluate(const EvalContext& context) override;
};
