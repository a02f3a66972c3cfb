#pragma once
// Shared by the preview tests: the engine started once per suite, nodes from
// the registry, renders, and pixels by column and row from the bottom.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

#include "image/dib24.h"
#include "material_preview.h"
#include "model/node_list.h"
#include "registry/globals.h"
#include "startup/engine_startup.h"

namespace preview_test {

using Bgr = std::array<uint8_t, 3>;  // as stored: blue, green, red

inline Bgr PixelAt(const dib24& b, int column, int row)
{
    const uint8_t* p = b.bits + static_cast<size_t>(row) * b.rowBytes + column * 3;
    return Bgr{p[0], p[1], p[2]};
}

inline Bgr Grey(uint8_t v)
{
    return Bgr{v, v, v};
}

inline bool SameImage(const dib24& a, const dib24& b)
{
    return std::equal(a.bits, a.bits + a.rowBytes * a.height, b.bits);
}

class PreviewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { engine_ = std::make_unique<EngineStartup>(); }
    static void TearDownTestSuite() { engine_.reset(); }

    // Appends a node to the graph: a registered type, or any node given.
    Node* Add(const char* nodeName, const char* category)
    {
        return Adopt(globals.nodeFactory->Find(nodeName, category)->Create());
    }
    template <typename T>
    T* Adopt(std::unique_ptr<T> node)
    {
        T* raw = node.get();
        list.nodes.push_back(std::move(node));
        list.Renumber();
        return raw;
    }

    std::unique_ptr<dib24> Render(Node* node, int size, int samples = 1)
    {
        auto bitmap = std::make_unique<dib24>(size, size, 24);
        RenderPreview(bitmap.get(), samples, node, &list);
        return bitmap;
    }

    NodeList list;

private:
    static inline std::unique_ptr<EngineStartup> engine_;
};

}  // namespace preview_test
