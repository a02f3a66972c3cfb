// qm_core loaded and unloaded at run time as a host does it (dlopen, never
// linked): what the library brings up at load and takes down at unload. Each
// test runs in a process of its own, so every load here is the first one.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include <qm_core.h>

#include "core_test_support.h"
#include "image_test_files.h"
#include "nodes/image_node.h"
#include "shader_files.h"

namespace {

using namespace shaderfiles;

constexpr int32_t kTexture = 0;  // the image node's file name input

// The ten exports of one load of the library.
class CoreLibrary {
public:
    CoreLibrary() : handle_(dlopen(QM_CORE_LIBRARY, RTLD_NOW | RTLD_LOCAL))
    {
        if (handle_ == nullptr) return;
        load = reinterpret_cast<decltype(load)>(dlsym(handle_, "QM_Load"));
        beginRender = reinterpret_cast<decltype(beginRender)>(dlsym(handle_, "QM_BeginRender"));
        evalShade = reinterpret_cast<decltype(evalShade)>(dlsym(handle_, "QM_EvalShade"));
    }
    ~CoreLibrary() { Close(); }
    CoreLibrary(const CoreLibrary&) = delete;
    CoreLibrary& operator=(const CoreLibrary&) = delete;

    bool Ready() const { return handle_ && load && beginRender && evalShade; }

    // Unloads the library; true when it is really gone from the process.
    bool Close()
    {
        if (handle_ == nullptr) return true;
        const bool closed = dlclose(handle_) == 0;
        handle_ = nullptr;
        return closed && dlopen(QM_CORE_LIBRARY, RTLD_NOW | RTLD_NOLOAD) == nullptr;
    }

    NHandle* (*load)(const char*) = nullptr;
    void (*beginRender)(NHandle*) = nullptr;
    void (*evalShade)(NHandle*, ShadeRecord*) = nullptr;

private:
    void* handle_;
};

// The names of every object loaded in the process.
std::set<std::string> LoadedObjects()
{
    std::set<std::string> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
                static_cast<std::set<std::string>*>(data)->insert(info->dlpi_name);
            }
            return 0;
        },
        &names);
    return names;
}

// A material whose colour is a picture file mapped by u and v.
bool WriteImageGraph(const std::string& fileName, const std::string& picture)
{
    NodeList list;
    NRoot& root = Add<NRoot>(list);
    list.nodes.push_back(NImage::New());
    Node& image = *list.nodes.back();
    image.params[kTexture].value.text = picture;
    Link(root, NRoot::kColor, image);
    return Save(list, fileName);
}

// A host that unloads qm_core with shaders still open loses them: the image
// nodes give their pictures back to the cache before the cache is deleted
// (the sanitizer build reports a use after free or a leak otherwise), and a
// new load starts with nothing open.
TEST(CoreUnload, OpenImageNodesReleaseTheirPicturesBeforeTheCacheGoes)
{
    TempDir dir;
    const std::string picture = dir.File("flat.bmp");
    imagetest::WriteFile(picture, imagetest::Encode(imagetest::Flat24(8, 8, 0x3366CC)));
    const std::string first = dir.File("first.shd");
    const std::string second = dir.File("second.shd");
    ASSERT_TRUE(WriteImageGraph(first, picture));
    ASSERT_TRUE(WriteImageGraph(second, picture));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        CoreLibrary core;
        ASSERT_TRUE(core.Ready()) << dlerror();
        NHandle* a = core.load(first.c_str());
        NHandle* b = core.load(second.c_str());
        ASSERT_NE(a, nullptr);
        ASSERT_NE(b, nullptr);
        ASSERT_NE(a, b);
        for (NHandle* h : {a, b}) {
            core.beginRender(h);  // both nodes hold the one cached picture
            ShadeRecord r = coretest::Sample();
            core.evalShade(h, &r);
            EXPECT_NEAR(r.color[0], 0x33 / 255.0, 1e-12);
            EXPECT_NEAR(r.color[1], 0x66 / 255.0, 1e-12);
            EXPECT_NEAR(r.color[2], 0xCC / 255.0, 1e-12);
        }
        EXPECT_TRUE(core.Close());
    }
}

// Loaded with QMERE_HOME set to path; the objects the load added.
std::set<std::string> ObjectsAddedByLoad(const std::string& home, const std::string& shader,
                                         double* red)
{
    setenv("QMERE_HOME", home.c_str(), 1);
    const std::set<std::string> before = LoadedObjects();
    CoreLibrary core;
    unsetenv("QMERE_HOME");
    std::set<std::string> added;
    if (!core.Ready()) {
        ADD_FAILURE() << dlerror();
        return added;
    }
    for (const std::string& name : LoadedObjects()) {
        if (before.count(name) == 0) added.insert(name);
    }
    NHandle* h = core.load(shader.c_str());
    if (h == nullptr) {
        ADD_FAILURE() << shader << " did not load";
        return added;
    }
    core.beginRender(h);
    ShadeRecord r = coretest::Sample();
    core.evalShade(h, &r);
    *red = r.color[0];
    EXPECT_TRUE(core.Close());
    return added;
}

// A plug-in home without Image/ and Node/ directories: nothing but qm_core
// itself joins the process (a library lying in the home's own folder is not
// a plug-in), the built-in nodes and the "bmp" loader serve the graph.
TEST(CoreUnload, PluginHomeWithoutPluginFoldersGivesTheBuiltinsOnly)
{
    TempDir home;
    std::filesystem::copy_file(QM_FIXTURE_NODE_PLUGIN, home.File("stray.so"));
    const std::string picture = home.File("flat.bmp");
    imagetest::WriteFile(picture, imagetest::Encode(imagetest::Flat24(4, 4, 0x808080)));
    const std::string shader = home.File("image.shd");
    ASSERT_TRUE(WriteImageGraph(shader, picture));

    double red = 0.0;
    const std::set<std::string> added = ObjectsAddedByLoad(home.path, shader, &red);
    ASSERT_FALSE(added.empty());
    for (const std::string& name : added) {
        EXPECT_EQ(name.find(home.path), std::string::npos) << name << " was loaded";
    }
    EXPECT_NEAR(red, 128 / 255.0, 1e-12);
}

// The same home with the library in its Node/ folder: the scan loads it,
// so the check above would see a plug-in that joined.
TEST(CoreUnload, PluginInTheNodeFolderJoinsAtLoad)
{
    TempDir home;
    std::filesystem::create_directory(home.File("Node"));
    std::filesystem::copy_file(QM_FIXTURE_NODE_PLUGIN, home.File("Node/fixture.so"));
    const std::string shader = home.File("typical.shd");
    std::filesystem::copy_file(std::string(QM_EXAMPLES_DIR) + "/typical.shd", shader);

    double red = 0.0;
    const std::set<std::string> added = ObjectsAddedByLoad(home.path, shader, &red);
    EXPECT_EQ(added.count(home.File("Node/fixture.so")), 1u);
    EXPECT_NE(red, 0.78);  // the noise-driven colour, not the default
}

// Saved under a plug-in type's key with that type's one output and no
// inputs: qm_core's reader makes the plug-in's node from it.
class PluginStandIn : public Node {
public:
    static std::unique_ptr<Node> New(const char* name, const char* category, int32_t type)
    {
        const OutputDesc output = {"out", type};
        auto node = std::make_unique<PluginStandIn>();
        node->Setup(name, category, 0, nullptr, 1, &output, 0);
        return node;
    }
    void Evaluate(const EvalContext&) override {}
    std::unique_ptr<Node> Create() const override { return nullptr; }
};

// Plug-ins that throw from their functions or declare ports by the billion
// do not end the host's load of qm_core: the scans pass over them, the types
// beside them register, and a node whose evaluate throws gives the sample
// the outputs it left.
TEST(CoreUnload, BrokenPluginsInTheHomeDoNotStopTheLoad)
{
    TempDir home;
    std::filesystem::create_directory(home.File("Node"));
    std::filesystem::create_directory(home.File("Image"));
    std::filesystem::copy_file(QM_FIXTURE_BROKEN_PLUGIN, home.File("Node/broken.so"));
    std::filesystem::copy_file(QM_FIXTURE_BROKEN_PLUGIN, home.File("Image/broken.so"));
    std::filesystem::copy_file(QM_FIXTURE_THROWING_PLUGIN, home.File("Node/throwing.so"));
    NodeList list;
    NRoot& root = Add<NRoot>(list);
    list.nodes.push_back(PluginStandIn::New("thrower", "Throwing", DATA_COLOR));
    Link(root, NRoot::kColor, *list.nodes.back());
    list.nodes.push_back(PluginStandIn::New("survivor", "Broken", DATA_FLOAT));
    Link(root, NRoot::kDiffuse, *list.nodes.back());
    const std::string shader = home.File("plugins.shd");
    ASSERT_TRUE(Save(list, shader));

    setenv("QMERE_HOME", home.path.c_str(), 1);
    CoreLibrary core;
    unsetenv("QMERE_HOME");
    ASSERT_TRUE(core.Ready()) << dlerror();
    NHandle* h = core.load(shader.c_str());
    ASSERT_NE(h, nullptr);
    core.beginRender(h);
    ShadeRecord r = coretest::Sample();
    core.evalShade(h, &r);
    EXPECT_EQ(r.color[0], 0.25);
    EXPECT_EQ(r.color[1], 0.5);
    EXPECT_EQ(r.color[2], 0.75);
    EXPECT_EQ(r.diffuse, 0.25);
    EXPECT_TRUE(core.Close());
}

}  // namespace
