// NodeList::CheckReadBack: whether a stream of a list reads back whole, by
// the bounds NodeList::Load and NMacro::Load apply.

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "macro/macro_nodes.h"
#include "model/node.h"
#include "model/node_list.h"

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
    // Post-order over the links with an explicit stack, so that a long chain
    // cannot exhaust the stack. The editor keeps its lists free of cycles; a
    // link back onto the path is skipped all the same.
    std::unordered_map<const Node*, size_t> chain;  // finished nodes
    std::unordered_map<const Node*, bool> seen;
    struct Step {
        const Node* node;
        int32_t nextInput;
    };
    std::vector<Step> path;
    size_t longest = 0;
    for (const auto& start : list.nodes) {
        if (!seen.emplace(start.get(), true).second) {
            continue;
        }
        path.push_back({start.get(), 0});
        while (!path.empty()) {
            Step& step = path.back();
            const Node& node = *step.node;
            if (step.nextInput < node.paramCount) {
                const Node* source = node.params[step.nextInput++].source;
                if (source != nullptr && seen.emplace(source, true).second) {
                    path.push_back({source, 0});
                }
                continue;
            }
            size_t deepestSource = 0;
            for (int32_t i = 0; i < node.paramCount; ++i) {
                const auto at = chain.find(node.params[i].source);
                if (at != chain.end()) {
                    deepestSource = std::max(deepestSource, at->second);
                }
            }
            const size_t length = Weight(node, depth, found) + deepestSource;
            chain.emplace(&node, length);
            longest = std::max(longest, length);
            path.pop_back();
        }
    }
    return longest;
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
