#pragma once
// The typical sample shader the engine benchmarks run: a root fed by noises,
// a turbulence, a compose, blends, a slope and a time node.

#include <cstdio>

#include "model/node_list.h"
#include "model/node_stream.h"
#include "registry/globals.h"

// Loads examples/typical.shd into list (from the registry, so the engine must
// be started); false when the file is missing or does not load.
inline bool LoadTypical(NodeList& list)
{
    FILE* file = std::fopen(QM_EXAMPLES_DIR "/typical.shd", "rb");
    if (file == nullptr) {
        return false;
    }
    NFileStream stream(file);
    return list.Load(stream, *globals.nodeFactory);
}
