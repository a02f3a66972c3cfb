#pragma once
// A temporary plug-in home holding copies of the sample plug-in libraries,
// and access to a loaded library's event log.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "plugin/qm_plugin.h"
#include "plugin_fixture.h"

namespace plugintest {

class PluginHome {
public:
    PluginHome()
    {
        char pattern[] = "/tmp/qm_plugin_home_XXXXXX";
        const char* made = mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        path_ = made != nullptr ? made : "";
        std::filesystem::create_directory(path_ + "/Image");
        std::filesystem::create_directory(path_ + "/Node");
    }
    ~PluginHome()
    {
        std::error_code ec;
        if (!path_.empty()) {
            std::filesystem::remove_all(path_, ec);
        }
    }
    PluginHome(const PluginHome&) = delete;
    PluginHome& operator=(const PluginHome&) = delete;

    // The home with its separator, as the scans take it.
    std::string Home() const { return path_ + "/"; }
    // Copies a built library to <home>/<sub>/<name>; returns the copy's path.
    std::string Put(const char* built, const std::string& sub, const std::string& name) const
    {
        const std::string target = path_ + "/" + sub + "/" + name;
        std::filesystem::copy_file(built, target,
                                   std::filesystem::copy_options::overwrite_existing);
        return target;
    }
    std::string Path(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

inline bool IsLoaded(const std::string& path)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

// Calls the activate of every record of className in the table of the
// loaded library at path; false when the library is not loaded.
inline bool ActivateTestRecords(const std::string& path, const char* className, void* info)
{
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    const auto* table = static_cast<const PluginEntry*>(dlsym(handle, "_n_activate_table"));
    for (const PluginEntry* e = table; e != nullptr && e->activate != nullptr; ++e) {
        if (e->className != nullptr && std::strcmp(e->className, className) == 0) {
            e->activate(info);
        }
    }
    dlclose(handle);
    return true;
}

// The event log of the loaded library at path (null when it is not loaded).
// observer, when given, is told of every later event.
inline std::vector<std::string>* LogOf(const std::string& path,
                                       void (*observer)(const char*) = nullptr)
{
    FixtureHooks hooks{nullptr, observer};
    ActivateTestRecords(path, QM_TEST_HOOKS_CLASS, &hooks);
    return hooks.log;
}

// Makes every later create of the loaded throwing sample at path throw, or
// no longer throw.
inline bool SetCreateThrows(const std::string& path, bool throws)
{
    int32_t value = throws ? 1 : 0;
    return ActivateTestRecords(path, QM_TEST_CREATE_SWITCH_CLASS, &value);
}

// Sets QMERE_HOME for its lifetime.
class ScopedHome {
public:
    explicit ScopedHome(const std::string& value)
    {
        if (const char* old = std::getenv("QMERE_HOME")) {
            old_ = old;
        }
        setenv("QMERE_HOME", value.c_str(), 1);
    }
    ~ScopedHome()
    {
        if (old_) {
            setenv("QMERE_HOME", old_->c_str(), 1);
        } else {
            unsetenv("QMERE_HOME");
        }
    }
    ScopedHome(const ScopedHome&) = delete;
    ScopedHome& operator=(const ScopedHome&) = delete;

private:
    std::optional<std::string> old_;
};

}  // namespace plugintest
