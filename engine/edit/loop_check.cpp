// NodeList::FindLoop and NodeList::FindLoopFrom, the loop check the editor
// runs right after it makes a link.

#include <vector>

#include "model/node.h"
#include "model/node_list.h"

namespace {

// loopMark values during a search.
constexpr int32_t kUnexplored = 0;
constexpr int32_t kExplored = 1;  // no cycle is reachable from here
constexpr int32_t kOnPath = 2;    // on the current search path

}  // namespace

bool NodeList::FindLoop()
{
    for (const auto& node : nodes) {
        node->loopMark = kUnexplored;
    }
    for (const auto& node : nodes) {
        if (node->loopMark == kUnexplored && FindLoopFrom(*node)) {
            return true;
        }
    }
    return false;
}

bool NodeList::FindLoopFrom(Node& start)
{
    if (start.loopMark == kExplored) {
        return false;
    }
    // Depth first along input links with an explicit path, so that a long
    // chain of nodes cannot exhaust the stack.
    struct Step {
        Node* node;
        int32_t nextInput;
    };
    std::vector<Step> path;
    start.loopMark = kOnPath;
    path.push_back({&start, 0});
    while (!path.empty()) {
        Step& step = path.back();
        Node& node = *step.node;
        if (step.nextInput >= node.paramCount) {
            node.loopMark = kExplored;
            path.pop_back();
            continue;
        }
        Node* source = node.params[step.nextInput++].source;
        if (source == nullptr || source->loopMark == kExplored) {
            continue;
        }
        if (source->loopMark == kOnPath) {
            // A link back onto the path closes a cycle. The path's nodes are
            // not fully explored: leave them unmarked.
            for (const Step& s : path) {
                s.node->loopMark = kUnexplored;
            }
            return true;
        }
        source->loopMark = kOnPath;
        path.push_back({source, 0});
    }
    return false;
}
