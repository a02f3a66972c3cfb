// A plug-in node whose making runs out of memory. This program replaces
// operator new so that one chosen allocation fails; the plug-in's functions
// allocate nothing themselves, so every failure is the engine's.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>

#include "plugin/plugin_node.h"
#include "replaced_new.h"

namespace {

// Allocations to let through before the one that fails; below 0, none fails.
long allocationsBeforeFailure = -1;

}  // namespace

void* AllocateOrNull(size_t size) noexcept
{
    if (allocationsBeforeFailure == 0) {
        allocationsBeforeFailure = -1;
        return nullptr;
    }
    if (allocationsBeforeFailure > 0) {
        --allocationsBeforeFailure;
    }
    return std::malloc(size != 0 ? size : 1);
}

void Release(void* p) noexcept
{
    std::free(p);
}

namespace {

// The plug-in: its instances are slots of a static array, and destroy notes
// what it is given.
constexpr int kSlots = 4;
int instances[kSlots];
int created = 0;
void* destroyed[kSlots];
int destroyCount = 0;

void* Create()
{
    return &instances[created++];
}

void Destroy(void* instance)
{
    if (destroyCount < kSlots) {
        destroyed[destroyCount] = instance;
    }
    ++destroyCount;
}

// Names too long for a string's own buffer: Setup allocates for each.
const ParamDesc kInputs[] = {{"an input with a long name", 1, 0, 1},
                             {"another input with a long name", 2, 0, 1}};
const OutputDesc kOutputs[] = {{"an output with a long name", 2}};
const NodePluginDesc kDesc = {
    "a node type with a long name", "a category with a long name", 2, kInputs, 1, kOutputs};

// Whichever allocation of the node's making fails, destroy gets back
// exactly what create made: nothing when create was not reached, and the
// node that is made gives back its own instance.
TEST(PluginNodeMemory, DestroyGetsOnlyWhatCreateMade)
{
    NodePluginInfo info{};
    info.create = &Create;
    info.destroy = &Destroy;
    info.desc = &kDesc;
    long failures = 0;
    for (long allowed = 0;; ++allowed) {
        SCOPED_TRACE(testing::Message() << "allocation " << allowed << " fails");
        created = 0;
        destroyCount = 0;
        std::unique_ptr<Node> node;
        bool threw = false;
        allocationsBeforeFailure = allowed;
        try {
            node = NPlugin::New(info);
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        allocationsBeforeFailure = -1;
        EXPECT_EQ(node != nullptr, !threw);
        node.reset();
        ASSERT_EQ(destroyCount, created);
        for (int i = 0; i < created; ++i) {
            EXPECT_EQ(destroyed[i], &instances[i]);
        }
        if (!threw) {
            EXPECT_EQ(created, 1);
            break;
        }
        ++failures;
    }
    // The node itself, then Setup's names and ports.
    EXPECT_GT(failures, 2);
}

}  // namespace
