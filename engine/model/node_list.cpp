#include "model/node_list.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

#include "model/node_stream.h"
#include "registry/node_factory.h"

namespace {

// How many loads run inside one another on this thread (see NodeList::Load).
// Initial-exec: a few bytes of the static TLS block, also when a host loads
// qm_core with dlopen, so no dynamic TLS is left behind by a dlclose (the leak
// checker of the sanitizer builds crashes on such stale blocks at exit).
__attribute__((tls_model("initial-exec"))) thread_local int32_t loadDepth = 0;

class NestingGuard {
public:
    NestingGuard() { ++loadDepth; }
    ~NestingGuard() { --loadDepth; }
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
};

// The fewest bytes a node record can take: two texts of stored length 0,
// x, y, width, height, expanded, inputCount and dataLength.
constexpr uint64_t kMinRecordBytes = 4 + 4 + 6 * 4 + 4;
// The fewest bytes an input record can take: id, sourceOutput, three doubles
// and a text of stored length 0.
constexpr uint64_t kMinInputBytes = 4 + 4 + 3 * 8 + 4;

// A count read from the stream that claims more records than the bytes left
// could hold, or a negative one, marks the stream as damaged.
bool CountFits(const NodeStream& stream, int32_t count, uint64_t minBytesEach)
{
    return !stream.Failed() && count >= 0 &&
           static_cast<uint64_t>(count) <= stream.Remaining() / minBytesEach;
}

void Unlink(NodeParam& param)
{
    param.source = nullptr;
    param.sourceOutput = 0;
}

}  // namespace

NodeList::~NodeList() = default;

void NodeList::Renumber()
{
    int32_t id = 1;
    for (const auto& node : nodes) {
        node->id = id++;
    }
}

Node* NodeList::FindRoot() const
{
    for (const auto& node : nodes) {
        if (node->isRoot) {
            return node.get();
        }
    }
    return nullptr;
}

void NodeList::Remove(const Node* node)
{
    for (const auto& q : nodes) {
        q->DisconnectFrom(node);
    }
    const auto at =
        std::find_if(nodes.begin(), nodes.end(),
                     [node](const std::unique_ptr<Node>& n) { return n.get() == node; });
    if (at != nodes.end()) {
        nodes.erase(at);
    }
}

void NodeList::Clear()
{
    nodes.clear();
}

void NodeList::BeginRender()
{
    for (const auto& node : nodes) {
        node->BeginRender();
    }
}

void NodeList::EndRender()
{
    for (const auto& node : nodes) {
        node->EndRender();
    }
}

bool NodeList::Save(NodeStream& stream)
{
    Renumber();
    stream.WriteInt(static_cast<int32_t>(nodes.size()));
    for (const auto& node : nodes) {
        stream.WriteString(node->category);
        stream.WriteString(node->name);
        stream.WriteInt(node->x);
        stream.WriteInt(node->y);
        stream.WriteInt(node->width);
        stream.WriteInt(node->height);
        stream.WriteInt(node->expanded ? 1 : 0);
        stream.WriteInt(node->paramCount);
        for (int32_t i = 0; i < node->paramCount; ++i) {
            const NodeParam& p = node->params[i];
            stream.WriteId(p.source);
            stream.WriteInt(p.sourceOutput);
            for (double c : p.value.components) {
                stream.WriteDouble(c);
            }
            stream.WriteString(p.value.text);
        }
        NBufferStream block(1024);
        node->Save(block);
        stream.WriteInt(block.position);
        if (block.position > 0) {
            stream.Write(block.data.get(), static_cast<uint32_t>(block.position));
        }
    }
    return true;
}

bool NodeList::Load(NodeStream& stream, const NodeFactory& factory)
{
    if (loadDepth >= kMaxNestingDepth) {
        Clear();
        return false;
    }
    const NestingGuard nesting;
    const size_t first = nodes.size();
    // The stored link ids of each new node's inputs, kept apart from the
    // inputs' source pointers until they are resolved; empty for a record
    // whose inputs were skipped.
    std::vector<std::vector<int32_t>> linkIds;
    // The list positions of the records of unknown types, ascending.
    std::vector<uint32_t> unknown;
    try {
        if (!ReadRecords(stream, factory, linkIds, unknown)) {
            Clear();
            return false;
        }
        // Every node is numbered by its position in the list as stored,
        // records of unknown types counted (the new nodes took theirs while
        // they were read); the next Renumber closes the gaps.
        for (size_t i = 0; i < first; ++i) {
            nodes[i]->id = static_cast<int32_t>(i + 1);
        }
        ResolveLinks(first, linkIds, unknown);
        if (BreakCycles() > kMaxChainLength) {
            Clear();
            return false;
        }
    } catch (...) {
        Clear();
        throw;
    }
    return true;
}

bool NodeList::ReadRecords(NodeStream& stream, const NodeFactory& factory,
                           std::vector<std::vector<int32_t>>& linkIds,
                           std::vector<uint32_t>& unknown)
{
    const int32_t nodeCount = stream.ReadInt();
    if (!CountFits(stream, nodeCount, kMinRecordBytes)) {
        return false;
    }
    // Nothing is reserved from nodeCount: records of unknown types, however
    // many the count claims, make no node.
    const size_t first = nodes.size();

    for (int32_t k = 0; k < nodeCount; ++k) {
        const std::string category = stream.ReadString();
        const std::string typeName = stream.ReadString();
        const Node* prototype = factory.Find(typeName, category);
        // Null for an unknown type (or a prototype that made nothing): the
        // record is read and dropped, and only its position is kept, so that
        // the ids of the records after it still name their nodes. Such a
        // record has no inputs and no outputs.
        std::unique_ptr<Node> node = prototype != nullptr ? prototype->Create() : nullptr;

        int32_t box[4];
        for (int32_t& v : box) {
            v = stream.ReadInt();
        }
        const bool expanded = stream.ReadInt() != 0;
        if (node != nullptr) {
            node->x = box[0];
            node->y = box[1];
            node->width = box[2];
            node->height = box[3];
            node->expanded = expanded;
        }

        const int32_t inputCount = stream.ReadInt();
        if (!CountFits(stream, inputCount, kMinInputBytes)) {
            return false;
        }
        // The inputs and data block of a record of unknown type are skipped
        // whatever its inputCount: there is no node to take them.
        const bool matches = node != nullptr && inputCount == node->paramCount;
        std::vector<int32_t> ids;
        if (matches) {
            ids.resize(static_cast<size_t>(inputCount));
        }
        for (int32_t i = 0; i < inputCount; ++i) {
            const int32_t id = stream.ReadId();
            const int32_t sourceOutput = stream.ReadInt();
            double components[3];
            for (double& c : components) {
                c = stream.ReadDouble();
            }
            std::string text = stream.ReadString();
            if (matches) {
                NodeParam& p = node->params[i];
                ids[static_cast<size_t>(i)] = id;
                p.sourceOutput = sourceOutput;
                std::copy(std::begin(components), std::end(components), p.value.components);
                p.value.text = std::move(text);
            }
        }

        const int32_t dataLength = stream.ReadInt();
        if (!CountFits(stream, dataLength, 1)) {
            return false;
        }
        if (matches) {
            // Read in place: a block holding a nested graph stream (a macro)
            // is not copied once more at every level of nesting.
            NBlockStream block(stream, static_cast<uint32_t>(dataLength));
            node->Load(block);
            block.Finish();
        } else {
            SkipBytes(stream, static_cast<uint64_t>(dataLength));
        }

        const size_t position = first + static_cast<size_t>(k);
        if (node == nullptr) {
            unknown.push_back(static_cast<uint32_t>(position));
            continue;
        }
        node->id = static_cast<int32_t>(position + 1);
        nodes.push_back(std::move(node));
        linkIds.push_back(std::move(ids));
    }
    return !stream.Failed();
}

void NodeList::ResolveLinks(size_t first, const std::vector<std::vector<int32_t>>& linkIds,
                            const std::vector<uint32_t>& unknown)
{
    // Ids count the list as stored, records of unknown types included.
    const uint64_t storedSize = nodes.size() + unknown.size();
    for (size_t n = 0; n < linkIds.size(); ++n) {
        Node& node = *nodes[first + n];
        const std::vector<int32_t>& ids = linkIds[n];
        for (size_t i = 0; i < ids.size(); ++i) {
            if (ids[i] == 0) {
                continue;
            }
            const uint32_t at = static_cast<uint32_t>(ids[i]) - 1u;
            if (at >= storedSize) {
                Clear();
                throw std::out_of_range("graph stream: link id outside the list");
            }
            NodeParam& p = node.params[i];
            const auto before = std::lower_bound(unknown.begin(), unknown.end(), at);
            if (before != unknown.end() && *before == at) {
                Unlink(p);  // a record of unknown type has no outputs to link to
                continue;
            }
            Node* source = nodes[at - static_cast<size_t>(before - unknown.begin())].get();
            p.source = source;
            if (p.sourceOutput < 0 || p.sourceOutput >= source->outputCount) {
                Unlink(p);
            }
        }
    }
}

namespace {

// The longest chain among node's linked sources, all of which the search has
// finished (links back onto the search path are cut before this runs).
size_t LongestSourceChain(const Node& node, const std::unordered_map<const Node*, size_t>& position,
                          const std::vector<size_t>& chain)
{
    size_t longest = 0;
    for (int32_t i = 0; i < node.paramCount; ++i) {
        const Node* source = node.params[i].source;
        if (source == nullptr) {
            continue;
        }
        const auto found = position.find(source);
        if (found != position.end()) {
            longest = std::max(longest, chain[found->second]);
        }
    }
    return longest;
}

}  // namespace

size_t NodeList::BreakCycles()
{
    std::unordered_map<const Node*, size_t> position;
    position.reserve(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        position.emplace(nodes[i].get(), i);
    }
    enum : uint8_t { kUnvisited, kOnPath, kDone };
    std::vector<uint8_t> state(nodes.size(), kUnvisited);
    struct Step {
        size_t node;
        int32_t nextInput;
    };
    std::vector<Step> path;  // explicit, so a long chain cannot exhaust the stack
    std::vector<size_t> chain(nodes.size(), 0);  // longest chain of links ending in each node
    size_t longest = 0;

    for (size_t start = 0; start < nodes.size(); ++start) {
        if (state[start] != kUnvisited) {
            continue;
        }
        state[start] = kOnPath;
        path.push_back({start, 0});
        while (!path.empty()) {
            Step& step = path.back();
            Node& node = *nodes[step.node];
            if (step.nextInput >= node.paramCount) {
                state[step.node] = kDone;
                chain[step.node] = 1 + LongestSourceChain(node, position, chain);
                longest = std::max(longest, chain[step.node]);
                path.pop_back();
                continue;
            }
            NodeParam& p = node.params[step.nextInput++];
            if (p.source == nullptr) {
                continue;
            }
            const auto found = position.find(p.source);
            if (found == position.end()) {
                continue;
            }
            const size_t source = found->second;
            if (state[source] == kOnPath) {
                Unlink(p);  // this link closes a cycle
            } else if (state[source] == kUnvisited) {
                state[source] = kOnPath;
                path.push_back({source, 0});
            }
        }
    }
    return longest;
}
