// QM_Shader.p as the host meets it: the module descriptor, the activation of
// both servers, the options panel, and shader instances made, described,
// copied, stored and rendered.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "lw_test_support.h"

extern "C" const size_t lwHostSizesC[];

namespace {

using namespace lwtest;
using shaderfiles::ConstantGraph;
using shaderfiles::LinkedGraph;
using shaderfiles::SetFileTime;
using shaderfiles::Write;

TEST(LwHeader, CAndCxxAgreeOnTheRecords)
{
    const size_t sizes[] = {sizeof(ModuleDescriptor), sizeof(HandlerLocal), sizeof(LoadState),
                            sizeof(XPanelFuncs),      sizeof(MeshInfo),     sizeof(ShaderAccess)};
    for (size_t i = 0; i < std::size(sizes); ++i) EXPECT_EQ(lwHostSizesC[i], sizes[i]) << i;
}

using LwModule = LwTest;

TEST_F(LwModule, DescriptorNamesTwoServers)
{
    const ModuleDescriptor& d = *module.descriptor;
    EXPECT_EQ(d.sysSync, 0x04121994u);
    EXPECT_EQ(d.sysVersion, 3u);
    EXPECT_EQ(d.sysMachine, 0x300u);
    EXPECT_EQ(d.startup(), reinterpret_cast<void*>(uintptr_t{4}));
    d.shutdown(reinterpret_cast<void*>(uintptr_t{4}));
    const char* classes[] = {"ShaderHandler", "ShaderInterface"};
    for (int i = 0; i < 2; ++i) {
        EXPECT_STREQ(d.serverDefs[i].className, classes[i]);
        EXPECT_STREQ(d.serverDefs[i].name, "Quillmere");
        EXPECT_NE(d.serverDefs[i].activate, nullptr);
        EXPECT_EQ(d.serverDefs[i].tagInfo, nullptr);
    }
    const ServerRecord& end = d.serverDefs[2];
    EXPECT_TRUE(!end.className && !end.name && !end.activate && !end.tagInfo);
}

TEST_F(LwModule, HandlerActivationFillsTheHostsTables)
{
    // Another version is refused and fills nothing.
    for (const int version : {3, 5}) {
        InstanceFuncs inst;
        RenderFuncs rend;
        std::memset(&inst, 0xEE, sizeof inst);
        std::memset(&rend, 0xEE, sizeof rend);
        HandlerLocal local{&inst, nullptr, &rend, nullptr, nullptr};
        const InstanceFuncs instBefore = inst;
        EXPECT_EQ(module.Activate("ShaderHandler", version, &local), 1);
        EXPECT_EQ(std::memcmp(&inst, &instBefore, sizeof inst), 0);
        EXPECT_EQ(local.evaluate, nullptr);
        EXPECT_EQ(local.flags, nullptr);
    }
    // Without an item table the others are filled; with one, it is too.
    const int askedBefore = host.Asked("LW Scene Info 3");
    InstanceFuncs inst{};
    RenderFuncs rend{};
    HandlerLocal local{&inst, nullptr, &rend, nullptr, nullptr};
    ASSERT_EQ(module.Activate("ShaderHandler", 4, &local), 0);
    EXPECT_TRUE(inst.create && inst.destroy && inst.copy && inst.load && inst.save && inst.descln);
    EXPECT_TRUE(rend.init && rend.cleanup && rend.newTime && local.evaluate && local.flags);
    EXPECT_EQ(local.item, nullptr);
    EXPECT_EQ(host.Asked("LW Scene Info 3"), askedBefore + 1);

    ASSERT_TRUE(module.item.useItems && module.item.changeID);
    void* shader = Create();
    EXPECT_EQ(module.item.useItems(shader), nullptr);
    module.item.changeID(shader, nullptr);
}

TEST_F(LwModule, InterfaceActivationBuildsThePanel)
{
    void* shader = Create();
    InterfaceLocal ui;
    std::memset(&ui, 0xEE, sizeof ui);
    ui.inst = shader;
    ASSERT_EQ(module.Activate("ShaderInterface", 4, &ui), 0);
    const PanelLog& log = host.panelLog;
    EXPECT_EQ(log.calls,
              (std::vector<std::string>{"create", "hint", "describe", "view", "setData"}));
    EXPECT_EQ(ui.panel, &log);
    EXPECT_EQ(ui.options, nullptr);
    EXPECT_EQ(ui.command, nullptr);
    EXPECT_EQ(log.type, 1);
    EXPECT_EQ(log.viewed, shader);
    EXPECT_EQ(log.dataId, 0u);
    EXPECT_EQ(log.userData, shader);

    const char* rows[][3] = {{"Shader file:", "sFileName", "fname"},
                             {"Bump boost:", "percent", "b_boost"}};
    for (uint32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(log.controls[i].id, 0x8001 + i);
        EXPECT_STREQ(log.controls[i].label, rows[i][0]);
        EXPECT_STREQ(log.controls[i].type, rows[i][1]);
        EXPECT_EQ(log.data[i].id, 0x8001 + i);
        EXPECT_STREQ(log.data[i].name, rows[i][2]);
        EXPECT_STREQ(log.data[i].type, i == 0 ? "string" : "percent");
    }
    EXPECT_EQ(log.controls[2].id, 0u);
    EXPECT_EQ(log.data[2].id, 0u);

    const uintptr_t* h = log.hints;
    const auto text = [](uintptr_t word) { return reinterpret_cast<const char*>(word); };
    EXPECT_EQ(h[0], 0x3D000B03u);
    EXPECT_EQ(h[1], 0u);
    EXPECT_STREQ(text(h[2]), "Quillmere shader version 0.10 [alpha] Options");
    EXPECT_EQ(h[3], 0u);
    EXPECT_EQ(h[4], 0x3D019105u);
    EXPECT_EQ(h[5], 0x8001u);
    EXPECT_EQ(h[6], 0u);
    EXPECT_STREQ(text(h[7]), "Open");
    const char* filter = text(h[8]);
    for (const char* expected :
         {"Quillmere shader file(*.shd)", "*.shd", "All file(*.*)", "*.*", ""}) {
        EXPECT_STREQ(filter, expected);
        filter += std::strlen(filter) + 1;
    }
    EXPECT_EQ(h[9], 0u);
    EXPECT_EQ(h[10], 0u);
}

TEST_F(LwModule, InterfaceWithoutPanelServicesRefuses)
{
    void* shader = Create();
    InterfaceLocal ui{shader, &ui, &ui, &ui};
    EXPECT_EQ(module.Activate("ShaderInterface", 5, &ui), 1);
    host.offer["LWXPanel"] = false;
    EXPECT_EQ(module.Activate("ShaderInterface", 4, &ui), 1);
    host.offer["LWXPanel"] = true;
    host.panel.describe = nullptr;  // a service without one of its calls
    EXPECT_EQ(module.Activate("ShaderInterface", 4, &ui), 1);
    EXPECT_TRUE(ui.panel == &ui && ui.options == &ui && ui.command == &ui);
    EXPECT_TRUE(host.panelLog.calls.empty());

    // A host that makes no panel gets none, and nothing else is asked.
    host.panel.describe = [](void*, const XPanelDataDesc*, void* (*)(void*, uint32_t),
                             int (*)(void*, uint32_t, void*)) {};
    host.panelFails = true;
    EXPECT_EQ(module.Activate("ShaderInterface", 4, &ui), 0);
    EXPECT_EQ(ui.panel, nullptr);
    EXPECT_EQ(host.panelLog.calls, std::vector<std::string>{"create"});
}

using LwInstance = LwTest;

TEST_F(LwInstance, NewInstanceAndItsPanelData)
{
    void* shader = Create();
    ASSERT_NE(shader, nullptr);
    EXPECT_STREQ(module.inst.descln(shader), "Quillmere shader version 0.10 [alpha]");
    EXPECT_EQ(FileName(shader), "");
    EXPECT_EQ(*static_cast<double*>(Get(shader, QM_LW_ID_BUMP_BOOST)), 1.0);
    EXPECT_EQ(Get(shader, 0x8003), nullptr);
    EXPECT_EQ(module.local.flags(shader), 0x7BFu);

    const double boost = 2.5;
    EXPECT_EQ(Set(shader, QM_LW_ID_BUMP_BOOST, &boost), 1);
    EXPECT_EQ(*static_cast<double*>(Get(shader, QM_LW_ID_BUMP_BOOST)), 2.5);
    EXPECT_EQ(Set(shader, 0x8003, &boost), 0);
    EXPECT_EQ(Set(shader, QM_LW_ID_BUMP_BOOST, nullptr), 0);
    EXPECT_EQ(Set(shader, QM_LW_ID_FILE_NAME, nullptr), 0);
    EXPECT_EQ(*static_cast<double*>(Get(shader, QM_LW_ID_BUMP_BOOST)), 2.5);
}

TEST_F(LwInstance, FileNameKeeps260Characters)
{
    void* shader = Create();
    const std::string longName(300, 'n');
    EXPECT_EQ(Set(shader, QM_LW_ID_FILE_NAME, longName.c_str()), 1);
    EXPECT_EQ(FileName(shader), std::string(260, 'n'));
    // A name without a NUL is not read beyond its 260 characters (the
    // address checker sees any read past the allocation).
    const auto exact = std::make_unique<char[]>(260);
    std::memset(exact.get(), 'x', 260);
    EXPECT_EQ(Set(shader, QM_LW_ID_FILE_NAME, exact.get()), 1);
    EXPECT_EQ(FileName(shader), std::string(260, 'x'));
    // A shorter name clears what a longer one left behind.
    EXPECT_EQ(Set(shader, QM_LW_ID_FILE_NAME, "a.shd"), 1);
    EXPECT_EQ(FileName(shader), "a.shd");
    const char* raw = static_cast<const char*>(Get(shader, QM_LW_ID_FILE_NAME));
    EXPECT_EQ(std::string(raw, 261), std::string("a.shd") + std::string(256, '\0'));
}

// A byte stream for the load and save states.
struct Stream {
    static void Write(void* data, const void* buf, int count)
    {
        auto* s = static_cast<Stream*>(data);
        s->bytes.append(static_cast<const char*>(buf), static_cast<size_t>(count));
        ++s->calls;
    }
    static int Read(void* data, void* buf, int count)
    {
        auto* s = static_cast<Stream*>(data);
        const int n = std::min<int>(count, static_cast<int>(s->bytes.size() - s->at));
        std::memcpy(buf, s->bytes.data() + s->at, static_cast<size_t>(n));
        s->at += static_cast<size_t>(n);
        ++s->calls;
        return n;
    }
    std::string bytes;
    size_t at = 0;
    int calls = 0;
};

TEST_F(LwInstance, StoredFormInObjectModeOnly)
{
    void* shader = Create();
    Set(shader, QM_LW_ID_FILE_NAME, "dir/Mat.shd");
    const double boost = 0.75;
    Set(shader, QM_LW_ID_BUMP_BOOST, &boost);

    Stream object;
    const SaveState objectSave{QM_LW_IO_OBJECT, &object, Stream::Write};
    EXPECT_EQ(module.inst.save(shader, &objectSave), nullptr);
    ASSERT_EQ(object.bytes.size(), 269u);
    EXPECT_EQ(object.bytes.substr(0, 261), std::string("dir/Mat.shd") + std::string(250, '\0'));
    EXPECT_EQ(object.bytes.substr(261), std::string(reinterpret_cast<const char*>(&boost), 8));

    Stream scene;
    const SaveState sceneSave{QM_LW_IO_SCENE, &scene, Stream::Write};
    EXPECT_EQ(module.inst.save(shader, &sceneSave), nullptr);
    EXPECT_EQ(scene.calls, 0);

    void* restored = Create();
    const LoadState objectLoad{QM_LW_IO_OBJECT, &object, Stream::Read};
    EXPECT_EQ(module.inst.load(restored, &objectLoad), nullptr);
    EXPECT_EQ(FileName(restored), "dir/Mat.shd");
    EXPECT_EQ(*static_cast<double*>(Get(restored, QM_LW_ID_BUMP_BOOST)), 0.75);

    void* fresh = Create();
    Stream sceneIn;
    sceneIn.bytes = object.bytes;
    const LoadState sceneLoad{QM_LW_IO_SCENE, &sceneIn, Stream::Read};
    EXPECT_EQ(module.inst.load(fresh, &sceneLoad), nullptr);
    EXPECT_EQ(sceneIn.calls, 0);
    EXPECT_EQ(FileName(fresh), "");
    EXPECT_EQ(*static_cast<double*>(Get(fresh, QM_LW_ID_BUMP_BOOST)), 1.0);

    // A damaged object with no NUL in the name's 261 bytes: the name ends
    // after 260 characters.
    Stream damaged;
    damaged.bytes = std::string(261, 'd') + std::string(8, '\0');
    const LoadState damagedLoad{QM_LW_IO_OBJECT, &damaged, Stream::Read};
    module.inst.load(fresh, &damagedLoad);
    EXPECT_EQ(FileName(fresh), std::string(260, 'd'));
    EXPECT_EQ(*static_cast<double*>(Get(fresh, QM_LW_ID_BUMP_BOOST)), 0.0);
}

// The graph a render sees, told by the colour it writes.
class LwRender : public LwTest {
protected:
    double Red(void* shader)
    {
        module.rend.newTime(shader, 1, 0.0);
        const ShaderAccess a = Evaluate(shader, Access(kObject, kQuad, 0.5, 0, 0.25));
        return Untouched(a.color[0]) ? -1.0 : a.color[0];
    }
    // Rewrites the file with ConstantGraph(s) keeping its time stamp, so
    // that only a fresh load of the file shows s.
    void Rewrite(const std::string& file, double s)
    {
        ASSERT_TRUE(Write(file, ConstantGraph, s));
        ASSERT_TRUE(SetFileTime(file, 1'000'000'000));
    }
};

TEST_F(LwRender, InitLoadsNamedFileAndBeginsTheRender)
{
    const std::string file = dir.File("mat.shd");
    void* shader = Loaded(file);
    EXPECT_EQ(Red(shader), -1.0);  // no file yet: the sample is the host's
    ASSERT_TRUE(Write(file, ConstantGraph, 0.25));
    ASSERT_TRUE(SetFileTime(file, 1'000'000'000));
    EXPECT_EQ(module.rend.init(shader, 0), nullptr);  // the failure is not remembered
    EXPECT_EQ(Red(shader), 0.25);
    module.rend.cleanup(shader);
    // A changed time stamp reloads at the next render's begin.
    ASSERT_TRUE(Write(file, ConstantGraph, 0.5));
    ASSERT_TRUE(SetFileTime(file, 1'000'000'100));
    module.rend.init(shader, 0);
    EXPECT_EQ(Red(shader), 0.5);
}

// Each init begins the render of its instance's handle once and each cleanup
// ends it once; an instance without a shader does neither.
TEST_F(LwRender, InitBeginsAndCleanupEndsEachHandlesRender)
{
    const std::string first = dir.File("first.shd");
    const std::string second = dir.File("second.shd");
    Rewrite(first, 0.25);
    Rewrite(second, 0.5);
    corespy::Capture spy;
    void* shaders[] = {Loaded(first), Loaded(second), Loaded(dir.File("missing.shd"))};
    NHandle* a = QM_Load(first.c_str());  // the instances' own, shared
    NHandle* b = QM_Load(second.c_str());
    ASSERT_TRUE(a != nullptr && b != nullptr && a != b);
    EXPECT_EQ(spy.begins, (std::vector<NHandle*>{a, b}));
    EXPECT_TRUE(spy.ends.empty());
    for (void* shader : shaders) module.rend.cleanup(shader);
    EXPECT_EQ(spy.begins.size(), 2u);
    EXPECT_EQ(spy.ends, (std::vector<NHandle*>{a, b}));
    QM_Close(a);
    QM_Close(b);
}

// Only the letter case changed: the handle is kept and only the render
// begins again. On this system the upper-case name is no file at all, so a
// fresh load would leave the instance without a shader.
TEST_F(LwRender, CaseOnlyRenameKeepsTheHandle)
{
    const std::string file = dir.File("mat.shd");
    Rewrite(file, 0.25);
    void* shader = Loaded(file);
    EXPECT_EQ(Red(shader), 0.25);
    Set(shader, QM_LW_ID_FILE_NAME, dir.File("MAT.SHD").c_str());
    module.rend.init(shader, 0);
    EXPECT_EQ(Red(shader), 0.25);

    const std::string other = dir.File("other.shd");
    Rewrite(other, 0.75);
    Set(shader, QM_LW_ID_FILE_NAME, other.c_str());
    module.rend.init(shader, 0);
    EXPECT_EQ(Red(shader), 0.75);
}

// Copies share the handle with one more reference: the file is read again
// only once every instance that held it is gone.
TEST_F(LwRender, CopiesShareTheHandleUntilBothAreGone)
{
    const std::string file = dir.File("shared.shd");
    Rewrite(file, 0.25);
    void* a = Loaded(file);
    void* b = Create(kPlainSurface);
    EXPECT_EQ(module.inst.copy(b, a), nullptr);
    EXPECT_EQ(FileName(b), file);
    Rewrite(file, 0.5);
    Destroy(a);
    EXPECT_EQ(Red(b), 0.25);  // still the shared graph
    void* c = Loaded(file);
    EXPECT_EQ(Red(c), 0.25);  // and a new instance finds it
    Destroy(b);
    Destroy(c);
    EXPECT_EQ(Red(Loaded(file)), 0.5);  // the last reference went with c

    // Copying over an instance that holds a handle gives that one back.
    const std::string first = dir.File("first.shd");
    Rewrite(first, 0.125);
    void* holder = Loaded(first);
    Rewrite(first, 0.375);
    EXPECT_EQ(module.inst.copy(holder, Loaded(file)), nullptr);
    EXPECT_EQ(Red(holder), 0.5);
    EXPECT_EQ(Red(Loaded(first)), 0.375);
    EXPECT_EQ(module.inst.copy(holder, holder), nullptr);
    EXPECT_EQ(Red(holder), 0.5);
}

TEST_F(LwRender, FlagsFollowTheGraphsTransparency)
{
    const std::string opaque = dir.File("opaque.shd");
    const std::string clear = dir.File("clear.shd");
    ASSERT_TRUE(Write(opaque, shaderfiles::RootlessGraph));
    ASSERT_TRUE(Write(clear, LinkedGraph, 0.25));  // transparency is linked
    EXPECT_EQ(module.local.flags(Loaded(opaque)), 0x7BFu);
    EXPECT_EQ(module.local.flags(Loaded(clear)), 0x7FFu);
}

}  // namespace
