// The deepest graph the reader accepts runs on a host thread with the stack
// qm_core.h asks for: a chain of image nodes (the built-in type with the
// deepest frames) as long as a graph may hold, ending in a macro whose
// sub-graph is as deep as a macro's may be.
#include <gtest/gtest.h>

#include <pthread.h>

#include <qm_core.h>

#include "core_test_support.h"
#include "macro/macro_nodes.h"
#include "nodes/image_node.h"
#include "shader_files.h"

namespace {

using namespace shaderfiles;

// The stack qm_core.h names; sanitizers need more.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QM_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QM_TEST_SANITIZED 1
#endif
#endif
#ifdef QM_TEST_SANITIZED
constexpr size_t kHostStack = 8u << 20;
#else
constexpr size_t kHostStack = 2u << 20;
#endif

constexpr int32_t kScale = 4;  // the image node's first linkable input

// Appends count image nodes to list, each feeding the one before, the first
// feeding input of to; returns the last.
Node* ImageChain(NodeList& list, Node& to, int32_t input, int count)
{
    Node* feed = &to;
    for (int k = 0; k < count; ++k) {
        NImage& image = Add<NImage>(list);
        Link(*feed, input, image);
        feed = &image;
        input = kScale;
    }
    return feed;
}

// root <- 1022 images <- macro { macro root <- 1023 images }: 1,024 linked
// nodes in the graph and 1,024 in the macro's sub-graph, the most each
// may hold.
void DeepestGraph(NodeList& list)
{
    NRoot& root = Add<NRoot>(list);
    Node* last = ImageChain(list, root, NRoot::kColor, 1022);
    NMacro& macro = Add<NMacro>(list);
    Link(*last, kScale, macro);
    NodeList& inner = *macro.subGraph;
    Node& innerRoot = Add<NMacroRoot>(inner);
    ImageChain(inner, innerRoot, 0, 1023);
}

struct HostRender {
    const char* file;
    bool loaded = false;
    ShadeRecord record = coretest::Sample();
};

void* Render(void* argument)
{
    auto& run = *static_cast<HostRender*>(argument);
    NHandle* h = QM_Load(run.file);
    run.loaded = h != nullptr;
    QM_BeginRender(h);
    QM_EvalBump(h, &run.record);
    QM_EvalUser(h, &run.record);
    QM_EvalShade(h, &run.record);
    QM_EndRender(h);
    QM_Close(h);
    return nullptr;
}

TEST(CoreStack, DeepestAcceptedGraphRunsOnTheStackTheHeaderNames)
{
#ifndef __OPTIMIZE__
    GTEST_SKIP() << "the figure is an optimised build's";
#endif
    TempDir dir;
    const std::string file = dir.File("deepest.shd");
    ASSERT_TRUE(Write(file, DeepestGraph));
    HostRender run{file.c_str()};
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, kHostStack), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, Render, &run), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attributes);
    EXPECT_TRUE(run.loaded);
    EXPECT_EQ(run.record.color[0], 0.0) << "not evaluated: the default is 0.78";
}

}  // namespace
