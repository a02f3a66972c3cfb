#include "model/null_node.h"

std::unique_ptr<Node> N_Null::New()
{
    auto node = std::make_unique<N_Null>();
    node->Setup("NullNode", "**Null**", 0, nullptr, 0, nullptr, 0);
    return node;
}

void N_Null::Evaluate(const EvalContext&) {}
