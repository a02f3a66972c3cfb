#pragma once
// The loop check the editor runs right after it makes a link: a link that
// closes a cycle through the graph is refused.

class Node;
class NodeList;

// True when the links of the list's nodes form a cycle. Resets every node's
// loopMark first; afterwards a node's loopMark is 1 when the search has
// fully explored it.
bool FindLoop(NodeList& list);

// True when a cycle can be reached from node along input links. Nodes whose
// loopMark is 1 are known to reach none and are not explored again, so a
// whole FindLoop visits every node and every link once, however many paths
// share a node. Explored nodes get loopMark 1; the marks of other nodes must
// be 0 on entry (FindLoop sees to that).
bool FindLoopFrom(Node& node);
