#pragma once
// Shared set-up of the preview tests: the engine started once per suite, a
// graph built from the registry, and pixel access in bitmap coordinates
// (column from the left, row from the bottom, as the bitmap stores them).

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "image/dib24.h"
#include "model/node_list.h"
#include "registry/globals.h"
#include "startup/engine_startup.h"

namespace preview_test {

// Blue, green, red, as stored.
using Bgr = std::array<uint8_t, 3>;

inline Bgr PixelAt(const dib24& bitmap, int column, int row)
{
    const uint8_t* p = bitmap.bits + static_cast<size_t>(row) * bitmap.rowBytes + column * 3;
    return Bgr{p[0], p[1], p[2]};
}

inline Bgr Grey(uint8_t v) { return Bgr{v, v, v}; }

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { engine_ = std::make_unique<EngineStartup>(); }
    static void TearDownTestSuite() { engine_.reset(); }

    // A new node of a registered type, appended to the graph.
    Node* Add(const std::string& nodeName, const std::string& category)
    {
        const Node* prototype = globals.nodeFactory->Find(nodeName, category);
        EXPECT_NE(prototype, nullptr) << category << "/" << nodeName;
        list.nodes.push_back(prototype->Create());
        list.Renumber();
        return list.nodes.back().get();
    }

    // Any node appended to the graph.
    template <typename T>
    T* Adopt(std::unique_ptr<T> node)
    {
        T* raw = node.get();
        list.nodes.push_back(std::move(node));
        list.Renumber();
        return raw;
    }

    NodeList list;

private:
    static inline std::unique_ptr<EngineStartup> engine_;
};

}  // namespace preview_test
