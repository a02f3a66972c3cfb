// What the graph reader allocates while it reads a file whose counts claim far
// more than the file holds. Every allocation through operator new is counted
// (this program replaces it), so the peak can be compared with the file's
// size. The files are sparse: large, but they cost nothing on disk.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

#include "macro/macro_nodes.h"
#include "model/node_list.h"
#include "model/node_stream.h"
#include "registry/globals.h"
#include "replaced_new.h"
#include "startup/engine_startup.h"

namespace {

std::atomic<int64_t> liveBytes{0};
std::atomic<int64_t> peakBytes{0};

void Count(int64_t delta)
{
    const int64_t now = liveBytes.fetch_add(delta, std::memory_order_relaxed) + delta;
    int64_t peak = peakBytes.load(std::memory_order_relaxed);
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
}

}  // namespace

void* AllocateOrNull(size_t size) noexcept
{
    void* p = std::malloc(size != 0 ? size : 1);
    if (p != nullptr) {
        Count(static_cast<int64_t>(malloc_usable_size(p)));
    }
    return p;
}

void Release(void* p) noexcept
{
    if (p != nullptr) {
        Count(-static_cast<int64_t>(malloc_usable_size(p)));
        std::free(p);
    }
}

namespace {

constexpr int64_t kFileBytes = 16 << 20;
// The fewest bytes a node record takes: two texts of stored length 0 and
// seven int32. A record of zeros is exactly that, of no known type.
constexpr int64_t kZeroRecordBytes = 36;

class LoadMemory : public ::testing::Test {
protected:
    static void SetUpTestSuite() { engine = new EngineStartup; }
    static void TearDownTestSuite()
    {
        delete engine;
        engine = nullptr;
    }

    void SetUp() override
    {
        char pattern[] = "/tmp/qm_load_memory_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        path = dir + "/sparse.shd";
    }
    void TearDown() override
    {
        unlink(path.c_str());
        rmdir(dir.c_str());
    }

    // A kFileBytes file of zeros, bytes written over them at offset at.
    void MakeSparseFile(const NBufferStream& bytes) const
    {
        const int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, kFileBytes), 0);
        close(fd);
        WriteAt(bytes, 0);
    }
    void WriteAt(const NBufferStream& bytes, int64_t at) const
    {
        const int fd = open(path.c_str(), O_WRONLY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(pwrite(fd, bytes.data.get(), static_cast<size_t>(bytes.position), at),
                  bytes.position);
        close(fd);
    }

    // Loads the file as qm_core does, and gives the most bytes the load held
    // at once beyond what was allocated before it.
    int64_t LoadPeak(NodeList& list, bool& loaded) const
    {
        FILE* file = std::fopen(path.c_str(), "rb");
        EXPECT_NE(file, nullptr);
        const int64_t before = liveBytes.load();
        peakBytes.store(before);
        {
            NFileStream stream(file);
            loaded = list.Load(stream, *globals.nodeFactory);
        }
        return peakBytes.load() - before;
    }

    static EngineStartup* engine;
    std::string dir;
    std::string path;
};

EngineStartup* LoadMemory::engine = nullptr;

void WriteInvert(NBufferStream& s, int32_t linkId, double value)
{
    s.WriteString("Operator");
    s.WriteString("invert");
    for (int32_t v : {0, 0, 96, 64, 1, 1, linkId, 0}) {
        s.WriteInt(v);
    }
    for (int i = 0; i < 3; ++i) {
        s.WriteDouble(value);
    }
    s.WriteString("");
    s.WriteInt(0);
}

TEST_F(LoadMemory, RecordsOfUnknownTypesCostAlmostNothingAndKeepLinksAligned)
{
    // Every record that fits is a record of zeros, of no known type; the last
    // two are inverts linked across all of them, to the first one and to a
    // record of zeros.
    NBufferStream tail(256);
    WriteInvert(tail, 1, 0.5);
    WriteInvert(tail, 2, 0.75);
    const int64_t zeros = (kFileBytes - 4 - 3 * (tail.position / 2)) / kZeroRecordBytes;
    const auto count = static_cast<int32_t>(zeros + 3);
    NBufferStream head(64);
    head.WriteInt(count);
    WriteInvert(head, 0, 0.25);
    ASSERT_NO_FATAL_FAILURE(MakeSparseFile(head));
    ASSERT_NO_FATAL_FAILURE(WriteAt(tail, head.position + zeros * kZeroRecordBytes));

    NodeList list;
    bool loaded = false;
    const int64_t peak = LoadPeak(list, loaded);
    ASSERT_TRUE(loaded);
    ASSERT_EQ(list.nodes.size(), 3u);
    EXPECT_EQ(list.nodes[1]->params[0].source, list.nodes[0].get());
    EXPECT_EQ(list.nodes[2]->params[0].source, nullptr);  // its source was dropped
    EXPECT_EQ(list.nodes[2]->params[0].value.components[0], 0.75);
    EXPECT_EQ(list.nodes[2]->id, count);  // numbered as stored until the next Renumber
    RecordProperty("peakBytes", std::to_string(peak));
    // What a record of unknown type leaves behind is its position, 4 bytes,
    // and at most three times that while the list of them grows: a third of
    // the 36 bytes the record took in the file. Anything kept per record
    // beyond that (a placeholder node, room for a node or its link ids
    // reserved from the count the file claims) goes over.
    EXPECT_LT(peak, kFileBytes / 3) << "bytes held at once while loading";
}

TEST_F(LoadMemory, NestedMacroBlocksAreNotCopiedAtEveryLevel)
{
    // Macros inside macros, each data block reaching to the end of the file,
    // more levels than the reader goes into; zeros after the last header.
    constexpr int32_t kLevels = NodeList::kMaxNestingDepth + 8;
    NBufferStream header(64);
    header.WriteString("Macro");
    header.WriteString("macro");
    for (int32_t v : {0, 0, 96, 64, 1, 1, 0, 0}) {
        header.WriteInt(v);
    }
    for (int i = 0; i < 3; ++i) {
        header.WriteDouble(0.0);
    }
    header.WriteString("");
    const int64_t levelBytes = 4 + header.position + 4;
    NBufferStream file(4096);
    int64_t left = kFileBytes;
    for (int32_t level = 0; level < kLevels; ++level) {
        left -= levelBytes;
        file.WriteInt(1);
        file.Write(header.data.get(), static_cast<uint32_t>(header.position));
        file.WriteInt(static_cast<int32_t>(left));
    }
    ASSERT_NO_FATAL_FAILURE(MakeSparseFile(file));

    NodeList list;
    bool loaded = false;
    const int64_t peak = LoadPeak(list, loaded);
    ASSERT_TRUE(loaded);
    const NodeList* at = &list;
    int32_t depth = 1;
    while (at->nodes.size() == 1) {
        const auto* macro = dynamic_cast<const NMacro*>(at->nodes[0].get());
        ASSERT_NE(macro, nullptr) << depth;
        at = macro->subGraph.get();
        ++depth;
    }
    EXPECT_TRUE(at->nodes.empty());
    EXPECT_EQ(depth, NodeList::kMaxNestingDepth + 1);  // the level beyond the bound is empty
    RecordProperty("peakBytes", std::to_string(peak));
    EXPECT_LT(peak, 2 * kFileBytes) << "bytes held at once while loading";
}

}  // namespace
