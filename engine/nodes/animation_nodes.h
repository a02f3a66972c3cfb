#pragma once
// The "Animate" node types: the sample's frame as seconds, and linear motion.

#include <memory>

#include "model/node.h"

class NTime : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NVelocity : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};
