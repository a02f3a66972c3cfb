#pragma once
// The shader handles behind the opaque NHandle pointers: one loaded .shd file
// each, shared by every open of the same file name, and the process's list of
// the live ones. Every function here runs under the API lock.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "model/node_list.h"

class NRoot;

struct NHandle {
    int32_t fileTime = 0;  // st_mtime at the last successful load; 0 before one
    int32_t refCount = 0;  // opens not yet closed
    int32_t useDepth = 0;  // calls running on the graph, nested ones included (HandleUse)
    std::string path;      // the name the first successful load used; "" after a failed reload
    NodeList nodes;        // the loaded graph
    // Found when the graph is read, never per sample; only LoadShaderGraph
    // and NHandleList::Remove change nodes, and they set these with them:
    // the graph's material root (MaterialRoot of nodes), null when it has none;
    NRoot* root = nullptr;
    // the root and every node that feeds it, each once: the nodes whose
    // evaluated marks a sample clears (what Node::ClearEvaluated on the root
    // reaches, without walking the links again).
    std::vector<Node*> rootFeeders;
    // Set once the handle is out of the list and its nodes are going: their
    // plug-ins may still call in with it, and every export then does nothing.
    bool freeing = false;
};

// The graph's first root-flagged node when it is a material root (NRoot);
// null when there is none or it is of another class (a macro's inner root).
NRoot* MaterialRoot(const NodeList& nodes);

class NHandleList {
public:
    NHandleList() = default;
    NHandleList(const NHandleList&) = delete;
    NHandleList& operator=(const NHandleList&) = delete;
    // Destroys every handle still in the list, whatever its refCount.
    virtual ~NHandleList();

    // The first handle whose path equals fileName case-insensitively, or
    // null. A handle detached from its name (path "") matches no name at all.
    NHandle* Find(std::string_view fileName) const;
    // True when handle is one of the list's.
    bool Contains(const NHandle* handle) const;
    void Append(std::unique_ptr<NHandle> handle);
    // Removes handle, then destroys it; later entries keep their order. Its
    // nodes' plug-ins may call in while they are destroyed: by then the list
    // no longer holds it, it is marked freeing and has no root, and the rest
    // of it lives until its nodes are gone.
    void Remove(const NHandle* handle);

private:
    std::vector<std::unique_ptr<NHandle>> handles_;  // in order of creation
};

// Reads file (closed here in every case) into the handle's graph, cleared
// first, and finds its material root and the root's feeders. False when the
// reader reports failure or throws (a damaged link id, memory running out):
// the graph is then empty and has no root. Callers open the file with
// OpenRegularFile (common/regular_file.h), so that a pipe or a device named
// like a shader is refused rather than blocking the renderer.
bool LoadShaderGraph(FILE* file, NHandle& handle);

// The file's modification time, truncated to 32 bits; false when stat fails.
bool ShaderFileTime(const char* fileName, int32_t& fileTime);

// Reads the handle's file again when its modification time changed.
void ReloadIfChanged(NHandle& handle);

// One call's use of a handle's graph (reading it anew, beginning or ending a
// render, an evaluation), for as long as it lives. Node plug-ins run inside
// these calls and may call qm_core again on the same thread, which the API
// lock lets in; only the outermost use touches the graph, so a nested call
// neither replaces nor frees the nodes that are running nor disturbs their
// marks and outputs. A close that gives back the last reference while the
// handle is in use leaves it in the list; the outermost use frees it when it
// ends, unless a reference was taken again. Costs two increments: no
// allocation, no lock of its own (the caller holds the API lock).
class HandleUse {
public:
    HandleUse(NHandleList& list, NHandle& handle) : list_(list), handle_(handle)
    {
        ++handle_.useDepth;
    }
    ~HandleUse()
    {
        if (--handle_.useDepth == 0 && handle_.refCount == 0) {
            list_.Remove(&handle_);
        }
    }
    HandleUse(const HandleUse&) = delete;
    HandleUse& operator=(const HandleUse&) = delete;

    // False inside another use of the same handle: leave the graph alone.
    bool Outermost() const { return handle_.useDepth == 1; }

private:
    NHandleList& list_;
    NHandle& handle_;
};
