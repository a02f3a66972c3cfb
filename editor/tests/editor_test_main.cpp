// The editor tests run inside one application object, over the engine's
// process-wide registry, with no display. The registry includes the sample
// node plug-in and one whose functions throw, put into a plug-in home of the
// run's own, so that plug-in node types are edited as a user's installation
// would have them.

#include <gtest/gtest.h>

#include <clocale>

#include <QApplication>

#include "plugin_test_support.h"
#include "startup/engine_startup.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const plugintest::PluginHome home;
    home.Put(QM_FIXTURE_NODE_PLUGIN, "Node", "fixture_node_plugin.so");
    home.Put(QM_FIXTURE_THROWING_PLUGIN, "Node", "fixture_throwing_plugin.so");
    const plugintest::ScopedHome homeVariable(home.Home());
    const EngineStartup engine;
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
