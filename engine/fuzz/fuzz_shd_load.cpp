// Feeds arbitrary bytes to NodeList::Load as a .shd file, through a real file
// and through a buffer stream, with the process's node registry (set up as the
// program does, so macros load their nested graphs with it). Checks that both
// readers agree, that whatever loads saves and reloads to the same bytes, that
// a clone of every node stores the same private data, and that the loaded
// root's inputs evaluate once without running away.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "model/node_list.h"
#include "model/node_stream.h"
#include "registry/globals.h"
#include "startup/engine_startup.h"

namespace {

const NodeFactory& Registry()
{
    // Started once for the fuzzer's life, as a program starts the engine.
    static const EngineStartup engine;
    return *globals.nodeFactory;
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_shd_load: %s\n", what);
        std::abort();
    }
}

enum class Outcome { Loaded, Refused, BadLink };

Outcome LoadInto(NodeList& list, NodeStream& stream)
{
    try {
        return list.Load(stream, Registry()) ? Outcome::Loaded : Outcome::Refused;
    } catch (const std::out_of_range&) {
        Check(list.nodes.empty(), "a bad link id left nodes behind");
        return Outcome::BadLink;
    }
}

Outcome LoadFromFile(NodeList& list, const uint8_t* data, size_t size)
{
    const int fd = memfd_create("shd", 0);
    Check(fd >= 0, "memfd_create failed");
    size_t done = 0;
    while (done < size) {
        const ssize_t n = write(fd, data + done, size - done);
        Check(n > 0, "write failed");
        done += static_cast<size_t>(n);
    }
    Check(lseek(fd, 0, SEEK_SET) == 0, "lseek failed");
    FILE* file = fdopen(fd, "rb");
    Check(file != nullptr, "fdopen failed");
    NFileStream stream(file);  // closes the file
    return LoadInto(list, stream);
}

Outcome LoadFromBuffer(NodeList& list, const uint8_t* data, size_t size)
{
    NBufferStream stream(static_cast<int32_t>(size));
    if (size > 0) {
        std::memcpy(stream.data.get(), data, size);
    }
    return LoadInto(list, stream);
}

std::vector<uint8_t> Saved(NodeList& list)
{
    NBufferStream stream(1024);
    list.Save(stream);
    return std::vector<uint8_t>(stream.data.get(), stream.data.get() + stream.position);
}

std::vector<uint8_t> DataBlock(Node& node)
{
    NBufferStream stream(1024);
    node.Save(stream);
    return std::vector<uint8_t>(stream.data.get(), stream.data.get() + stream.position);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > (1u << 20)) {
        return 0;
    }
    NodeList fromFile;
    const Outcome fileOutcome = LoadFromFile(fromFile, data, size);
    NodeList fromBuffer;
    const Outcome bufferOutcome = LoadFromBuffer(fromBuffer, data, size);
    Check(fileOutcome == bufferOutcome, "file and buffer loads disagree");
    if (fileOutcome != Outcome::Loaded) {
        Check(fromFile.nodes.empty() && fromBuffer.nodes.empty(),
              "a failed load left nodes behind");
        return 0;
    }

    const std::vector<uint8_t> saved = Saved(fromFile);
    Check(saved == Saved(fromBuffer), "file and buffer loads saved differently");
    NodeList reloaded;
    Check(LoadFromBuffer(reloaded, saved.data(), saved.size()) == Outcome::Loaded,
          "a saved graph did not load");
    Check(Saved(reloaded) == saved, "a saved graph did not save back the same");

    for (const auto& node : fromBuffer.nodes) {
        const std::unique_ptr<Node> copy = node->Clone();
        Check(DataBlock(*copy) == DataBlock(*node), "a clone stored different private data");
    }

    // Drive the graph once as a renderer does.
    Node* root = fromFile.FindRoot();
    if (root != nullptr) {
        EvalContext context{};
        fromFile.BeginRender();
        root->ClearEvaluated();
        for (int32_t i = 0; i < root->paramCount && i < root->outputCount; ++i) {
            const NodeData value = root->EvaluateParam(root->params[i], &context);
            std::memcpy(root->outputs[i].value.components, value.components,
                        sizeof value.components);
        }
        fromFile.EndRender();
    }
    return 0;
}
