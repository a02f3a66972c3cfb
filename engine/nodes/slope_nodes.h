#pragma once
// The "Slope" node types: mix two colours by the orientation of the shading
// normal against an axis ("slope", "slope2") or towards the eye ("incident").

#include <memory>

#include "model/node.h"

class NIncident : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

// What "slope" and "slope2" share: the cached axis and coordinate choices.
class SlopeNode : public Node {
public:
    void BeginRender() override;

    // Cached once per render from the choices; the defaults until then.
    int32_t axis = 1;        // 0 X, 1 Y, 2 Z
    int32_t coordinate = 1;  // 0 object, 1 world
};

class NSlope : public SlopeNode {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NSlope2 : public SlopeNode {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};
