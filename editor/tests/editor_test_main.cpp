// The editor tests run inside one application object, over the engine's
// process-wide registry, with no display. The registry includes the sample
// node plug-in, put into a plug-in home of the run's own, so that plug-in
// node types are edited as a user's installation would have them.

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>

#include <QApplication>

#include "startup/engine_startup.h"

namespace {

// A temporary plug-in home holding the sample node plug-in, named by
// QMERE_HOME while it exists.
class PluginHome {
public:
    PluginHome()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quillmere-home-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            return;
        }
        home_ = pattern;
        std::error_code ec;
        std::filesystem::create_directory(home_ / "Node", ec);
        std::filesystem::copy_file(QM_FIXTURE_NODE_PLUGIN, home_ / "Node" / "fixture_node_plugin.so", ec);
        setenv("QMERE_HOME", home_.c_str(), 1);
    }
    ~PluginHome()
    {
        std::error_code ec;
        if (!home_.empty()) {
            std::filesystem::remove_all(home_, ec);
        }
    }
    PluginHome(const PluginHome&) = delete;
    PluginHome& operator=(const PluginHome&) = delete;

private:
    std::filesystem::path home_;
};

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    const PluginHome home;
    const EngineStartup engine;
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
