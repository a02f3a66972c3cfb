#pragma once
// The placeholder that stands in for a node of an unknown type while a graph
// stream is read. It has no ports, is never registered, and never remains in
// a list once NodeList::Load returns.

#include <memory>

#include "model/node.h"

class N_Null : public Node {
public:
    static std::unique_ptr<Node> New();

    void Evaluate(const EvalContext& context) override;
    std::unique_ptr<Node> Create() const override { return New(); }
};
