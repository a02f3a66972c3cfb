#pragma once
// The placeholder type for a node of an unknown type. It has no ports and is
// never registered. The graph reader keeps only the position of a record of
// unknown type and makes no node for it; an N_Null that is in a list when a
// load ends is removed all the same, so none remains in a list once
// NodeList::Load returns.

#include <memory>

#include "model/node.h"

class N_Null : public Node {
public:
    static std::unique_ptr<Node> New();

    void Evaluate(const EvalContext& context) override;
    std::unique_ptr<Node> Create() const override { return New(); }
};
