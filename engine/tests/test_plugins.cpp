#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "image/bmp_loader.h"
#include "image/image_handle.h"
#include "image/image_loader.h"
#include "image/image_man.h"
#include "model/node_list.h"
#include "model/node_stream.h"
#include "node_test_helpers.h"
#include "nodes/operator_nodes.h"
#include "plugin/plugin_library.h"
#include "plugin/plugin_node.h"
#include "plugin_test_support.h"
#include "registry/globals.h"
#include "registry/node_factory.h"
#include "startup/engine_startup.h"

using plugintest::IsLoaded;
using plugintest::LogOf;
using plugintest::PluginHome;
using plugintest::ScopedHome;
using Events = std::vector<std::string>;

// ---- the plug-in home ------------------------------------------------------------

TEST(PluginHomeDir, EnvironmentElseCurrentDirectoryWithOneSeparator)
{
    const std::string cwd = std::filesystem::current_path().string();
    {
        ScopedHome home("");
        EXPECT_EQ(GetHomeDir(), cwd + "/");
    }
    {
        ScopedHome home("/opt/qm");
        EXPECT_EQ(GetHomeDir(), "/opt/qm/");
    }
    {
        ScopedHome home("/opt/qm/");
        EXPECT_EQ(GetHomeDir(), "/opt/qm/");
    }
    {
        ScopedHome home("C:\\qm\\");
        EXPECT_EQ(GetHomeDir(), "C:\\qm\\");
    }
    unsetenv("QMERE_HOME");
    EXPECT_EQ(GetHomeDir(), cwd + "/");
}

TEST(PluginHomeDir, RemovedCurrentDirectoryIsNotTheRoot)
{
    const std::filesystem::path cwd = std::filesystem::current_path();
    char pattern[] = "/tmp/qm_gone_cwd_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    ASSERT_EQ(chdir(pattern), 0);
    std::filesystem::remove(pattern);
    std::string home;
    {
        ScopedHome env("");
        home = GetHomeDir();
    }
    std::filesystem::current_path(cwd);
    // The scans then look under "./Image/" and "./Node/", which a removed
    // directory cannot hold; "/" would load libraries from "/Node/".
    EXPECT_EQ(home, "./");
}

// ---- the image scan --------------------------------------------------------------

TEST(ImagePluginScan, RegistersUsableLoadersInTableOrderAfterTheBuiltInOne)
{
    PluginHome home;
    const std::string lib = home.Put(QM_FIXTURE_IMAGE_PLUGIN, "Image", "images.so");
    ImageLoaderMan loaders;
    LoadImagePlugins(home.Home(), loaders);

    ASSERT_TRUE(IsLoaded(lib));
    const Events* log = LogOf(lib);
    ASSERT_NE(log, nullptr);
    // Only records of the image class are activated (not the node record,
    // not a class name with a trailing space, nothing past the end), each
    // with a zeroed description.
    EXPECT_EQ(*log, (Events{"activate A", "activate declined", "activate no info",
                            "activate no load", "activate no list", "activate B"}));

    // bmp, then A, then B: declined and incomplete loaders are not registered.
    EXPECT_EQ(loaders.LoaderCount(), 3u);
    ImageLoader* bmp = loaders.Find("x.bmp");
    ImageLoader* a = loaders.Find("x.TIF");
    ImageLoader* b = loaders.Find("x.qmx");
    ASSERT_NE(bmp, nullptr);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(bmp->getInfo, &BmpImageInfo);  // B lists bmp too, but comes later
    EXPECT_EQ(loaders.Find("x.tga"), a);
    EXPECT_EQ(a->extensions, "tga\ntif");
    EXPECT_NE(a->getInfo, b->getInfo);
    EXPECT_EQ(loaders.Find("x.dcl"), nullptr);
    EXPECT_EQ(loaders.Find("x.noi"), nullptr);
    EXPECT_EQ(loaders.Find("x.nol"), nullptr);
}

TEST(ImagePluginScan, PassesOverWhatIsNotAPluginLibrary)
{
    PluginHome home;
    const std::string noTable = home.Put(QM_FIXTURE_NO_TABLE, "Image", "a_no_table.so");
    const std::string nodeLib = home.Put(QM_FIXTURE_NODE_PLUGIN, "Image", "b_nodes.so");
    const std::string notSo = home.Put(QM_FIXTURE_IMAGE_PLUGIN, "Image", "c_images.so.txt");
    std::filesystem::create_directory(home.Path("Image/d_directory.so"));
    {
        std::ofstream fake(home.Path("Image/e_fake.so"));
        fake << "not a shared object\n";
    }
    ImageLoaderMan loaders;
    LoadImagePlugins(home.Home(), loaders);

    EXPECT_EQ(loaders.LoaderCount(), 1u);
    EXPECT_FALSE(IsLoaded(noTable));  // loaded by the scan, unloaded again
    EXPECT_FALSE(IsLoaded(notSo));
    ASSERT_TRUE(IsLoaded(nodeLib));  // it has the table: it stays
    const Events* log = LogOf(nodeLib);
    ASSERT_NE(log, nullptr);
    // Its one image record declines; none of its node records is touched.
    EXPECT_EQ(*log, (Events{"activate image record of the node library"}));
}

TEST(ImagePluginScan, LeavesALibraryItDidNotLoadLoaded)
{
    PluginHome home;
    const std::string noTable = home.Put(QM_FIXTURE_NO_TABLE, "Image", "no_table.so");
    void* own = dlopen(noTable.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(own, nullptr);
    ImageLoaderMan loaders;
    LoadImagePlugins(home.Home(), loaders);
    EXPECT_TRUE(IsLoaded(noTable));
    dlclose(own);
    EXPECT_FALSE(IsLoaded(noTable));  // the scan kept no reference of its own
}

TEST(ImagePluginScan, MissingHomeOrSubdirectoryAddsNothing)
{
    ImageLoaderMan loaders;
    LoadImagePlugins("/nonexistent/qm/home/", loaders);
    PluginHome empty;
    std::filesystem::remove(empty.Path("Image"));
    LoadImagePlugins(empty.Home(), loaders);
    EXPECT_EQ(loaders.LoaderCount(), 1u);
}

TEST(ImagePluginScan, StartUpScanFeedsTheImageCache)
{
    PluginHome home;
    const std::string lib = home.Put(QM_FIXTURE_IMAGE_PLUGIN, "Image", "images.so");
    ExitImageLoaderMan();
    {
        ScopedHome env(home.Path(""));
        InitImageLoaderMan();
    }
    ASSERT_NE(TheImageLoaderMan(), nullptr);
    EXPECT_EQ(TheImageLoaderMan()->LoaderCount(), 3u);

    const std::string picture = home.Path("picture.TGA");
    std::ofstream(picture) << "pixels";
    ImageMan cache;
    Image* image = nullptr;
    {
        CriticalSection::Guard guard(cache.lock);
        image = cache.Load(picture.c_str());
    }
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 2);
    EXPECT_EQ(image->height, 1);
    EXPECT_EQ(image->hasAlpha, 1);
    EXPECT_EQ(image->rgb[0], 255);
    EXPECT_EQ(image->rgb[4], 255);
    EXPECT_EQ(image->alpha[0], 128);
    const Events* log = LogOf(lib);
    ASSERT_NE(log, nullptr);
    const Events tail(log->end() - 2, log->end());
    EXPECT_EQ(tail, (Events{"infoA picture.TGA", "loadA picture.TGA"}));
    {
        CriticalSection::Guard guard(cache.lock);
        cache.Release(picture.c_str());
    }
    ExitImageLoaderMan();
    InitImageLoaderMan();
}

// ---- the node scan ---------------------------------------------------------------

namespace {

bool HasEvent(const Events& log, const std::string& prefix)
{
    for (const std::string& e : log) {
        if (e.compare(0, prefix.size(), prefix) == 0) {
            return true;
        }
    }
    return false;
}

struct ScannedFactory {
    PluginHome home;
    std::string lib;
    NodeFactory factory{NodeFactory::kEmpty};
    Events* log = nullptr;

    ScannedFactory()
    {
        lib = home.Put(QM_FIXTURE_NODE_PLUGIN, "Node", "nodes.so");
        factory.Add(NAdd::New(), 7);
        LoadNodePlugins(home.Home(), factory);
        log = LogOf(lib);
    }
    std::unique_ptr<Node> Make(const char* name) const
    {
        return factory.Find(name, "Plug")->Create();
    }
};

}  // namespace

TEST(NodePluginScan, RegistersUsableTypesAndRefusesTheRest)
{
    ScannedFactory s;
    ASSERT_NE(s.log, nullptr);
    // Hostile descriptions are dropped before any of their functions run;
    // the taken name's prototype is made, refused and destroyed; the scan
    // then goes on to the next record.
    EXPECT_EQ(*s.log,
              (Events{"activate probe", "create 1", "activate declined", "activate taken",
                      "create taken", "destroy taken", "activate hostile", "activate hostile",
                      "activate hostile", "activate hostile", "activate hostile",
                      "activate hostile", "activate hostile", "activate bare"}));

    EXPECT_EQ(s.factory.CategoryName(0), "Operator");
    EXPECT_EQ(s.factory.CategoryName(1), "Plug");
    EXPECT_EQ(s.factory.CategoryName(2), "");  // no "Hostile" category
    int32_t image = 0;
    EXPECT_EQ(s.factory.NodeName("Plug", 0, &image), "probe");
    EXPECT_EQ(image, 11);
    EXPECT_EQ(s.factory.NodeName("Plug", 1), "bare");
    EXPECT_EQ(dynamic_cast<NPlugin*>(s.factory.Find("add", "Operator")), nullptr);

    const Node* probe = s.factory.Find("probe", "Plug");
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->paramCount, 4);
    EXPECT_EQ(probe->outputCount, 2);
    EXPECT_EQ(probe->params[2].name, "file");
    EXPECT_EQ(probe->params[2].editKind, EDIT_FILE);
    EXPECT_TRUE(probe->params[0].connectable);
    EXPECT_EQ(probe->outputs[1].value.type, DATA_FLOAT);
}

TEST(NodePluginScan, LibrariesJoinInByteOrderOfTheirNames)
{
    PluginHome home;
    // Byte order puts "Zeta" before "alpha"; the second one's types are taken.
    const std::string first = home.Put(QM_FIXTURE_NODE_PLUGIN, "Node", "Zeta.so");
    const std::string second = home.Put(QM_FIXTURE_NODE_PLUGIN, "Node", "alpha.so");
    NodeFactory factory(NodeFactory::kEmpty);
    LoadNodePlugins(home.Home(), factory);
    const Events* firstLog = LogOf(first);
    const Events* secondLog = LogOf(second);
    ASSERT_NE(firstLog, nullptr);
    ASSERT_NE(secondLog, nullptr);
    EXPECT_FALSE(HasEvent(*firstLog, "destroy 1"));
    EXPECT_TRUE(HasEvent(*secondLog, "destroy 1"));  // its "probe" was refused
    // "add" was free in this registry: the first library took it.
    EXPECT_FALSE(HasEvent(*firstLog, "destroy taken"));
    EXPECT_TRUE(HasEvent(*secondLog, "destroy taken"));
}

TEST(NodePluginScan, FactoryConstructorScansTheHomeAndTheEmptyOneDoesNot)
{
    PluginHome home;
    home.Put(QM_FIXTURE_NODE_PLUGIN, "Node", "nodes.so");
    ScopedHome env(home.Path(""));
    NodeFactory empty(NodeFactory::kEmpty);
    EXPECT_EQ(empty.CategoryName(0), "");
    NodeFactory full;
    EXPECT_NE(full.Find("probe", "Plug"), nullptr);
    EXPECT_EQ(dynamic_cast<NPlugin*>(full.Find("add", "Operator")), nullptr);
    // The plug-in's category comes after every built-in one.
    uint32_t last = 0;
    while (!full.CategoryName(last + 1).empty()) {
        ++last;
    }
    EXPECT_EQ(full.CategoryName(last), "Plug");
    EXPECT_EQ(full.CategoryName(last - 1), "Animate");
}

// ---- plug-in nodes ---------------------------------------------------------------

TEST(NodePlugin, EvaluateReadsInputsAndWritesOutputsThroughTheCallbacks)
{
    ScannedFactory s;
    auto node = s.Make("probe");
    nodetest::SetValue(*node, 0, 0.5);
    nodetest::SetColor(*node, 1, 1.0, 0.5, 0.25);
    node->params[2].value.text = "wood.bmp";
    node->params[3].value.text = "one\ntwo";
    node->outputs[0].value.components[0] = 42.0;

    EvalContext context{};
    node->ClearEvaluated();
    node->Evaluate(context);
    const double* colour = node->outputs[0].value.components;
    EXPECT_EQ(colour[0], 0.5);
    EXPECT_EQ(colour[1], 0.25);
    EXPECT_EQ(colour[2], 0.125);
    const double* value = node->outputs[1].value.components;
    EXPECT_EQ(value[0], 0.5);
    EXPECT_EQ(value[1], 0.5);
    EXPECT_EQ(value[2], 0.5);
    EXPECT_EQ(node->outputs[1].value.type, DATA_FLOAT);
    const Events tail(s.log->end() - 2, s.log->end());
    // Text of a file name and a choice input; none for a colour input.
    EXPECT_EQ(tail, (Events{"evaluate 2", "texts wood.bmp|one\ntwo|null"}));
    EXPECT_FALSE(HasEvent(*s.log, "outside input read something"));
    EXPECT_EQ(static_cast<NPlugin&>(*node).callbacks.context, nullptr);
}

TEST(NodePlugin, LinkedInputsEvaluateTheirSourcesOnce)
{
    ScannedFactory s;
    auto node = s.Make("probe");
    auto source = nodetest::ConstantNode::Make(DATA_COLOR, 0.3, 0.6, 0.9);
    nodetest::Link(*node, 0, *source);
    nodetest::SetColor(*node, 1, 1.0, 1.0, 1.0);
    EvalContext context{};
    node->ClearEvaluated();
    node->Evaluate(context);
    EXPECT_NEAR(node->outputs[1].value.components[0], 0.6, 1e-15);  // colour mean as float
    EXPECT_EQ(source->runs, 1);

    // A string input linked to a string output reads the output's text.
    auto name = nodetest::ConstantNode::Make(DATA_STRING, 0.0, 0.0, 0.0);
    name->outputs[0].value.text = "linked.bmp";
    nodetest::Link(*node, 2, *name);
    node->ClearEvaluated();
    node->Evaluate(context);
    EXPECT_EQ(s.log->back(), "texts linked.bmp||null");
}

TEST(NodePlugin, BareTypeHasNoInstanceAndLoadsSavesCopiesNothing)
{
    ScannedFactory s;
    auto node = s.Make("bare");
    auto* bare = dynamic_cast<NPlugin*>(node.get());
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->callbacks.instance, nullptr);
    EXPECT_EQ(FromPluginNode(bare->callbacks.node), node.get());

    NBufferStream stream(1024);
    node->Save(stream);
    EXPECT_EQ(stream.position, 0);
    EXPECT_TRUE(node->Load(stream));
    auto copy = node->Clone();
    EvalContext context{};
    copy->Evaluate(context);
    // setOutputDouble fills all three components, also of a colour output.
    EXPECT_EQ(copy->outputs[0].value.components[0], 0.5);
    EXPECT_EQ(copy->outputs[0].value.components[1], 0.5);
    EXPECT_EQ(copy->outputs[0].value.components[2], 0.5);
    EXPECT_EQ(copy->outputs[0].value.type, DATA_COLOR);
    EXPECT_EQ(s.log->back(), "evaluate bare null");
}

TEST(NodePlugin, LifecycleCallsInTheirOrder)
{
    ScannedFactory s;
    const size_t before = s.log->size();
    {
        auto a = s.Make("probe");  // instance 2
        NBufferStream saved(1024);
        a->Save(saved);
        EXPECT_EQ(saved.position, 4);  // the negative-count write added nothing
        saved.position = 0;
        auto b = s.Make("probe");  // instance 3
        EXPECT_TRUE(b->Load(saved));
        auto c = b->Clone();  // instance 4 copies 3
        NBufferStream empty(16);
        EXPECT_FALSE(c->Load(empty));  // the plug-in's failure comes back
        auto plain = NAdd::New();
        c->CopyFrom(*plain);  // not a plug-in node: nothing happens
        a->BeginRender();
        a->EndRender();
    }
    const Events calls(s.log->begin() + static_cast<std::ptrdiff_t>(before), s.log->end());
    EXPECT_EQ(calls,
              (Events{"create 2", "save 2", "create 3", "load 3 data=1002", "create 4", "copy 4<-3",
                      "load 4 data=0", "begin 2", "end 2", "destroy 4", "destroy 3", "destroy 2"}));
}

TEST(NodePlugin, GraphRenderSaveAndLoadThroughTheNodeList)
{
    ScannedFactory s;
    NodeList list;
    list.nodes.push_back(s.Make("probe"));  // 2
    list.nodes.push_back(s.Make("probe"));  // 3
    list.Renumber();
    NBufferStream file(1024);
    ASSERT_TRUE(list.Save(file));
    for (int render = 0; render < 2; ++render) {
        list.BeginRender();
        list.EndRender();
    }
    file.position = 0;
    NodeList loaded;
    ASSERT_TRUE(loaded.Load(file, s.factory));
    ASSERT_EQ(loaded.nodes.size(), 2u);
    loaded.Clear();
    list.Clear();

    // The first 14 events are the scan's.
    ASSERT_GT(s.log->size(), 14u);
    const Events calls(s.log->begin() + 14, s.log->end());
    EXPECT_EQ(calls, (Events{"create 2",  "create 3",         "save 2",    "save 3",
                             "begin 2",   "begin 3",          "end 2",     "end 3",
                             "begin 2",   "begin 3",          "end 2",     "end 3",
                             "create 4",  "load 4 data=1002", "create 5",  "load 5 data=1003",
                             "destroy 4", "destroy 5",        "destroy 2", "destroy 3"}));
}

namespace {

// A stand-in for "probe" that declares one input fewer, as an older version
// of the plug-in would have stored it.
class OlderProbe : public Node {
public:
    static std::unique_ptr<Node> Make()
    {
        static const ParamDesc inputs[] = {
            {"amount", DATA_FLOAT, EDIT_FLOAT, 1},
            {"tint", DATA_COLOR, EDIT_COLOR, 1},
            {"file", DATA_STRING, EDIT_FILE, 0},
        };
        static const OutputDesc outputs[] = {{"color", DATA_COLOR}, {"value", DATA_FLOAT}};
        auto node = std::make_unique<OlderProbe>();
        node->Setup("probe", "Plug", 3, inputs, 2, outputs, 0);
        return node;
    }
    void Save(NodeStream& stream) override { stream.WriteInt(77); }
    void Evaluate(const EvalContext&) override {}
    std::unique_ptr<Node> Create() const override { return Make(); }
};

}  // namespace

TEST(NodePlugin, StoredInputCountOtherThanDeclaredGetsNoLoad)
{
    ScannedFactory s;
    NodeList older;
    older.nodes.push_back(OlderProbe::Make());
    nodetest::SetValue(*older.nodes[0], 0, 0.75);
    older.Renumber();
    NBufferStream file(1024);
    ASSERT_TRUE(older.Save(file));
    file.position = 0;
    const size_t before = s.log->size();
    NodeList loaded;
    loaded.Load(file, s.factory);
    ASSERT_EQ(loaded.nodes.size(), 1u);
    EXPECT_EQ(loaded.nodes[0]->paramCount, 4);
    EXPECT_EQ(loaded.nodes[0]->params[0].value.components[0], 0.0);
    const Events calls(s.log->begin() + static_cast<std::ptrdiff_t>(before), s.log->end());
    EXPECT_EQ(calls, (Events{"create 2"}));
}

TEST(NodePlugin, SpoiledDescriptionGivesANodeWithoutPorts)
{
    NodePluginInfo info{};
    NodePluginDesc desc{"late", "Plug", 3, nullptr, 1, nullptr};
    info.desc = &desc;
    auto node = NPlugin::New(info);
    EXPECT_EQ(node->paramCount, 0);
    EXPECT_EQ(node->outputCount, 0);
    info.desc = nullptr;
    auto none = NPlugin::New(info);
    EXPECT_EQ(none->paramCount, 0);
    // With no ports, every callback index is outside and answers nothing.
    auto* plugin = static_cast<NPlugin*>(none.get());
    EXPECT_EQ(PluginGetInputDouble(&plugin->callbacks, 0), 0.0);
    EXPECT_EQ(PluginGetInputText(&plugin->callbacks, 0), nullptr);
    PluginSetOutputDouble(&plugin->callbacks, 0, 1.0);
}

TEST(NodePlugin, StreamCallbacksRefuseNegativeCountsAndReadZerosPastTheBlock)
{
    NBufferStream stream(8);
    PluginStream record;
    InitPluginStream(record, stream);
    const int32_t value = 0x01020304;
    record.write(&record, &value, -4);
    EXPECT_EQ(stream.position, 0);
    record.write(&record, &value, 4);
    stream.position = 0;
    int32_t back = 0;
    record.read(&record, &back, 4);
    EXPECT_EQ(back, value);
    char tail[4] = {1, 1, 1, 1};
    record.read(&record, tail, 4);
    EXPECT_EQ(tail[0], 0);
    EXPECT_EQ(tail[3], 0);
}

// ---- engine globals --------------------------------------------------------------

namespace {

// What of the engine exists when the image plug-in's first loader is
// activated, and when the node plug-in's prototype is made and destroyed.
struct EngineSeen {
    bool cache = false;
    size_t loaders = 0;  // loaders registered, 0 without a loader registry
    bool nodes = false;  // the node registry
};
EngineSeen atActivate;
EngineSeen atCreate;
EngineSeen atDestroy;

EngineSeen Look()
{
    ImageLoaderMan* loaders = TheImageLoaderMan();
    return {globals.imageMan != nullptr && ProcessImageMan() == globals.imageMan.get(),
            loaders != nullptr ? loaders->LoaderCount() : 0, globals.nodeFactory != nullptr};
}

void WatchActivation(const char* event)
{
    if (std::strcmp(event, "activate A") == 0) {
        atActivate = Look();
    }
}

void WatchPrototype(const char* event)
{
    if (std::strcmp(event, "create 1") == 0) {
        atCreate = Look();
    } else if (std::strcmp(event, "destroy 1") == 0) {
        atDestroy = Look();
    }
}

struct Entry {
    std::string category;
    std::string name;
    int32_t image;
    const Node* prototype;
    bool operator==(const Entry&) const = default;
};

std::vector<Entry> Snapshot(const NodeFactory& factory)
{
    std::vector<Entry> entries;
    for (uint32_t c = 0; !factory.CategoryName(c).empty(); ++c) {
        const std::string category = factory.CategoryName(c);
        int32_t image = 0;
        for (uint32_t i = 0;; ++i) {
            const std::string name = factory.NodeName(category, i, &image);
            if (name.empty()) {
                break;
            }
            entries.push_back({category, name, image, factory.Find(name, category)});
        }
    }
    return entries;
}

}  // namespace

TEST(EngineStartupOrder, LoadersThenCacheThenRegistryAndBackInReverse)
{
    PluginHome home;
    const std::string imageLib = home.Put(QM_FIXTURE_IMAGE_PLUGIN, "Image", "images.so");
    const std::string lib = home.Put(QM_FIXTURE_NODE_PLUGIN, "Node", "nodes.so");
    // The libraries are loaded by the scans; the image loader's activation
    // and the prototype's create and destroy report back here, so the test
    // sees which objects exist at those moments.
    void* preloadImages = dlopen(imageLib.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(preloadImages, nullptr);
    LogOf(imageLib, &WatchActivation);
    void* preload = dlopen(lib.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (preload == nullptr) {
        dlclose(preloadImages);
    }
    ASSERT_NE(preload, nullptr);
    LogOf(lib, &WatchPrototype);
    ExitImageLoaderMan();  // the test program's own registry: the owner makes it
    // Whatever check fails below, the tests after this one get their
    // registry back and the libraries their references.
    struct Restore {
        void* images;
        void* library;
        ~Restore()
        {
            if (TheImageLoaderMan() == nullptr) {
                InitImageLoaderMan();
            }
            dlclose(library);
            dlclose(images);
        }
    } restore{preloadImages, preload};
    std::vector<Entry> before;
    {
        std::optional<EngineStartup> engine;
        {
            ScopedHome env(home.Path(""));
            engine.emplace();
        }
        ASSERT_NE(globals.nodeFactory, nullptr);
        // The image plug-ins were activated by the loader registry's scan,
        // after the built-in "bmp" loader and before the cache and the node
        // registry were made.
        EXPECT_EQ(atActivate.loaders, 1u);
        EXPECT_FALSE(atActivate.cache);
        EXPECT_FALSE(atActivate.nodes);
        // The node plug-in's prototype was made with the loader registry
        // (built-in "bmp" and both plug-in loaders) and the cache in place.
        EXPECT_TRUE(atCreate.cache);
        EXPECT_EQ(atCreate.loaders, 3u);

        // A node of every registered type, made and destroyed, changes nothing.
        before = Snapshot(*globals.nodeFactory);
        EXPECT_GT(before.size(), 30u);
        EXPECT_EQ(before.back().name, "bare");
        for (const Entry& e : before) {
            auto node = e.prototype->Create();
            ASSERT_NE(node, nullptr);
            EXPECT_EQ(node->name, e.name);
            EXPECT_EQ(node->category, e.category);
        }
        EXPECT_EQ(Snapshot(*globals.nodeFactory), before);
    }
    // The registry went first, while the cache and the loaders were still
    // there; then the cache, then the loader registry. An image loader gets
    // no call at its end, so those two are only seen gone.
    EXPECT_TRUE(atDestroy.cache);
    EXPECT_EQ(atDestroy.loaders, 3u);
    EXPECT_EQ(globals.nodeFactory, nullptr);
    EXPECT_EQ(globals.imageMan, nullptr);
    EXPECT_EQ(ProcessImageMan(), nullptr);
    EXPECT_EQ(TheImageLoaderMan(), nullptr);
    const Events* log = LogOf(lib);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->back(), "destroy 1");
    EXPECT_EQ(std::count(log->begin(), log->end(), "destroy 2"), 1);
}

TEST(EngineGlobals, AnotherHolderDestroysOnlyItsOwnObjects)
{
    globals.imageMan = std::make_unique<ImageMan>();
    const ImageMan* kept = globals.imageMan.get();
    {
        Globals other;
        other.imageMan = std::make_unique<ImageMan>();
    }
    EXPECT_EQ(globals.imageMan.get(), kept);
    ExitGlobals();
    EXPECT_EQ(globals.imageMan, nullptr);
}
