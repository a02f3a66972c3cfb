// qm_dso.so as a RenderMan renderer drives it: loaded with dlopen, its
// shadeop table walked, the entries called with argument vectors of floats.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstddef>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "../../core/tests/core_test_support.h"
#include "../../engine/tests/image_test_files.h"
#include "dso_host.h"
#include "nodes/image_node.h"
#include "shader_files.h"

namespace {

using namespace shaderfiles;
using dsotest::Call;
using dsotest::DsoLibrary;
using dsotest::kUntouched;

// The colour in argv 16 and the nine floats in argv 17 to 25, each taking
// only its own storage.
void ExpectShade(Call& call, const std::vector<float>& color, const std::vector<float>& floats)
{
    for (int c = 0; c < 3; ++c) EXPECT_EQ(call.Output(16)[c], color[c]) << c;
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(call.Output(17 + i)[0], floats[i]) << 17 + i;
        EXPECT_EQ(call.Output(17 + i)[1], kUntouched) << 17 + i;
    }
}

class Dso : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dso.Ready()) << dlerror(); }

    float ShadeColor(const std::string& name)
    {
        Call call(name);
        dso.shade(nullptr, 26, call.argv);
        return call.result == 1.0f ? call.Output(16)[0] : -1.0f;
    }

    TempDir dir;
    DsoLibrary dso;
};

TEST_F(Dso, TableListsTheThreeShadeops)
{
    const char* expected[][2] = {
        {"float qm_dso_shade(string, point, point, vector, vector, vector, vector, float, "
         "float, vector, float, float, float, float, float, color, float, float, float, float, "
         "float, float, float, float, float)",
         "qm_dso_shade"},
        {"float qm_dso_bump(string, point, point, vector, vector, vector, vector, float, float, "
         "vector, float, float, float, float, float, float, float)",
         "qm_dso_bump"},
        {"float qm_dso_user(string, point, point, vector, vector, vector, vector, float, float, "
         "vector, float, float, float, float, float, color, color, color, color)",
         "qm_dso_user"},
    };
    int count = 0;
    for (const auto* entry = dso.table; entry->signature[0] != '\0'; ++entry, ++count) {
        ASSERT_LT(count, 3);
        EXPECT_STREQ(entry->signature, expected[count][0]);
        EXPECT_STREQ(entry->init, "");
        EXPECT_STREQ(entry->cleanup, "qm_dso_cleanup");
        // The function the renderer binds by the signature's name, and its alias.
        void* function = dlsym(dso.handle, expected[count][1]);
        EXPECT_NE(function, nullptr);
        EXPECT_EQ(dlsym(dso.handle, (std::string("_") + expected[count][1]).c_str()), function);
        EXPECT_NE(dlsym(dso.handle, dso.table[count].cleanup), nullptr);
    }
    EXPECT_EQ(count, 3);
    EXPECT_EQ(dso.table[3].init, nullptr);
    EXPECT_EQ(dso.table[3].cleanup, nullptr);
    EXPECT_EQ(dlsym(dso.handle, "_qm_dso_shadeops"), static_cast<const void*>(dso.table));
}

TEST_F(Dso, TheThreeEntriesFillTheirOutputs)
{
    const std::string file = dir.File("linked.shd");
    ASSERT_TRUE(Write(file, LinkedGraph, 0.25));

    Call shade(file);
    EXPECT_EQ(dso.shade(nullptr, 26, shade.argv), 0);
    EXPECT_EQ(shade.result, 1.0f);
    ExpectShade(shade, {0.75f, 1.0f, 1.25f},
                {0.25f, 0.25f, 0.15f, 0.0f, 0.0f, 0.25f, 1.0f, 0.0f, 0.0f});

    Call bump(file);
    EXPECT_EQ(dso.bump(nullptr, 18, bump.argv), 0);
    EXPECT_EQ(bump.result, 1.0f);
    EXPECT_EQ(*bump.Output(16), 1.0f);
    EXPECT_EQ(*bump.Output(17), 0.25f);
    EXPECT_EQ(*bump.Output(18), kUntouched);

    Call user(file);
    EXPECT_EQ(dso.user(nullptr, 20, user.argv), 0);
    EXPECT_EQ(user.result, 1.0f);
    const float userOut[4][3] = {
        {0.75f, 1.0f, 1.25f}, {0.75f, 1.0f, 1.25f}, {0.1f, 0.2f, 0.3f}, {0.0f, 0.0f, 0.0f}};
    for (int k = 0; k < 4; ++k) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(user.Output(16 + k)[c], userOut[k][c]) << k;
    }
}

// A graph in which every input of the sample has a reader, each reader
// feeding outputs of its own: a picture whose red rises with s and green with
// t, mapped by u and v (filtered over du and dv), by planar projections of
// the object and the world position (footprints from the base normals and
// filter sizes), the slopes of the object and the world normal, the
// incidence of the view on the normal (which alone could not tell the two
// apart), and the frame.
void EveryInputGraph(NodeList& list, std::string picture)
{
    NRoot& root = Add<NRoot>(list);
    const auto image = [&](int32_t projection, int32_t coordinate) -> NImage& {
        NImage& node = Add<NImage>(list);
        node.params[0].value.text = picture;
        node.params[1].value.components[0] = projection;
        node.params[2].value.components[0] = 2;  // along Z
        node.params[3].value.components[0] = coordinate;
        double* rotate = node.params[6].value.components;  // every component counts
        rotate[0] = 30.0;
        rotate[1] = 20.0;
        rotate[2] = 10.0;
        return node;
    };
    NImage& uv = image(4, 0);
    Link(root, NRoot::kUser1, uv);
    Link(root, NRoot::kBumpTexture, uv);
    Link(root, NRoot::kUser2, image(0, 0));
    Link(root, NRoot::kUser3, image(0, 1));
    const auto slope = [&](int32_t axis, int32_t coordinate) -> NSlope& {
        NSlope& node = Add<NSlope>(list);
        node.params[0].value.components[0] = axis;
        node.params[1].value.components[0] = coordinate;
        return node;
    };
    Link(root, NRoot::kUser4, slope(0, 0));     // X of the object normal
    Link(root, NRoot::kSpecular, slope(2, 1));  // Z of the world normal
    Link(root, NRoot::kColor, Add<NIncident>(list));
    NTime& time = Add<NTime>(list);
    time.params[0].value.components[0] = 1.0;
    time.params[1].value.components[0] = 0.125;
    Link(root, NRoot::kDiffuse, time);
    Link(root, NRoot::kBumpAmplitude, time);
}

// Each argv slot reaches its own field of the record: the three entries give
// bit for bit what qm_core gives for the record built by the table, from a
// graph that reads every field, with a distinct value in every slot.
TEST_F(Dso, EveryArgumentReachesItsOwnField)
{
    const std::string picture = dir.File("st.bmp");
    imagetest::WriteFile(picture, imagetest::Encode(imagetest::Rgb24(
                                      2, 2, {0x00FF00, 0xFFFFFF, 0x000000, 0xFF0000})));
    const std::string file = dir.File("every_input.shd");
    ASSERT_TRUE(Write(file, EveryInputGraph, picture));
    const float inputs[][3] = {
        {0.3f, 0.2f, 0.1f},
        {-0.15f, 0.35f, 0.05f},
        {0.2f, 0.9f, 0.3f},
        {0.6f, 0.7f, -0.2f},
        {-0.3f, 0.8f, 0.4f},
        {0.1f, 0.5f, 0.85f},
        {0.3f},
        {0.65f},
        {0.1f, -0.9f, 0.2f},
        {3.0f},
        {0.05f},
        {0.08f},
        {0.1f},
        {0.2f},
    };
    ShadeRecord record{};
    double* fields[] = {record.worldPos,     record.objectPos,   record.normal,
                        record.objectNormal, record.baseNormal,  record.objectBaseNormal,
                        &record.u,           &record.v,          record.incident,
                        &record.frame,       &record.filterSize, &record.objectFilterSize,
                        &record.du,          &record.dv};
    const int sizes[] = {3, 3, 3, 3, 3, 3, 1, 1, 3, 1, 1, 1, 1, 1};
    for (int i = 0; i < 14; ++i) {
        for (int c = 0; c < sizes[i]; ++c) fields[i][c] = inputs[i][c];
    }

    // qm_core as qm_dso already holds it, for the direct evaluations.
    void* core = dlopen(QM_CORE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(core, nullptr) << dlerror();
    using EvalFunc = void (*)(NHandle*, ShadeRecord*);
    const auto load = reinterpret_cast<NHandle* (*)(const char*)>(dlsym(core, "QM_Load"));
    const auto close = reinterpret_cast<void (*)(NHandle*)>(dlsym(core, "QM_Close"));
    // Each entry's outputs lie in the record in argv order from argv 16 on.
    struct Entry {
        dsotest::ShadeopFunc entry;
        int argc;
        const char* evaluate;
        size_t first;  // offset of argv 16's field in the record
        std::vector<int> counts;
    };
    const Entry entries[] = {
        {dso.shade,
         26,
         "QM_EvalShade",
         offsetof(ShadeRecord, color),
         {3, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
        {dso.bump, 18, "QM_EvalBump", offsetof(ShadeRecord, bumpAmplitude), {1, 1}},
        {dso.user, 20, "QM_EvalUser", offsetof(ShadeRecord, user1), {3, 3, 3, 3}},
    };
    for (const Entry& e : entries) {
        Call call(file);
        for (int i = 0; i < 14; ++i) {
            std::memcpy(call.inputs[i], inputs[i], sizeof(float) * sizes[i]);
        }
        EXPECT_EQ(e.entry(nullptr, e.argc, call.argv), 0);
        EXPECT_EQ(call.result, 1.0f);
        const auto evaluate = reinterpret_cast<EvalFunc>(dlsym(core, e.evaluate));
        ASSERT_TRUE(load && close && evaluate);
        NHandle* handle = load(file.c_str());  // the handle qm_dso opened, shared
        ShadeRecord direct = record;
        evaluate(handle, &direct);
        close(handle);
        const auto* field = reinterpret_cast<const unsigned char*>(&direct) + e.first;
        for (size_t k = 0; k < e.counts.size(); ++k) {
            for (int c = 0; c < e.counts[k]; ++c, field += sizeof(double)) {
                double value;
                std::memcpy(&value, field, sizeof value);
                EXPECT_EQ(call.Output(16 + static_cast<int>(k))[c], static_cast<float>(value))
                    << e.evaluate << " argv " << 16 + k << "[" << c << "]";
            }
        }
    }
    dlclose(core);
}

TEST_F(Dso, GraphWithoutRootGivesTheDefaults)
{
    const std::string file = dir.File("rootless.shd");
    ASSERT_TRUE(Write(file, RootlessGraph));
    Call call(file);
    dso.shade(nullptr, 26, call.argv);
    EXPECT_EQ(call.result, 1.0f);
    ExpectShade(call, {0.78f, 0.78f, 0.78f},
                {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f});

    // The user colours have no defaults: they come out as zeros, not as
    // whatever the stack held (here most likely the previous call's record).
    const std::string linked = dir.File("linked.shd");
    ASSERT_TRUE(Write(linked, LinkedGraph, 0.25));
    for (const std::string& name : {linked, file}) {
        Call user(name);
        dso.user(nullptr, 20, user.argv);
        EXPECT_EQ(user.result, 1.0f);
        if (name == file) {
            for (int i = 0; i < 12; ++i) EXPECT_EQ(user.outputs[i], 0.0f) << i;
        }
    }
}

TEST_F(Dso, MissingFileLeavesOutputsAndIsTriedAgain)
{
    const std::string file = dir.File("later.shd");
    const std::pair<dsotest::ShadeopFunc, int> entries[] = {
        {dso.shade, 26}, {dso.bump, 18}, {dso.user, 20}};
    for (const auto& [entry, count] : entries) {
        Call call(file);
        EXPECT_EQ(entry(nullptr, count, call.argv), 0);
        EXPECT_EQ(call.result, 0.0f);
        for (float f : call.outputs) EXPECT_EQ(f, kUntouched);
    }
    Call noName("");
    noName.namePointer = nullptr;
    dso.shade(nullptr, 26, noName.argv);
    EXPECT_EQ(noName.result, 0.0f);

    // The failure is not remembered: once the file exists it loads.
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    EXPECT_EQ(ShadeColor(file), 0.5f);
}

// An argument without storage (a null entry of argv) is refused before
// anything is read or written: result 0.0, other outputs untouched.
TEST_F(Dso, NullArgumentStorageIsRefused)
{
    const std::string file = dir.File("null_args.shd");
    ASSERT_TRUE(Write(file, LinkedGraph, 0.25));
    const std::pair<dsotest::ShadeopFunc, int> entries[] = {
        {dso.shade, 26}, {dso.bump, 18}, {dso.user, 20}};
    for (const auto& [entry, count] : entries) {
        for (const int missing : {2, 15, count - 1}) {
            Call call(file);
            call.argv[missing] = nullptr;
            EXPECT_EQ(entry(nullptr, count, call.argv), 0);
            EXPECT_EQ(call.result, 0.0f) << missing;
            for (float f : call.outputs) EXPECT_EQ(f, kUntouched) << missing;
        }
    }
    Call whole(file);
    EXPECT_EQ(dso.shade(nullptr, 26, whole.argv), 0);
    EXPECT_EQ(whole.result, 1.0f);
}

// A renderer that passes fewer arguments than the signature has gets 0.0 in
// the result slot (when there is one) and nothing else is read or written:
// the vector and every argument's storage are heap blocks of exactly their
// size, so the address sanitizer of the sanitizer build sees any access
// beyond them.
TEST_F(Dso, ShortArgumentVectorsAreRefusedUntouched)
{
    const std::string file = dir.File("short.shd");
    ASSERT_TRUE(Write(file, LinkedGraph, 0.25));
    // Floats per argument after the name: the fourteen inputs, then outputs.
    const std::vector<int> inputs = {3, 3, 3, 3, 3, 3, 1, 1, 3, 1, 1, 1, 1, 1};
    struct Signature {
        dsotest::ShadeopFunc entry;
        std::vector<int> outputs;
    };
    const Signature signatures[] = {
        {dso.shade, {3, 1, 1, 1, 1, 1, 1, 1, 1, 1}}, {dso.bump, {1, 1}}, {dso.user, {3, 3, 3, 3}}};
    const char* name = file.c_str();
    for (const Signature& signature : signatures) {
        std::vector<int> sizes = {1, 0};  // the result; the name is a char*
        sizes.insert(sizes.end(), inputs.begin(), inputs.end());
        sizes.insert(sizes.end(), signature.outputs.begin(), signature.outputs.end());
        const int count = static_cast<int>(sizes.size());
        for (int argc = 0; argc < count; ++argc) {
            auto argv = std::make_unique<void*[]>(static_cast<size_t>(argc));
            std::vector<std::unique_ptr<float[]>> storage;
            auto namePointer = std::make_unique<const char*>(name);
            for (int i = 0; i < argc; ++i) {
                if (i == 1) {
                    argv[1] = namePointer.get();
                    continue;
                }
                storage.push_back(std::make_unique<float[]>(static_cast<size_t>(sizes[i])));
                for (int c = 0; c < sizes[i]; ++c) storage.back()[c] = kUntouched;
                argv[i] = storage.back().get();
            }
            EXPECT_EQ(signature.entry(nullptr, argc, argv.get()), 0);
            size_t k = 0;
            for (int i = 0; i < argc; ++i) {
                if (i == 1) continue;
                const float expected = i == 0 ? 0.0f : kUntouched;
                for (int c = 0; c < sizes[i]; ++c) {
                    EXPECT_EQ(storage[k][c], expected) << "argc " << argc << " argv " << i;
                }
                ++k;
            }
        }
    }
    // The whole vector, and one longer than the signature, still evaluate.
    Call whole(file);
    EXPECT_EQ(dso.bump(nullptr, 18, whole.argv), 0);
    EXPECT_EQ(whole.result, 1.0f);
    Call longer(file);
    EXPECT_EQ(dso.bump(nullptr, 26, longer.argv), 0);
    EXPECT_EQ(longer.result, 1.0f);
    EXPECT_EQ(*longer.Output(18), kUntouched);
}

// The key is the absolute, normalised name compared without regard to
// letter case, so every spelling of one path shares one handle, loaded once.
// On this system a name in other letter case is another file (or none): it
// still finds the handle that the first spelling loaded.
TEST_F(Dso, SpellingsOfOnePathShareOneHandle)
{
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("sub")));
    const std::string file = dir.File("sub/Mat.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.25));
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);

    EXPECT_EQ(ShadeColor("sub/Mat.shd"), 0.25f);
    // Changed on disk: a second load would see 0.5.
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    ASSERT_TRUE(SetFileTime(file, 2'000'000'000));
    const std::string upper = coretest::Upper(dir.File("sub/Mat.shd"));
    ASSERT_FALSE(std::filesystem::exists(upper));
    EXPECT_EQ(ShadeColor(upper), 0.25f);
    EXPECT_EQ(ShadeColor("./SUB/../sub/./MAT.SHD"), 0.25f);
    EXPECT_EQ(ShadeColor(dir.path + "//sub/mat.shd"), 0.25f);

    // A real file whose name differs only in letter case is not read either:
    // its key matches the handle already open.
    const std::string twin = dir.File("sub/MAT.shd");
    ASSERT_TRUE(Write(twin, ConstantGraph, 1.0));
    EXPECT_EQ(ShadeColor(twin), 0.25f);

    std::filesystem::current_path(previous);
}

TEST_F(Dso, CleanupEndsTheRenderButKeepsTheGraphs)
{
    const std::string file = dir.File("kept.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.25));
    ASSERT_TRUE(SetFileTime(file, 1'000'000'000));
    EXPECT_EQ(ShadeColor(file), 0.25f);
    dso.cleanup(nullptr);
    // The file is read once for the life of the library.
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    ASSERT_TRUE(SetFileTime(file, 1'000'000'100));
    EXPECT_EQ(ShadeColor(file), 0.25f);
    dso.cleanup(nullptr);
    dso.cleanup(nullptr);
    EXPECT_EQ(ShadeColor(file), 0.25f);

    // Unloaded with the handle open, loaded again: a fresh read.
    dso.Close();
    ASSERT_EQ(dlopen(QM_DSO_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "unloaded";
    DsoLibrary again;
    ASSERT_TRUE(again.Ready());
    Call call(file);
    again.shade(nullptr, 26, call.argv);
    EXPECT_EQ(call.result, 1.0f);
    EXPECT_EQ(call.outputs[0], 0.5f);
}

// With the current directory gone, a relative name cannot be made absolute:
// it is looked up and loaded as given, which fails quietly.
TEST_F(Dso, RelativeNameWithoutCurrentDirectory)
{
    const std::string file = dir.File("abs.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    const auto previous = std::filesystem::current_path();
    const std::string gone = dir.File("gone");
    ASSERT_TRUE(std::filesystem::create_directory(gone));
    std::filesystem::current_path(gone);
    ASSERT_TRUE(std::filesystem::remove(gone));

    Call call("abs.shd");
    EXPECT_EQ(dso.shade(nullptr, 26, call.argv), 0);
    EXPECT_EQ(call.result, 0.0f);
    EXPECT_EQ(call.outputs[0], kUntouched);
    EXPECT_EQ(ShadeColor(file), 0.5f);
    std::filesystem::current_path(previous);
}

// Eight renderer threads, two shared files under several spellings, and one
// file each; every answer is whole.
TEST_F(Dso, ManyThreadsShareHandles)
{
    const std::string a = dir.File("a.shd");
    const std::string b = dir.File("b.shd");
    ASSERT_TRUE(Write(a, LinkedGraph, 0.25));
    ASSERT_TRUE(Write(b, LinkedGraph, 0.5));
    // b is first named properly; its upper-case spelling (no file on this
    // system) then finds it.
    EXPECT_EQ(ShadeColor(b), 1.0f);
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        const std::string own = dir.File("own" + std::to_string(t) + ".shd");
        ASSERT_TRUE(Write(own, LinkedGraph, 1.0));
        threads.emplace_back([&, own, t] {
            const std::string names[] = {a, coretest::Upper(b), own};
            const float expected[] = {0.75f, 1.0f, 1.5f};
            for (int i = 0; i < 600; ++i) {
                const int k = (i + t) % 3;
                Call call(names[k]);
                dso.shade(nullptr, 26, call.argv);
                if (call.result != 1.0f || call.outputs[0] != expected[k]) ++wrong;
                if (i % 100 == 0) dso.cleanup(nullptr);
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

// qm_core unloaded while a shader is still open: the handle goes with the
// library (the leak checker of the sanitizer build sees anything left), and
// a new load of the library starts afresh.
TEST(CoreUnload, OpenHandlesGoWithTheLibrary)
{
    TempDir dir;
    const std::string file = dir.File("open.shd");
    ASSERT_TRUE(Write(file, LinkedGraph, 0.25));
    for (int round = 0; round < 2; ++round) {
        void* core = dlopen(QM_CORE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(core, nullptr) << dlerror();
        using LoadFunc = NHandle* (*)(const char*);
        using EvalFunc = void (*)(NHandle*, ShadeRecord*);
        const auto load = reinterpret_cast<LoadFunc>(dlsym(core, "QM_Load"));
        const auto shade = reinterpret_cast<EvalFunc>(dlsym(core, "_QM_EvalShade"));
        ASSERT_TRUE(load && shade);
        NHandle* h = load(file.c_str());
        ASSERT_NE(h, nullptr);
        ShadeRecord r = coretest::Sample();
        shade(h, &r);
        EXPECT_EQ(r.color[0], 0.75);
        EXPECT_EQ(dlclose(core), 0);
        EXPECT_EQ(dlopen(QM_CORE_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr) << "unloaded";
    }
}

}  // namespace
