#pragma once
// The longest chain of linked nodes in a list, each node counting a weight of
// its own: what evaluation recursion through the list costs. Shared by the
// macro's load (how deep its sub-graph evaluates) and the editor's check that
// a document reads back whole.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "model/node.h"
#include "model/node_list.h"

// The longest chain in list, a chain's length being the sum of weight(node)
// over its nodes; 0 for an empty list. weight is called once per node, after
// it has been called for every node that feeds it. A post-order walk over the
// links with an explicit stack, so that a long chain cannot exhaust the
// stack; a link back onto the path (a cycle, which a loaded list does not
// have) is skipped, so a graph built in memory cannot make it loop.
template <typename Weight>
size_t LongestWeightedChain(const NodeList& list, Weight&& weight)
{
    std::unordered_map<const Node*, size_t> chain;  // finished nodes
    std::unordered_map<const Node*, bool> seen;     // on the path or finished
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
            const size_t length = weight(node) + deepestSource;
            chain.emplace(&node, length);
            longest = std::max(longest, length);
            path.pop_back();
        }
    }
    return longest;
}
