// NodeList::CheckReadBack: whether a stream of a list reads back whole, by
// the bounds NodeList::Load and NMacro::Load apply.

#include "macro/macro_nodes.h"
#include "model/node.h"
#include "model/node_list.h"
#include "model/weighted_chain.h"

namespace {

struct Findings {
    bool chainTooLong = false;
    bool nestedTooDeep = false;
};

size_t LongestChain(const NodeList& list, int32_t depth, Findings& found);

// What node adds to a chain through it, in a list at depth: one, and for a
// macro below the outermost list also its sub-graph's longest chain. Every
// macro's sub-graph is checked on the way, whatever its depth.
size_t Weight(const Node& node, int32_t depth, Findings& found)
{
    const auto* macro = dynamic_cast<const NMacro*>(&node);
    if (macro == nullptr) {
        return 1;
    }
    const size_t inner = LongestChain(*macro->subGraph, depth + 1, found);
    if (inner > NodeList::kMaxChainLength) {
        found.chainTooLong = true;
    }
    return depth > 1 ? 1 + inner : 1;
}

// The longest chain of linked nodes in list, each node counting its Weight;
// 0 for an empty list, and for a list too deep to be read (which reads back
// empty, so nothing below it is looked at).
size_t LongestChain(const NodeList& list, int32_t depth, Findings& found)
{
    if (list.nodes.empty()) {
        return 0;
    }
    if (depth > NodeList::kMaxNestingDepth) {
        found.nestedTooDeep = true;
        return 0;
    }
    return LongestWeightedChain(
        list, [depth, &found](const Node& node) { return Weight(node, depth, found); });
}

}  // namespace

NodeList::ReadBack NodeList::CheckReadBack() const
{
    Findings found;
    if (LongestChain(*this, 1, found) > kMaxChainLength) {
        found.chainTooLong = true;
    }
    if (found.nestedTooDeep) {
        return ReadBack::kNestedTooDeep;
    }
    return found.chainTooLong ? ReadBack::kChainTooLong : ReadBack::kWhole;
}
