// qm_core as a renderer plug-in sees it: shader files written with the
// engine's writer, opened and evaluated through the public header.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <thread>
#include <vector>

#include <qm_core.h>

#include "core_test_support.h"
#include "fifo_test_support.h"
#include "macro/macro_nodes.h"
#include "shader_files.h"

namespace {

using namespace shaderfiles;
using coretest::kSentinel;
using coretest::SameBytes;
using coretest::Sample;
using coretest::Upper;

// Evaluated with a fresh sample; the record is returned.
ShadeRecord Shade(NHandle* h)
{
    ShadeRecord r = Sample();
    QM_EvalShade(h, &r);
    return r;
}

void ExpectShadeDefaults(const ShadeRecord& r)
{
    EXPECT_EQ(r.color[0], 0.78);
    EXPECT_EQ(r.color[1], 0.78);
    EXPECT_EQ(r.color[2], 0.78);
    EXPECT_EQ(r.diffuse, 1.0);
    EXPECT_EQ(r.eta, 1.0);
    for (const double d : {r.specular, r.roughness, r.luminosity, r.reflection, r.transparency,
                           r.colorHighlight, r.colorFilter, r.bumpAmplitude, r.bumpTexture}) {
        EXPECT_EQ(d, 0.0);
    }
}

void ExpectUserUntouched(const ShadeRecord& r)
{
    const double* user = coretest::UserColors(r);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(user[i], kSentinel) << i;
    }
}

class CoreHost : public ::testing::Test {
protected:
    TempDir dir;
};

TEST_F(CoreHost, EachEvaluationWritesDefaultsThenItsOwnRange)
{
    const std::string file = dir.File("linked.shd");
    ASSERT_TRUE(Write(file, LinkedGraph, 0.25));
    NHandle* h = QM_Load(file.c_str());
    ASSERT_NE(h, nullptr);
    QM_BeginRender(h);

    const ShadeRecord before = Sample();
    ShadeRecord r = Sample();
    QM_EvalShade(h, &r);
    EXPECT_TRUE(SameBytes(&r, &before, 0, 224)) << "inputs are only read";
    EXPECT_EQ(r.color[0], 0.75);
    EXPECT_EQ(r.color[1], 1.0);
    EXPECT_EQ(r.color[2], 1.25);
    EXPECT_EQ(r.diffuse, 0.25);
    EXPECT_EQ(r.specular, 0.25);
    EXPECT_EQ(r.roughness, 0.15);  // the root's own default, not the record's
    EXPECT_EQ(r.luminosity, 0.0);
    EXPECT_EQ(r.reflection, 0.0);
    EXPECT_EQ(r.transparency, 0.25);
    EXPECT_EQ(r.eta, 1.0);
    EXPECT_EQ(r.colorHighlight, 0.0);
    EXPECT_EQ(r.colorFilter, 0.0);
    EXPECT_EQ(r.bumpAmplitude, 0.0);  // defaults: QM_EvalShade does not evaluate bump
    EXPECT_EQ(r.bumpTexture, 0.0);
    ExpectUserUntouched(r);

    // Bump after shade wipes the shade outputs back to the defaults.
    QM_EvalBump(h, &r);
    EXPECT_EQ(r.bumpAmplitude, 1.0);
    EXPECT_EQ(r.bumpTexture, 0.25);
    r.bumpAmplitude = r.bumpTexture = 0.0;
    ExpectShadeDefaults(r);
    ExpectUserUntouched(r);

    r = Sample();
    QM_EvalUser(h, &r);
    ExpectShadeDefaults(r);
    const double user[12] = {0.75, 1.0, 1.25, 0.75, 1.0, 1.25, 0.1, 0.2, 0.3, 0.0, 0.0, 0.0};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(coretest::UserColors(r)[i], user[i]) << i;
    }
    QM_EndRender(h);
    QM_Close(h);
}

TEST_F(CoreHost, GraphWithoutRootGetsDefaultsAndNothingElse)
{
    const std::string file = dir.File("rootless.shd");
    ASSERT_TRUE(Write(file, RootlessGraph));
    NHandle* h = QM_Load(file.c_str());
    ASSERT_NE(h, nullptr);
    QM_BeginRender(h);
    for (auto eval : {&QM_EvalShade, &QM_EvalBump, &QM_EvalUser}) {
        const ShadeRecord before = Sample();
        ShadeRecord r = Sample();
        eval(h, &r);
        ExpectShadeDefaults(r);
        EXPECT_TRUE(SameBytes(&r, &before, 0, 224));
        EXPECT_TRUE(SameBytes(&r, &before, 336, 432));
    }
    EXPECT_EQ(QM_IsTransparent(h), 0);
    EXPECT_EQ(QM_IsBump(h), 0);
    QM_EndRender(h);
    QM_Close(h);
}

TEST_F(CoreHost, NameInOtherCaseSharesTheHandleUntilEveryOpenIsClosed)
{
    const std::string file = dir.File("shared.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    NHandle* h = QM_Load(file.c_str());
    ASSERT_NE(h, nullptr);
    // The upper-case name is no file on this system; it finds the open handle.
    EXPECT_EQ(QM_Load(Upper(file).c_str()), h);
    EXPECT_EQ(QM_Copy(h), h);
    QM_Close(h);
    QM_Close(h);
    EXPECT_EQ(Shade(h).color[0], 0.5) << "one reference is left";
    QM_Close(h);
    EXPECT_EQ(QM_Load(Upper(file).c_str()), nullptr) << "the handle is gone";
}

TEST_F(CoreHost, RefusalsAndNullHandles)
{
    EXPECT_EQ(QM_Load(dir.File("missing.shd").c_str()), nullptr);
    EXPECT_EQ(QM_Load(nullptr), nullptr);
    EXPECT_EQ(QM_Load(""), nullptr);
    EXPECT_EQ(QM_Load(dir.path.c_str()), nullptr) << "a directory is no shader";

    EXPECT_EQ(QM_Copy(nullptr), nullptr);
    QM_Close(nullptr);
    QM_BeginRender(nullptr);
    QM_EndRender(nullptr);
    EXPECT_EQ(QM_IsTransparent(nullptr), 0);
    EXPECT_EQ(QM_IsBump(nullptr), 0);
    const ShadeRecord before = Sample();
    ShadeRecord r = Sample();
    QM_EvalShade(nullptr, &r);
    QM_EvalBump(nullptr, &r);
    QM_EvalUser(nullptr, &r);
    EXPECT_TRUE(SameBytes(&r, &before, 0, sizeof r)) << "a null handle writes nothing";

    // A pointer that is not an open handle is ignored by QM_Close.
    int notAHandle = 0;
    QM_Close(reinterpret_cast<NHandle*>(&notAHandle));
    EXPECT_EQ(notAHandle, 0);

    const std::string file = dir.File("null_record.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    NHandle* h = QM_Load(file.c_str());
    ASSERT_NE(h, nullptr);
    QM_EvalShade(h, nullptr);  // refused, no crash
    QM_Close(h);
}

TEST_F(CoreHost, NamedPipeIsRefusedWithoutWaitingForAWriter)
{
    // A FIFO named like a shader: the open must neither wait for a writer
    // nor leave a handle behind, and the lock is free afterwards.
    const std::string fifo = dir.File("pipe.shd");
    ASSERT_TRUE(fifotest::MakeFifo(fifo));
    NHandle* h = nullptr;
    EXPECT_TRUE(fifotest::ReturnsWithoutAWriter(fifo, [&] { h = QM_Load(fifo.c_str()); }))
        << "QM_Load waited for a writer";
    EXPECT_EQ(h, nullptr);
    const std::string file = dir.File("after_pipe.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    NHandle* good = nullptr;
    std::thread([&] { good = QM_Load(file.c_str()); }).join();
    ASSERT_NE(good, nullptr);
    QM_Close(good);
}

TEST_F(CoreHost, QueriesLookAtLinksAndOwnValues)
{
    struct Case {
        const char* name;
        double transparency;
        bool linkTransparency;
        bool linkBump;
        int transparent;
        int bump;
    };
    const Case cases[] = {
        {"zero", 0.0, false, false, 0, 0},
        {"half", 0.5, false, false, 1, 0},
        {"negative", -0.5, false, false, 1, 0},
        {"nan", std::numeric_limits<double>::quiet_NaN(), false, false, 0, 0},
        {"linked_zero", 0.0, true, true, 1, 1},
    };
    for (const Case& c : cases) {
        NodeList list;
        NRoot& root = Add<NRoot>(list);
        NTime& time = Add<NTime>(list);
        time.params[1].value.components[0] = 0.0;  // yields 0 whatever the frame
        root.params[NRoot::kTransparency].value.components[0] = c.transparency;
        root.params[NRoot::kBumpTexture].value.components[0] = 1.0;  // own value: no bump
        if (c.linkTransparency) Link(root, NRoot::kTransparency, time);
        if (c.linkBump) Link(root, NRoot::kBumpTexture, time);
        const std::string file = dir.File(std::string(c.name) + ".shd");
        ASSERT_TRUE(Save(list, file));
        NHandle* h = QM_Load(file.c_str());
        ASSERT_NE(h, nullptr) << c.name;
        EXPECT_EQ(QM_IsTransparent(h), c.transparent) << c.name;
        EXPECT_EQ(QM_IsBump(h), c.bump) << c.name;
        QM_Close(h);
    }
}

// Only an NRoot is a material root: a macro's inner root that comes first in
// the file hides the material root behind it, for evaluation and queries.
TEST_F(CoreHost, MacroRootFirstLeavesTheDefaults)
{
    for (const bool macroRootFirst : {true, false}) {
        NodeList list;
        if (macroRootFirst) Add<NMacroRoot>(list);
        NRoot& root = Add<NRoot>(list);
        NTime& time = Add<NTime>(list);
        root.params[NRoot::kColor].value.components[0] = 0.25;
        root.params[NRoot::kTransparency].value.components[0] = 0.5;
        Link(root, NRoot::kBumpTexture, time);
        const std::string file = dir.File(macroRootFirst ? "hidden.shd" : "plain.shd");
        ASSERT_TRUE(Save(list, file));
        NHandle* h = QM_Load(file.c_str());
        ASSERT_NE(h, nullptr);
        QM_BeginRender(h);
        const ShadeRecord before = Sample();
        for (auto eval : {&QM_EvalUser, &QM_EvalBump, &QM_EvalShade}) {
            ShadeRecord r = before;
            eval(h, &r);
            if (macroRootFirst) {
                ExpectShadeDefaults(r);
                EXPECT_TRUE(SameBytes(&r, &before, 336, 432));
            }
        }
        ShadeRecord r = before;
        QM_EvalShade(h, &r);
        EXPECT_EQ(r.color[0], macroRootFirst ? 0.78 : 0.25);
        EXPECT_EQ(r.transparency, macroRootFirst ? 0.0 : 0.5);
        EXPECT_EQ(QM_IsTransparent(h), macroRootFirst ? 0 : 1);
        EXPECT_EQ(QM_IsBump(h), macroRootFirst ? 0 : 1);
        QM_EndRender(h);
        QM_Close(h);
    }
}

// A macro's sub-graph runs for every sample: its inner root's input, a sum
// driven by time, reaches the material root through the macro.
TEST_F(CoreHost, MacroInnerRootFeedsTheMaterial)
{
    NodeList list;
    NRoot& root = Add<NRoot>(list);
    NMacro& macro = Add<NMacro>(list);
    NMacroRoot& inner = Add<NMacroRoot>(*macro.subGraph);
    NTime& time = Add<NTime>(*macro.subGraph);
    time.params[0].value.components[0] = 1.0;
    time.params[1].value.components[0] = 0.5;
    NAdd& add = Add<NAdd>(*macro.subGraph);
    double* v = add.params[0].value.components;
    v[0] = 0.25;
    v[1] = 0.5;
    v[2] = 0.125;
    Link(add, 1, time);
    Link(inner, 0, add);
    Link(root, NRoot::kColor, macro);
    Link(root, NRoot::kUser2, macro);
    const std::string file = dir.File("macro.shd");
    ASSERT_TRUE(Save(list, file));

    NHandle* h = QM_Load(file.c_str());
    ASSERT_NE(h, nullptr);
    QM_BeginRender(h);
    for (const double frame : {1.0, 2.0}) {
        ShadeRecord r = Sample();
        r.frame = frame;
        QM_EvalUser(h, &r);
        const double t = frame * 0.5;
        const double* user2 = coretest::UserColors(r) + 3;
        EXPECT_EQ(user2[0], 0.25 + t);
        EXPECT_EQ(user2[1], 0.5 + t);
        EXPECT_EQ(user2[2], 0.125 + t);
        QM_EvalShade(h, &r);
        EXPECT_EQ(r.color[0], 0.25 + t);
        EXPECT_EQ(r.color[1], 0.5 + t);
        EXPECT_EQ(r.color[2], 0.125 + t);
    }
    QM_EndRender(h);
    QM_Close(h);
}

class CoreReload : public CoreHost {
protected:
    static constexpr long kTime = 1'000'000'000;
};

TEST_F(CoreReload, ChangedTimeReloadsAtBeginRenderAndLoad)
{
    const std::string file = dir.File("reload.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.25));
    ASSERT_TRUE(SetFileTime(file, kTime));
    NHandle* h = QM_Load(file.c_str());
    ASSERT_NE(h, nullptr);
    QM_BeginRender(h);
    EXPECT_EQ(Shade(h).color[0], 0.25);
    QM_EndRender(h);

    // New contents under the same time: not read.
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    ASSERT_TRUE(SetFileTime(file, kTime));
    QM_BeginRender(h);
    EXPECT_EQ(Shade(h).color[0], 0.25);
    QM_EndRender(h);

    // Touched: the next render reads it. Any time other than the stored one
    // counts, an earlier one too.
    ASSERT_TRUE(SetFileTime(file, kTime - 60));
    QM_BeginRender(h);
    EXPECT_EQ(Shade(h).color[0], 0.5);
    QM_EndRender(h);

    // Another open of the name reloads the shared handle for every user.
    ASSERT_TRUE(Write(file, ConstantGraph, 1.0));
    ASSERT_TRUE(SetFileTime(file, kTime + 60));
    EXPECT_EQ(QM_Load(file.c_str()), h);
    EXPECT_EQ(Shade(h).color[0], 1.0);

    // Deleted between renders: stat fails, the loaded graph stays.
    ASSERT_TRUE(std::filesystem::remove(file));
    QM_BeginRender(h);
    EXPECT_EQ(Shade(h).color[0], 1.0);
    QM_EndRender(h);
    QM_Close(h);
    QM_Close(h);
}

// A reload takes note of the time it read: new contents put under that same
// time are not read by the renders that follow.
TEST_F(CoreReload, ReloadRemembersTheTimeItRead)
{
    const std::string file = dir.File("retimed.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.25));
    ASSERT_TRUE(SetFileTime(file, kTime));
    NHandle* h = QM_Load(file.c_str());
    ASSERT_NE(h, nullptr);
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    ASSERT_TRUE(SetFileTime(file, kTime + 60));
    QM_BeginRender(h);
    EXPECT_EQ(Shade(h).color[0], 0.5);
    QM_EndRender(h);

    ASSERT_TRUE(Write(file, ConstantGraph, 0.75));
    ASSERT_TRUE(SetFileTime(file, kTime + 60));
    for (int render = 0; render < 2; ++render) {
        QM_BeginRender(h);
        EXPECT_EQ(Shade(h).color[0], 0.5) << "render " << render << " read the file again";
        QM_EndRender(h);
    }
    QM_Close(h);
}

TEST_F(CoreReload, UnopenableReplacementKeepsTheOldGraphAndDetachesTheName)
{
    const std::string file = dir.File("replaced.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.25));
    ASSERT_TRUE(SetFileTime(file, kTime));
    NHandle* old = QM_Load(file.c_str());
    ASSERT_NE(old, nullptr);

    // A directory under the name: stat answers with a new time, the open fails.
    ASSERT_TRUE(std::filesystem::remove(file));
    ASSERT_TRUE(std::filesystem::create_directory(file));
    ASSERT_TRUE(SetFileTime(file, kTime + 60));
    QM_BeginRender(old);
    EXPECT_EQ(Shade(old).color[0], 0.25);
    QM_EndRender(old);

    // The old handle no longer answers to the name: a new open makes a new
    // handle, and the old one is never read again.
    ASSERT_TRUE(std::filesystem::remove(file));
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    ASSERT_TRUE(SetFileTime(file, kTime + 120));
    NHandle* fresh = QM_Load(file.c_str());
    ASSERT_NE(fresh, nullptr);
    EXPECT_NE(fresh, old);
    EXPECT_EQ(Shade(fresh).color[0], 0.5);
    // Nor does it answer to the empty name a host passes for "no shader".
    EXPECT_EQ(QM_Load(""), nullptr);
    ASSERT_TRUE(SetFileTime(file, kTime + 180));
    QM_BeginRender(old);
    EXPECT_EQ(Shade(old).color[0], 0.25);
    QM_EndRender(old);
    QM_Close(old);
    QM_Close(fresh);
}

TEST_F(CoreReload, PipeInPlaceOfTheFileKeepsTheOldGraphWithoutWaiting)
{
    const std::string file = dir.File("piped.shd");
    ASSERT_TRUE(Write(file, ConstantGraph, 0.25));
    ASSERT_TRUE(SetFileTime(file, kTime));
    NHandle* h = QM_Load(file.c_str());
    ASSERT_NE(h, nullptr);

    // A FIFO under the name: stat answers with a new time, and the reload
    // at the next render refuses it at once like any file that cannot open.
    ASSERT_TRUE(std::filesystem::remove(file));
    ASSERT_TRUE(fifotest::MakeFifo(file));
    ASSERT_TRUE(SetFileTime(file, kTime + 60));
    EXPECT_TRUE(fifotest::ReturnsWithoutAWriter(file, [&] { QM_BeginRender(h); }))
        << "the reload waited for a writer";
    EXPECT_EQ(Shade(h).color[0], 0.25);
    QM_EndRender(h);
    QM_Close(h);
}

// The bytes of a graph whose root's colour input links to node id 99 of a
// one-node list: the reader throws std::out_of_range for it.
void WriteBadLink(const std::string& file)
{
    NodeList list;
    NRoot& root = Add<NRoot>(list);
    auto outside = NAdd::New();
    outside->id = 99;
    Link(root, NRoot::kColor, *outside);
    ASSERT_TRUE(Save(list, file));
    root.params[NRoot::kColor].source = nullptr;
}

// A file cut after its first 40 bytes.
void WriteTruncated(const std::string& file)
{
    const std::string whole = file + ".whole";
    ASSERT_TRUE(Write(whole, LinkedGraph, 0.5));
    std::ifstream in(whole, std::ios::binary);
    std::vector<char> bytes(40);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// From another thread, so that a lock left held would block it.
NHandle* LoadOnOtherThread(const std::string& file)
{
    NHandle* h = nullptr;
    std::thread([&] { h = QM_Load(file.c_str()); }).join();
    return h;
}

TEST_F(CoreReload, DamagedFilesFailToLoadAndReleaseTheLock)
{
    const std::string good = dir.File("good.shd");
    ASSERT_TRUE(Write(good, ConstantGraph, 0.5));
    for (auto write : {&WriteBadLink, &WriteTruncated}) {
        const std::string bad = dir.File("bad.shd");
        write(bad);
        EXPECT_EQ(QM_Load(bad.c_str()), nullptr);
        NHandle* h = LoadOnOtherThread(good);
        ASSERT_NE(h, nullptr);
        QM_Close(h);
    }
}

TEST_F(CoreReload, DamagedReplacementEmptiesTheGraph)
{
    for (auto write : {&WriteBadLink, &WriteTruncated}) {
        const std::string file = dir.File("damaged_later.shd");
        ASSERT_TRUE(Write(file, LinkedGraph, 0.5));
        ASSERT_TRUE(SetFileTime(file, kTime));
        NHandle* h = QM_Load(file.c_str());
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(QM_IsTransparent(h), 1);

        write(file);
        ASSERT_TRUE(SetFileTime(file, kTime + 60));
        QM_BeginRender(h);
        ShadeRecord r = Sample();
        std::thread([&] { QM_EvalShade(h, &r); }).join();
        ExpectShadeDefaults(r);
        EXPECT_EQ(QM_IsTransparent(h), 0);
        QM_EndRender(h);

        // Detached from its name: a good file there opens as a new handle.
        ASSERT_TRUE(Write(file, ConstantGraph, 0.25));
        NHandle* fresh = QM_Load(file.c_str());
        ASSERT_NE(fresh, nullptr);
        EXPECT_NE(fresh, h);
        EXPECT_EQ(Shade(fresh).color[0], 0.25);
        QM_Close(fresh);
        QM_Close(h);
    }
}

}  // namespace
