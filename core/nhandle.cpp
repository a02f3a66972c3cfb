#include "nhandle.h"

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <unordered_set>

#include "common/regular_file.h"
#include "common/text_case.h"
#include "model/node_stream.h"
#include "nodes/root_node.h"
#include "registry/globals.h"

NHandleList::~NHandleList() = default;

NHandle* NHandleList::Find(std::string_view fileName) const
{
    for (const auto& handle : handles_) {
        // A handle whose reload failed has no name left: it must not answer
        // to "", the name a host passes when no shader file is chosen.
        if (!handle->path.empty() && EqualNoCase(handle->path, fileName)) {
            return handle.get();
        }
    }
    return nullptr;
}

bool NHandleList::Contains(const NHandle* handle) const
{
    return std::any_of(handles_.begin(), handles_.end(),
                       [handle](const auto& h) { return h.get() == handle; });
}

void NHandleList::Append(std::unique_ptr<NHandle> handle)
{
    handles_.push_back(std::move(handle));
}

void NHandleList::Remove(const NHandle* handle)
{
    const auto at = std::find_if(handles_.begin(), handles_.end(),
                                 [handle](const auto& h) { return h.get() == handle; });
    if (at == handles_.end()) {
        return;
    }
    const std::unique_ptr<NHandle> removed = std::move(*at);
    handles_.erase(at);
    // The nodes go first, by hand: a plug-in's destroy that calls in with
    // this handle must find it freeing, not a root among freed nodes.
    removed->freeing = true;
    removed->root = nullptr;
    removed->rootFeeders.clear();
    removed->nodes.Clear();
}

NRoot* MaterialRoot(const NodeList& nodes)
{
    return dynamic_cast<NRoot*>(nodes.FindRoot());
}

namespace {

// root and every node its inputs' links reach, each once, root first.
std::vector<Node*> Feeders(Node* root)
{
    std::vector<Node*> found;
    if (root == nullptr) {
        return found;
    }
    std::unordered_set<const Node*> seen{root};
    found.push_back(root);
    for (size_t next = 0; next < found.size(); ++next) {
        const Node& node = *found[next];
        for (int32_t i = 0; i < node.paramCount; ++i) {
            Node* source = node.params[i].source;
            if (source != nullptr && seen.insert(source).second) {
                found.push_back(source);
            }
        }
    }
    return found;
}

}  // namespace

bool LoadShaderGraph(FILE* file, NHandle& handle)
{
    NodeList& nodes = handle.nodes;
    handle.root = nullptr;
    handle.rootFeeders.clear();
    nodes.Clear();
    bool loaded = false;
    try {
        NFileStream stream(file);
        loaded = nodes.Load(stream, *globals.nodeFactory);
        if (loaded) {
            handle.root = MaterialRoot(nodes);
            handle.rootFeeders = Feeders(handle.root);
        }
    } catch (...) {
        // The reader clears the list before anything leaves it; a renderer
        // sees such a file as one that failed to load.
        loaded = false;
    }
    if (!loaded) {
        nodes.Clear();
        handle.root = nullptr;
        handle.rootFeeders.clear();
    }
    return loaded;
}

bool ShaderFileTime(const char* fileName, int32_t& fileTime)
{
    struct stat st {};
    if (stat(fileName, &st) != 0) {
        return false;
    }
    fileTime = static_cast<int32_t>(st.st_mtime);
    return true;
}

void ReloadIfChanged(NHandle& handle)
{
    if (handle.path.empty()) {
        return;
    }
    int32_t time = 0;
    if (!ShaderFileTime(handle.path.c_str(), time) || time == handle.fileTime) {
        return;
    }
    FILE* file = OpenRegularFile(handle.path.c_str());
    if (file == nullptr) {
        handle.path.clear();  // keeps the graph it has, and is never reloaded
        return;
    }
    if (!LoadShaderGraph(file, handle)) {
        handle.path.clear();  // evaluates the empty graph from now on
        return;
    }
    if (ShaderFileTime(handle.path.c_str(), time)) {
        handle.fileTime = time;
    }
}
