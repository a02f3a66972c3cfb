// Plug-ins that throw C++ exceptions or declare impossible port counts: the
// engine's start-up passes over what it cannot use and goes on, and no
// exception of a plug-in function leaves the engine's call into it.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "image/image_loader.h"
#include "image/image_man.h"
#include "model/node_list.h"
#include "model/node_stream.h"
#include "node_test_helpers.h"
#include "nodes/root_node.h"
#include "plugin/plugin_node.h"
#include "plugin_test_support.h"
#include "registry/globals.h"
#include "registry/node_factory.h"
#include "startup/engine_startup.h"

using plugintest::LogOf;
using plugintest::PluginHome;
using plugintest::ScopedHome;
using Events = std::vector<std::string>;

TEST(PluginExceptions, StartUpPassesOverThrowingAndOversizedRecords)
{
    PluginHome home;
    const std::string nodes = home.Put(QM_FIXTURE_BROKEN_PLUGIN, "Node", "broken.so");
    home.Put(QM_FIXTURE_NODE_PLUGIN, "Node", "nodes.so");
    const std::string images = home.Put(QM_FIXTURE_BROKEN_PLUGIN, "Image", "broken.so");
    home.Put(QM_FIXTURE_IMAGE_PLUGIN, "Image", "images.so");
    for (const char* name : {"pic.boom", "pic.bang", "pic.ok"}) {
        std::ofstream(home.Path(name)) << "pixels";
    }
    ExitImageLoaderMan();  // the start-up makes the registry, scan and all
    struct Restore {
        ~Restore()
        {
            if (TheImageLoaderMan() == nullptr) {
                InitImageLoaderMan();
            }
        }
    } restore;
    {
        const ScopedHome env(home.Path(""));
        const EngineStartup engine;
        const NodeFactory& factory = *globals.nodeFactory;
        // Of the broken library's types only the two usable ones; the
        // next library of the scan joins as well.
        EXPECT_EQ(factory.NodeName("Broken", 0), "widest");
        EXPECT_EQ(factory.NodeName("Broken", 1), "survivor");
        EXPECT_EQ(factory.NodeName("Broken", 2), "");
        const Node* widest = factory.Find("widest", "Broken");
        ASSERT_NE(widest, nullptr);
        EXPECT_EQ(widest->paramCount, QM_NODE_MAX_PORTS);
        EXPECT_EQ(widest->outputCount, QM_NODE_MAX_PORTS);
        EXPECT_NE(factory.Find("probe", "Plug"), nullptr);
        const Events* nodeLog = LogOf(nodes);
        ASSERT_NE(nodeLog, nullptr);
        // No prototype of a refused description was made, none destroyed.
        EXPECT_EQ(*nodeLog, (Events{"activate throws", "activate throws int", "create throws",
                                    "create", "create"}));

        // Built-in, "boom", "bang", "ok", then the two of the next library.
        EXPECT_EQ(TheImageLoaderMan()->LoaderCount(), 6u);
        ImageMan& cache = *globals.imageMan;
        CriticalSection::Guard guard(cache.lock);
        EXPECT_EQ(cache.Load(home.Path("pic.boom").c_str()), nullptr);
        EXPECT_EQ(cache.Load(home.Path("pic.bang").c_str()), nullptr);
        const Image* ok = cache.Load(home.Path("pic.ok").c_str());
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->rgb[2], 30);
        cache.Release(home.Path("pic.ok").c_str());
        const Events* imageLog = LogOf(images);
        ASSERT_NE(imageLog, nullptr);
        EXPECT_EQ(*imageLog,
                  (Events{"activate throws", "info throws", "info", "load throws", "info"}));
    }
    EXPECT_EQ(LogOf(nodes)->back(), "destroy");
}

TEST(PluginExceptions, CallsThatThrowEndAtTheEngine)
{
    PluginHome home;
    const std::string lib = home.Put(QM_FIXTURE_THROWING_PLUGIN, "Node", "throwing.so");
    const ScopedHome env(home.Path(""));
    const NodeFactory factory;
    const Node* prototype = factory.Find("thrower", "Throwing");
    ASSERT_NE(prototype, nullptr);

    NodeList list;
    list.nodes.push_back(NRoot::New());
    list.nodes.push_back(prototype->Create());
    Node& root = *list.nodes[0];
    auto& thrower = static_cast<NPlugin&>(*list.nodes[1]);
    nodetest::Link(root, NRoot::kColor, thrower);
    // The render goes on with the outputs as evaluate left them.
    list.BeginRender();
    const EvalContext context{};
    root.ClearEvaluated();
    const NodeValue colour = root.EvaluateValue(root.params[NRoot::kColor], context);
    list.EndRender();
    EXPECT_EQ(colour.components[0], 0.25);
    EXPECT_EQ(colour.components[1], 0.5);
    EXPECT_EQ(colour.components[2], 0.75);
    EXPECT_EQ(thrower.callbacks.context, nullptr);
    EXPECT_NE(thrower.Clone(), nullptr);

    // The node's data is what save wrote before it threw; the reader goes on
    // past a load that throws.
    NBufferStream file(1024);
    ASSERT_TRUE(list.Save(file));
    file.position = 0;
    NodeList loaded;
    ASSERT_TRUE(loaded.Load(file, factory));
    ASSERT_EQ(loaded.nodes.size(), 2u);
    EXPECT_EQ(loaded.nodes[0]->params[NRoot::kColor].source, loaded.nodes[1].get());

    // A create that throws makes no node: no copy, and the reader drops the
    // file's node as one of an unknown type.
    ASSERT_TRUE(plugintest::SetCreateThrows(lib, true));
    EXPECT_EQ(prototype->Create(), nullptr);
    EXPECT_EQ(thrower.Clone(), nullptr);
    file.position = 0;
    NodeList dropped;
    ASSERT_TRUE(dropped.Load(file, factory));
    ASSERT_EQ(dropped.nodes.size(), 1u);
    EXPECT_EQ(dropped.nodes[0]->params[NRoot::kColor].source, nullptr);
    plugintest::SetCreateThrows(lib, false);

    const Events* log = LogOf(lib);
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(*log, (Events{"begin", "evaluate", "end", "copy", "destroy", "save", "load", "create",
                            "create", "create"}));
}
