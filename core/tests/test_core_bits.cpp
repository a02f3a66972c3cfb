// qm_core's results pinned bit for bit. Every sample shader, every seed of
// the graph reader's fuzz corpus and a set of seeded random graphs are opened
// through qm_core and evaluated over many samples with all three evaluation
// calls; every byte of every record, the two queries and the bytes the
// engine's writer makes of each graph are folded into one hash per graph.
// The expected hashes were taken from the code as it was before any work on
// evaluation speed; a change that alters any output bit, or the .shd bytes,
// fails here. Set QM_PRINT_BIT_HASHES=1 to print the hashes this build makes.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include <qm_core.h>

#include "granulix.h"
#include "image_test_files.h"
#include "model/node_stream.h"
#include "random_graphs.h"
#include "registry/globals.h"
#include "shader_files.h"
#include "startup/engine_startup.h"

namespace {

using randomgraphs::Fnv;
using randomgraphs::kFnvStart;
using randomgraphs::Random;

constexpr int kSamplesPerFile = 600;
constexpr int kRandomGraphs = 128;
constexpr int kSamplesPerRandomGraph = 300;
constexpr int kRenderLength = 97;  // samples between one QM_BeginRender and the next

// The bytes the engine's writer makes of a graph.
std::vector<uint8_t> Saved(NodeList& list)
{
    NBufferStream stream(1024);
    list.Save(stream);
    return std::vector<uint8_t>(stream.data.get(), stream.data.get() + stream.position);
}

uint64_t HashBytes(uint64_t hash, const std::vector<uint8_t>& bytes)
{
    const uint64_t size = bytes.size();
    hash = Fnv(hash, &size, sizeof size);
    return bytes.empty() ? hash : Fnv(hash, bytes.data(), bytes.size());
}

// Renders of kRenderLength samples on an open handle, each sample through
// QM_EvalShade, QM_EvalBump and QM_EvalUser on its own copy of the record and
// once more as a bumping host does (bump, then shade into one record), all
// record bytes hashed, with the queries at each render start.
uint64_t HashRenders(uint64_t hash, NHandle* h, uint64_t seed, int samples)
{
    Random random(seed);
    void (*const evaluations[])(NHandle*, ShadeRecord*) = {&QM_EvalShade, &QM_EvalBump,
                                                           &QM_EvalUser};
    for (int s = 0; s < samples; ++s) {
        if (s % kRenderLength == 0) {
            if (s > 0) QM_EndRender(h);
            QM_BeginRender(h);
            const int32_t queries[2] = {QM_IsTransparent(h), QM_IsBump(h)};
            hash = Fnv(hash, queries, sizeof queries);
        }
        const ShadeRecord sample = randomgraphs::RandomSample(random);
        for (auto* evaluate : evaluations) {
            ShadeRecord r = sample;
            evaluate(h, &r);
            hash = Fnv(hash, &r, sizeof r);
        }
        ShadeRecord r = sample;
        QM_EvalBump(h, &r);
        QM_EvalShade(h, &r);
        hash = Fnv(hash, &r, sizeof r);
    }
    QM_EndRender(h);
    return hash;
}

// The file opened through qm_core (whether it opened is hashed too), rendered
// as above and closed.
uint64_t HashEvaluations(uint64_t hash, const std::string& fileName, uint64_t seed, int samples)
{
    NHandle* h = QM_Load(fileName.c_str());
    const int32_t loaded = h != nullptr;
    hash = Fnv(hash, &loaded, sizeof loaded);
    if (h == nullptr) {
        return hash;
    }
    hash = HashRenders(hash, h, seed, samples);
    QM_Close(h);
    return hash;
}

struct Expected {
    const char* name;
    uint64_t hash;
};

// Hashes of the sample shaders (examples/) and of the reader's fuzz seeds.
const Expected kFileHashes[] = {
    {"examples/all_types.shd", 0x84D6B8B0435BE933},
    {"examples/gradient.shd", 0x685CE367EB034E46},
    {"examples/invert.shd", 0x0A08A7AD873F3AF2},
    {"examples/typical.shd", 0xBAEA6C97323AE195},
    {"corpus/all_types.shd", 0x250DBEB7CB389F03},
    {"corpus/bad_id.shd", 0x5467B0DA1D106495},
    {"corpus/bad_output.shd", 0xB18665AD2CE19F49},
    {"corpus/cycle.shd", 0x254CC4B49B03CDFE},
    {"corpus/empty.shd", 0xF38BCFE359E19998},
    {"corpus/gradient.shd", 0x396E5A1142F9EEA6},
    {"corpus/gradient_odd_keys.shd", 0xBA929DBBC6614379},
    {"corpus/gradient_pair.shd", 0xDCAD55E120BD6DA0},
    {"corpus/input_count.shd", 0xFEF47553B2DB7331},
    {"corpus/invert.shd", 0x8E1D372AA9050072},
    {"corpus/invert_to_root.shd", 0x19EDA02DC2E98940},
    {"corpus/macro.shd", 0xD7A9ACB4893F2D6A},
    {"corpus/macro_add.shd", 0x225A0BB16AB5833D},
    {"corpus/macro_nested.shd", 0xC2E63BF49429C290},
    {"corpus/macro_past_bound.shd", 0x7D72F0EECAA3D37D},
    {"corpus/root.shd", 0x589251E5553436EC},
    {"corpus/typical.shd", 0xD713BD5EEC976819},
    {"corpus/unknown_type.shd", 0xEB0E8B16AD0BB695},
};

// Hashes of random graphs 0 to kRandomGraphs - 1.
const uint64_t kRandomGraphHashes[kRandomGraphs] = {
    0xDAA04090F45C5328, 0x4A347275D71312DE, 0x78B95DB50CD793A0, 0x7B405CD1D4D5EA89,
    0x79F40471441AEAC6, 0x8B8E70E7F2DB3E15, 0x5026DD9F086BA313, 0x796C2E32C539B5A7,
    0xE6EC5E1DD96FF5B1, 0xDAD3237756BC7CFD, 0x6308998F2FC532A9, 0xB2E35AF6DB9BA2C0,
    0x14A55E13D1FD8D29, 0xE07E99CD1ACFD124, 0x73FE14A279201E2D, 0xCE3FCBA66F2AF85F,
    0x1F5356192A6E318F, 0x95707D55C0B535E4, 0x088DEED2E976F1FF, 0xB22A96539D2E0C2E,
    0xA4DC45F494CA8724, 0x1C3D6262B982DA66, 0x466C0C653A576F22, 0xE7484100128DAFE8,
    0x334246DA68DEBEC6, 0x5EC0CF2A8D18A660, 0xE6AD8212272C5539, 0x345704F7C0963B31,
    0xB7B4A1B5016B5C21, 0xC0EACF33376CE18D, 0x4031AE9960B639D2, 0xE4D54E12198712B5,
    0xC70026E752ACC9EA, 0x032223F87A050FA1, 0xF11DFB2121C1297F, 0x8804F8DED161C0BA,
    0x887FC250698E27BE, 0x078A400A16897FD9, 0x365D7407DF50F76B, 0x0E8413578EE6EBE8,
    0x5D9373B0499CE9C9, 0xBE2FB85880C09C66, 0x913BD137267AB5C6, 0x0138B3F5A1A13F72,
    0x1B26844EA96E5FAF, 0x6BE61E7E02F9A4B9, 0x3194EFBD8DAF5825, 0x2BD01A6DBEBA3441,
    0x287A771A614A879A, 0x0E3AC1C0A378DD46, 0x0B79FC5443425964, 0xDA5410A68AF08525,
    0x215F42EA0712226B, 0xBA6A3CED15315F47, 0x20AFE3C0A5D91FB7, 0xA4701F9A6257EF13,
    0x12BE6A53FB394C3D, 0x12DD38669D293741, 0x9E3CAA69881F3977, 0xA8F9F0B0C3795439,
    0xB246499884D5A1C6, 0x909FCB03FDFB3BB7, 0x77DD0FC877C1A99A, 0x06D832A8CFF6F517,
    0xB1DBD39B9AA6D4CA, 0x743EE6DA0C1181B3, 0x6026866A58105037, 0x0EC601FF9EC26905,
    0xE33FFD5D6025527B, 0xA0286987EC06CC75, 0x44187B2D2867D4DC, 0x48369BF53E44215A,
    0x54750DCAD3C5CE72, 0xE5BD2E1391D0AB1F, 0x0EB0E7FF2603EE83, 0xA00FAA60F7711BAB,
    0x0497224BFD23D7C7, 0x481FB7B36322736D, 0x30B4CF5A91C8FD5D, 0x04FB9F9727C1CCF9,
    0xE87CA9DB7FB7911E, 0x247BD17161A68F27, 0xAC489C927865F7F6, 0x91D838DB42873DBC,
    0x1E0CED5DB3920D3F, 0x37F36B3C9EC96426, 0xDBDB3D6A00BE868F, 0x7A5326E9ECF7C366,
    0x2553281344BCB86A, 0x5D1B08844321CC91, 0x5B8EF3BEA15681EC, 0xD73EA8DC1DEA552B,
    0x7B2AC9221C93F1C3, 0xB7142E75CFB34F5F, 0xF5D7AEF400293495, 0x3EE7CC8460C9BBF7,
    0x10CB0EC9BF10FB66, 0xAFBE85815FF5848C, 0x7638278C3486F69F, 0x3F4E957C3115ADD6,
    0xA85F1251F453D246, 0x07C24EA4C76E5FA7, 0x7F362A5E126D72E3, 0x737C6C96E87D0ECD,
    0x8004BDFFB92863F9, 0xF7AFB4489B091A87, 0xBA0143029B66BBD5, 0x8B8AF149AAE3C51D,
    0x98EE1C3E31BE7B26, 0x81C7CF6091A04340, 0xB6A18F93DBFD3682, 0x008A2D0F99FAB350,
    0xEFA05B7214C317DF, 0x9B66656444D377E7, 0x8A4D15573107D04F, 0xF57D2A9A5272FD67,
    0xD4FAA259DFC7C1D2, 0xBC26AEE120F177F7, 0x06A1189CA3D4FACA, 0x6EAC6EC4E73A614B,
    0xB197AFDD23D8EFD3, 0xB9511DD52946360D, 0x103EC826994D3977, 0xB5D1E8198025CA32,
    0x5AF99FFD7C5E3B73, 0xA96E821274950337, 0xFE38EEDA8350C31F, 0xB286590FA4C1BC53,
};

// granulix builds its gradient tables from the generator state of the thread
// that first needs them, so the values depend on which tables were built
// before. This program builds them first, on its main thread, before any
// test runs, whichever tests run and in whatever order.
class NoiseTablesFirst : public ::testing::Environment {
public:
    void SetUp() override
    {
        const double origin[3] = {0.5, 0.25, 0.125};
        pnoise3(origin);
    }
};
const auto* const kNoiseTablesFirst = ::testing::AddGlobalTestEnvironment(new NoiseTablesFirst);

bool Printing()
{
    const char* print = std::getenv("QM_PRINT_BIT_HASHES");
    return print != nullptr && print[0] != '\0' && print[0] != '0';
}

class CoreBits : public ::testing::Test {
protected:
    // This program's own engine, for the writer and the reader on the test's
    // side; libqm_core.so has its own.
    const EngineStartup engine;

    // Runs in a fresh directory holding the pictures the random graphs name.
    void SetUp() override
    {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.path);
        std::vector<uint32_t> tile;
        for (uint32_t i = 0; i < 8 * 8; ++i) {
            tile.push_back((i * 0x2F1B37u) & 0xFFFFFFu);
        }
        imagetest::WriteFile("tile.bmp", imagetest::Encode(imagetest::Rgb24(8, 8, tile)));
        std::vector<uint32_t> odd;
        for (uint32_t i = 0; i < 5 * 3; ++i) {
            odd.push_back((i * 0x51A3C7u + 0x102030u) & 0xFFFFFFu);
        }
        imagetest::WriteFile("odd.bmp", imagetest::Encode(imagetest::Rgb24(5, 3, odd)));
    }
    void TearDown() override { std::filesystem::current_path(previous_); }

    shaderfiles::TempDir dir_;
    std::filesystem::path previous_;
};

TEST_F(CoreBits, SampleShadersAndSeedsEvaluateAsBefore)
{
    const std::map<std::string, std::string> folders = {
        {"examples/", QM_EXAMPLES_DIR "/"},
        {"corpus/", QM_SHD_SEED_DIR "/"},
    };
    uint64_t seed = 1;
    for (const Expected& expected : kFileHashes) {
        const std::string name = expected.name;
        const std::string prefix = name.substr(0, name.find('/') + 1);
        const std::string fileName = folders.at(prefix) + name.substr(prefix.size());

        // What this program's engine reads and writes back.
        uint64_t hash = kFnvStart;
        {
            NodeList list;
            bool read = false;
            if (FILE* file = std::fopen(fileName.c_str(), "rb")) {
                NFileStream stream(file);
                try {
                    read = list.Load(stream, *globals.nodeFactory);
                } catch (const std::out_of_range&) {
                    read = false;
                }
            }
            hash = HashBytes(hash, read ? Saved(list) : std::vector<uint8_t>{});
        }
        hash = HashEvaluations(hash, fileName, seed++, kSamplesPerFile);
        if (Printing()) {
            std::printf("    {\"%s\", 0x%016" PRIX64 "},\n", expected.name, hash);
        }
        EXPECT_EQ(hash, expected.hash) << name << std::hex << ": 0x" << hash;
    }
}

TEST_F(CoreBits, RandomGraphsEvaluateAsBefore)
{
    const randomgraphs::TypeTable types;
    ASSERT_EQ(types.Count(), 36u);
    for (int g = 0; g < kRandomGraphs; ++g) {
        const std::string fileName = dir_.File("graph_" + std::to_string(g) + ".shd");
        NodeList list;
        randomgraphs::GraphMaker(types, 0x5EED0000u + g).Build(list);
        const std::vector<uint8_t> bytes = Saved(list);
        ASSERT_TRUE(shaderfiles::Save(list, fileName));

        uint64_t hash = HashBytes(kFnvStart, bytes);
        hash = HashEvaluations(hash, fileName, 0xA11CE000u + g, kSamplesPerRandomGraph);
        if (Printing()) {
            std::printf("    0x%016" PRIX64 ",\n", hash);
        }
        EXPECT_EQ(hash, kRandomGraphHashes[g]) << "graph " << g << std::hex << ": 0x" << hash;
    }
}

}  // namespace

namespace {

// A handle whose file changes is evaluated as its new graph, exactly as a
// handle freshly opened on the new file: after a reload by QM_BeginRender,
// after one by QM_Load of the same name, and after a reload that fails on a
// damaged file (the empty graph then gives what a graph without a root
// gives). Graphs without a root and with a macro root first are among them.
TEST_F(CoreBits, ReloadedHandlesEvaluateTheirNewGraph)
{
    const randomgraphs::TypeTable types;
    const std::string shared = dir_.File("shared.shd");
    const std::string fresh = dir_.File("fresh.shd");
    long time = 1'500'000'000;
    auto writeGraph = [&](const std::string& fileName, uint64_t seed) {
        NodeList list;
        if (seed == 0) {
            shaderfiles::RootlessGraph(list);
        } else {
            randomgraphs::GraphMaker(types, seed).Build(list);
        }
        ASSERT_TRUE(shaderfiles::Save(list, fileName));
        ASSERT_TRUE(shaderfiles::SetFileTime(fileName, time += 10));
    };
    // Seeds of the graph maker; 0 is a graph without a root.
    const uint64_t seeds[] = {0x5EED0002u, 0x5EED0004u, 0,           0x5EED0012u, 0x5EED0003u,
                              0x5EED0021u, 0,           0x5EED0045u, 0x5EED0059u};
    writeGraph(shared, seeds[0]);
    NHandle* h = QM_Load(shared.c_str());
    ASSERT_NE(h, nullptr);
    for (size_t k = 1; k < std::size(seeds); ++k) {
        SCOPED_TRACE(k);
        HashRenders(kFnvStart, h, 77 + k, 40);  // the old graph in use
        writeGraph(shared, seeds[k]);
        writeGraph(fresh, seeds[k]);
        NHandle* again = nullptr;
        if (k % 2 == 0) {
            again = QM_Load(shared.c_str());  // reloads here
            ASSERT_EQ(again, h);
        }
        const uint64_t reloaded = HashRenders(kFnvStart, h, k, 200);
        QM_Close(again);
        NHandle* other = QM_Load(fresh.c_str());
        ASSERT_NE(other, nullptr);
        EXPECT_EQ(reloaded, HashRenders(kFnvStart, other, k, 200));
        QM_Close(other);
    }

    // A damaged replacement: the reload empties the graph.
    HashRenders(kFnvStart, h, 5, 40);
    {
        FILE* file = std::fopen(shared.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        const int32_t count = 3;  // three nodes promised, none there
        std::fwrite(&count, sizeof count, 1, file);
        std::fclose(file);
        ASSERT_TRUE(shaderfiles::SetFileTime(shared, time += 10));
    }
    writeGraph(fresh, 0);
    const uint64_t emptied = HashRenders(kFnvStart, h, 9, 100);
    NHandle* rootless = QM_Load(fresh.c_str());
    ASSERT_NE(rootless, nullptr);
    EXPECT_EQ(emptied, HashRenders(kFnvStart, rootless, 9, 100));
    QM_Close(rootless);
    QM_Close(h);
}

}  // namespace
