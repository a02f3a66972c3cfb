// A node plug-in that calls qm_core again from inside its evaluate or its
// beginRender, on the handle being rendered: qm_core, loaded as a host loads
// it with the plug-in in its home, must neither free nor replace the graph
// that is running, nor let a nested evaluation spoil the outer one.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <qm_core.h>

#include "core_test_support.h"
#include "graph_test_support.h"
#include "nodes/root_node.h"
#include "plugin/qm_plugin.h"
#include "reentry_fixture.h"
#include "shader_files.h"

namespace {

using graph_test::InputRecord;
using graph_test::StreamBuilder;

constexpr long kTime = 1'000'000'000;
constexpr double kProbeColor[3] = {0.5, 0.25, 0.125};

// A root whose colour is the probe's and whose specular is time (one frame
// a second) times scale; the file's modification time is set to time. With
// linkedQueries, transparency and bump texture take the time as well, so
// that both queries answer 1.
bool WriteShader(const std::string& fileName, double scale, long time, bool linkedQueries = false)
{
    std::vector<InputRecord> root(NRoot::kPortCount);
    root[NRoot::kColor] = {2, 0, {}, ""};
    root[NRoot::kSpecular] = {3, 0, {}, ""};
    if (linkedQueries) {
        root[NRoot::kTransparency] = {3, 0, {}, ""};
        root[NRoot::kBumpTexture] = {3, 0, {}, ""};
    }
    const graph_test::Bytes bytes =
        StreamBuilder()
            .Int(3)
            .Record("Root", "root", root)
            .Record("Test", "reentry probe", {})
            .Record("Animate", "time", {{0, 0, {1.0, 0, 0}, ""}, {0, 0, {scale, 0, 0}, ""}})
            .Done();
    FILE* file = std::fopen(fileName.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written && shaderfiles::SetFileTime(fileName, time);
}

class CoreReentry : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directory(dir.File("Node"));
        const std::string plugin = dir.File("Node/reentry_probe.so");
        std::filesystem::copy_file(QM_FIXTURE_REENTRY_PLUGIN, plugin);
        setenv("QMERE_HOME", dir.path.c_str(), 1);
        library = dlopen(QM_CORE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        unsetenv("QMERE_HOME");
        ASSERT_NE(library, nullptr) << dlerror();
        Bind(load, "QM_Load");
        Bind(close, "QM_Close");
        Bind(beginRender, "QM_BeginRender");
        Bind(endRender, "QM_EndRender");
        Bind(evalShade, "QM_EvalShade");
        Bind(evalBump, "QM_EvalBump");
        Bind(evalUser, "QM_EvalUser");
        Bind(copy, "QM_Copy");
        Bind(isTransparent, "QM_IsTransparent");
        Bind(isBump, "QM_IsBump");
        control.load = load;
        control.close = close;
        control.beginRender = beginRender;
        control.endRender = endRender;
        control.evalShade = evalShade;
        control.evalBump = evalBump;
        control.evalUser = evalUser;
        control.copy = copy;
        control.isTransparent = isTransparent;
        control.isBump = isBump;
        control.fileName = file.c_str();
        ASSERT_TRUE(HandControlTo(plugin));
        ASSERT_TRUE(WriteShader(file, 1.0, fileTime));
        handle = load(file.c_str());
        ASSERT_NE(handle, nullptr);
        control.handle = handle;
    }
    void TearDown() override
    {
        if (library != nullptr) dlclose(library);
    }

    template <typename F>
    void Bind(F& function, const char* name)
    {
        function = reinterpret_cast<F>(dlsym(library, name));
        ASSERT_NE(function, nullptr) << name;
    }
    bool HandControlTo(const std::string& plugin)
    {
        void* loaded = dlopen(plugin.c_str(), RTLD_NOW | RTLD_NOLOAD);
        if (loaded == nullptr) return false;
        const auto* e = static_cast<const PluginEntry*>(dlsym(loaded, "_n_activate_table"));
        bool handed = false;
        for (; e != nullptr && e->activate != nullptr; ++e) {
            if (std::strcmp(e->className, QM_REENTRY_CLASS) == 0) {
                e->activate(&control);
                handed = true;
            }
        }
        dlclose(loaded);
        return handed;
    }
    // The file's next contents, under the time it had: read by no one until
    // its time changes.
    void ChangeFileQuietly(double scale) { ASSERT_TRUE(WriteShader(file, scale, fileTime)); }

    // A sample at frame 1.
    ShadeRecord Shade()
    {
        ShadeRecord r = coretest::Sample();
        evalShade(handle, &r);
        return r;
    }
    void ExpectGraphResult(const ShadeRecord& r, double specular)
    {
        EXPECT_EQ(r.color[0], kProbeColor[0]);
        EXPECT_EQ(r.color[1], kProbeColor[1]);
        EXPECT_EQ(r.color[2], kProbeColor[2]);
        EXPECT_EQ(r.specular, specular);
    }

    shaderfiles::TempDir dir;
    const std::string file = dir.File("probe.shd");
    long fileTime = kTime;
    void* library = nullptr;
    NHandle* (*load)(const char*) = nullptr;
    void (*close)(NHandle*) = nullptr;
    void (*beginRender)(NHandle*) = nullptr;
    void (*endRender)(NHandle*) = nullptr;
    void (*evalShade)(NHandle*, ShadeRecord*) = nullptr;
    void (*evalBump)(NHandle*, ShadeRecord*) = nullptr;
    void (*evalUser)(NHandle*, ShadeRecord*) = nullptr;
    NHandle* (*copy)(NHandle*) = nullptr;
    int (*isTransparent)(NHandle*) = nullptr;
    int (*isBump)(NHandle*) = nullptr;
    ReentryControl control{};
    NHandle* handle = nullptr;
};

// QM_Load or QM_BeginRender of the file being rendered, made after its time
// changed, from the probe's evaluate or from its beginRender: the running
// graph stays; the next QM_BeginRender from the host reads the new file.
TEST_F(CoreReentry, NestedReloadWaitsForTheNextRender)
{
    const struct {
        int call;
        int from;
    } cases[] = {{kReenterLoad, kFromEvaluate},
                 {kReenterBeginRender, kFromEvaluate},
                 {kReenterLoad, kFromBeginRender}};
    double scale = 1.0;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "call " << c.call << " from " << c.from);
        const int destroys = control.destroys;
        beginRender(handle);
        ChangeFileQuietly(scale + 1.0);
        control.touchTime = ++fileTime;
        control.call = c.call;
        control.from = c.from;
        if (c.from == kFromBeginRender) {
            beginRender(handle);
        }
        ExpectGraphResult(Shade(), scale);
        EXPECT_EQ(control.call, kReenterNone) << "the probe did not call";
        EXPECT_EQ(control.destroyedInside, 0);
        EXPECT_EQ(control.destroys, destroys) << "the running graph was replaced";
        endRender(handle);

        beginRender(handle);  // from the host: reads the changed file
        scale += 1.0;
        ExpectGraphResult(Shade(), scale);
        EXPECT_EQ(control.destroys, destroys + 1);
        endRender(handle);
    }
    close(handle);
}

// QM_EndRender from inside the evaluation ends no render under it.
TEST_F(CoreReentry, NestedEndRenderLeavesTheRunningNodes)
{
    beginRender(handle);
    control.call = kReenterEndRender;
    ExpectGraphResult(Shade(), 1.0);
    EXPECT_EQ(control.reentered, 1);
    EXPECT_EQ(control.renderInside, 0);
    endRender(handle);
    close(handle);
}

// A nested evaluation of the same handle, on a sample at another frame,
// writes the defaults only; the outer one keeps its own sample's values.
TEST_F(CoreReentry, NestedEvaluationOfTheSameHandleWritesTheDefaults)
{
    beginRender(handle);
    control.nested = coretest::Sample();
    control.nested.frame = 5.0;
    const ShadeRecord before = control.nested;
    control.call = kReenterEvalShade;
    ExpectGraphResult(Shade(), 1.0);
    EXPECT_EQ(control.reentered, 1);
    const ShadeRecord& nested = control.nested;
    EXPECT_TRUE(coretest::SameBytes(&nested, &before, 0, offsetof(ShadeRecord, color)));
    EXPECT_EQ(nested.color[0], 0.78);
    EXPECT_EQ(nested.color[1], 0.78);
    EXPECT_EQ(nested.color[2], 0.78);
    EXPECT_EQ(nested.diffuse, 1.0);
    EXPECT_EQ(nested.specular, 0.0);
    EXPECT_EQ(nested.eta, 1.0);
    EXPECT_TRUE(
        coretest::SameBytes(&nested, &before, offsetof(ShadeRecord, user1), sizeof(ShadeRecord)));
    endRender(handle);

    // Another handle is evaluated from inside as always.
    const std::string otherFile = dir.File("other.shd");
    ASSERT_TRUE(WriteShader(otherFile, 2.0, kTime));
    NHandle* other = load(otherFile.c_str());
    ASSERT_NE(other, nullptr);
    beginRender(handle);
    beginRender(other);
    control.handle = other;
    control.call = kReenterEvalShade;
    ExpectGraphResult(Shade(), 1.0);
    EXPECT_EQ(control.reentered, 2);
    ExpectGraphResult(control.nested, 10.0);
    endRender(other);
    endRender(handle);
    close(other);
    close(handle);
}

// The probe gives back the host's only reference from inside the
// evaluation, and once more: the handle is freed when the evaluation has
// returned, and the file opens afresh.
TEST_F(CoreReentry, NestedCloseOfTheLastReferenceFreesAfterTheEvaluation)
{
    beginRender(handle);
    control.call = kReenterClose;
    ExpectGraphResult(Shade(), 1.0);
    EXPECT_EQ(control.reentered, 1);
    EXPECT_EQ(control.destroyedInside, 0);
    EXPECT_EQ(control.destroys, 1) << "not freed after the evaluation";

    handle = load(file.c_str());
    ASSERT_NE(handle, nullptr);
    beginRender(handle);
    ExpectGraphResult(Shade(), 1.0);
    endRender(handle);
    close(handle);
    EXPECT_EQ(control.destroys, 2);
}

// Closing a handle destroys its probe, which opens the same file name while
// it goes: the handle being freed is out of the list by then (another one
// after it in the list), so the name opens afresh.
TEST_F(CoreReentry, LoadFromANodeBeingFreedOpensTheFileAfresh)
{
    const std::string otherFile = dir.File("other.shd");
    ASSERT_TRUE(WriteShader(otherFile, 2.0, kTime));
    NHandle* other = load(otherFile.c_str());
    ASSERT_NE(other, nullptr);
    control.call = kReenterLoad;
    control.from = kFromDestroy;
    close(handle);
    EXPECT_EQ(control.reentered, 1);
    EXPECT_EQ(control.destroys, 2) << "the fresh open was not closed again";

    beginRender(other);
    ShadeRecord r = coretest::Sample();
    evalShade(other, &r);
    ExpectGraphResult(r, 2.0);
    endRender(other);
    close(other);
}

// The probe's destroy, run as the last reference goes, calls every export
// but QM_Load and QM_Close on the handle being freed, whose file has changed
// meanwhile: each answers as for a closed handle (null, 0, the record left
// as it was, no file read) and reads nothing freed. Both ways a handle is
// freed: by the host's QM_Close, and as the evaluation ends inside which the
// probe gave the last reference back.
TEST_F(CoreReentry, CallsOnAHandleBeingFreedDoNothing)
{
    close(handle);  // SetUp's, whose queries answer 0 anyway
    for (const bool inEvaluation : {false, true}) {
        SCOPED_TRACE(inEvaluation ? "freed as the evaluation ends" : "freed by QM_Close");
        ASSERT_TRUE(WriteShader(file, 1.0, ++fileTime, true));
        handle = load(file.c_str());
        ASSERT_NE(handle, nullptr);
        control.handle = handle;
        ASSERT_EQ(isTransparent(handle), 1);
        ASSERT_EQ(isBump(handle), 1);
        beginRender(handle);
        ASSERT_TRUE(shaderfiles::SetFileTime(file, ++fileTime));
        control.nested = coretest::Sample();
        const ShadeRecord before = control.nested;
        control.copied = handle;
        control.transparent = -1;
        control.bump = -1;
        control.callOnFree = 1;
        const int destroys = control.destroys;
        if (inEvaluation) {
            control.call = kReenterClose;
            control.from = kFromEvaluate;
            ExpectGraphResult(Shade(), 1.0);
            EXPECT_EQ(control.reentered, 1);
        } else {
            endRender(handle);
            close(handle);
        }
        EXPECT_EQ(control.callOnFree, 0) << "the probe was not destroyed";
        EXPECT_EQ(control.destroys, destroys + 1) << "a graph was read while one was freed";
        EXPECT_EQ(control.copied, nullptr);
        EXPECT_EQ(control.transparent, 0);
        EXPECT_EQ(control.bump, 0);
        EXPECT_TRUE(coretest::SameBytes(&control.nested, &before, 0, sizeof(ShadeRecord)));
    }

    handle = load(file.c_str());  // the name opens afresh and evaluates as before
    ASSERT_NE(handle, nullptr);
    beginRender(handle);
    ExpectGraphResult(Shade(), 1.0);
    endRender(handle);
    const int destroys = control.destroys;
    close(handle);
    EXPECT_EQ(control.destroys, destroys + 1);
}

}  // namespace
