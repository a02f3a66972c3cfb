#pragma once
// A shader graph: the ordered nodes of one graph (a whole shader, or the
// sub-graph inside a macro node), owned by the list, and the .shd stream that
// NodeList::Save writes and NodeList::Load reads back.
//
// The list order is everything at once: the editor draws nodes in list order
// (later ones on top), the stream stores them in list order and links name
// their source by its 1-based position, and render brackets visit them in
// list order.

#include <cstdint>
#include <memory>
#include <vector>

#include "model/node.h"

class NodeFactory;
class NodeStream;

class NodeList {
public:
    NodeList() = default;
    NodeList(const NodeList&) = delete;
    NodeList& operator=(const NodeList&) = delete;
    virtual ~NodeList();

    // Sets every node's id to its 1-based position, in list order.
    void Renumber();

    // The first node in list order whose isRoot is set, or null.
    Node* FindRoot() const;

    // Unlinks every input of every node (the removed one included) that is
    // linked to node, then destroys node and erases its place when it is in
    // the list. A node that is not in the list is only unlinked from.
    void Remove(const Node* node);

    // Destroys every node and empties the list.
    void Clear();

    // Node::BeginRender / Node::EndRender on every node, in list order.
    void BeginRender();
    void EndRender();

    // Writes the graph (nodeCount, then one record per node). Returns true.
    bool Save(NodeStream& stream);

    // Reads a graph from the stream and appends it to this list, which is
    // expected to be empty (every caller clears it first or passes a new one).
    // Nodes are made from the factory's prototypes; a record of an unknown
    // type is read and dropped (only its position is kept while reading, so
    // that link ids still count it), and inputs linked to it keep their stored
    // own values. A record whose inputCount differs from its type's keeps the
    // type's defaults. Each node's private data block is read in place from
    // the stream (NBlockStream), never past its end. So what a load holds
    // besides the nodes it makes stays small next to the stream, whatever its
    // counts claim.
    //
    // Well-formed streams load exactly as written; true is returned. Damage is
    // refused or repaired as follows:
    //   - A count or length read from the stream (nodeCount, inputCount,
    //     dataLength, text lengths) that is negative or larger than the bytes
    //     left, or a record cut short: the stream is damaged. Reading stops,
    //     the list is cleared and false is returned. Nothing is allocated from
    //     a count before it has been checked against the bytes left.
    //   - A link id outside 1 to the list's size (0 means unlinked; negative
    //     ids are outside too): the list is cleared, then std::out_of_range is
    //     thrown, the engine's one error that leaves it. Callers that must not
    //     fail (a renderer) catch it around the load.
    //   - A link to an output its source does not have: loads unlinked.
    //   - Links that form a cycle: a depth-first search over the list, in list
    //     order and input order, unlinks every link that leads back to a node
    //     on the current search path (a node linked to itself included). The
    //     input keeps its stored own value, as for an unknown source.
    // Any other failure inside (an exception out of a node's Node::Load) also
    // leaves the list cleared before it propagates, so no input is ever left
    // holding a link that does not point into the list.
    //
    // Nesting. A node's Node::Load may itself call NodeList::Load for a graph
    // stream stored in its private data block (a macro's sub-graph), which may
    // hold further macros, and so on. Each thread counts how many loads are
    // running inside one another; a load that would run at a depth beyond
    // kMaxNestingDepth (the outermost load is depth 1) reads nothing, leaves
    // its list empty and returns false, like a damaged stream. The node that
    // asked for it decides what that means for its own record (a macro keeps
    // an empty sub-graph). This bounds the stack a hostile stream can cause,
    // without any parameter to pass on.
    //
    // Chain length. Evaluation follows links recursively, so a graph whose
    // longest chain of linked nodes is longer than kMaxChainLength is refused
    // like a damaged stream (false, list empty) instead of exhausting a
    // renderer thread's stack later. Hand-built shaders stay far below it.
    bool Load(NodeStream& stream, const NodeFactory& factory);

    // The editor's operations on the list. They are defined in the edit
    // library (engine/edit), which only the editor links.

    // The hit test: the topmost node (the last in list order) whose box holds
    // the canvas point (x, y), a collapsed box being 16 high; null when none.
    // The node found moves to the end of the list, so it is drawn on top from
    // now on (this changes node ids and the file order).
    Node* HitTest(int32_t x, int32_t y);

    // The loop check the editor runs right after it makes a link (a link
    // that closes a cycle is refused): true when the links of the list's
    // nodes form a cycle. Resets every node's loopMark first; afterwards a
    // node's loopMark is 1 when the search has fully explored it.
    bool FindLoop();

    // True when a cycle can be reached from node along input links. Nodes
    // whose loopMark is 1 are known to reach none and are not explored
    // again, so a whole FindLoop visits every node and every link once,
    // however many paths share a node. Explored nodes get loopMark 1; the
    // marks of other nodes must be 0 on entry (FindLoop sees to that). Reads
    // nothing of the list itself.
    static bool FindLoopFrom(Node& node);

    // What Load would not read back of a stream holding this list as its
    // outermost graph (depth 1). The editor asks after every change that can
    // lengthen a chain or nest deeper, and takes back a change that makes the
    // document lose anything, so that every file it saves reads back whole.
    //   - kNestedTooDeep: a node in a list nested deeper than
    //     kMaxNestingDepth (a macro's sub-graph lies one deeper than the list
    //     holding the macro); such a list reads back empty.
    //   - kChainTooLong: a chain of linked nodes longer than kMaxChainLength,
    //     measured as Load measures it: in this list every node counts one; in
    //     a macro's sub-graph a macro counts one plus the longest chain of its
    //     own sub-graph, at every depth. Any path counts, not only those that
    //     reach a root.
    // kNestedTooDeep is reported before kChainTooLong. Every list below this
    // one is walked once.
    enum class ReadBack { kWhole, kChainTooLong, kNestedTooDeep };
    ReadBack CheckReadBack() const;

    static constexpr int32_t kMaxNestingDepth = 32;
    static constexpr size_t kMaxChainLength = 1024;

    std::vector<std::unique_ptr<Node>> nodes;

private:
    bool ReadRecords(NodeStream& stream, const NodeFactory& factory,
                     std::vector<std::vector<int32_t>>& linkIds, std::vector<uint32_t>& unknown);
    void ResolveLinks(size_t first, const std::vector<std::vector<int32_t>>& linkIds,
                      const std::vector<uint32_t>& unknown);
    // Cuts every link that closes a cycle; returns the longest chain of
    // linked nodes left (1 for a node without linked inputs).
    size_t BreakCycles();
};
