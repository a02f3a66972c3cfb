#pragma once
// Helpers shared by the gradient tests: a gradient given exactly these keys,
// and a data block read back as the file reader hands it over.

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "gradient/gradient.h"
#include "model/node_stream.h"

namespace gradienttest {

// Replaces the gradient's keys with these, in the given order.
inline void SetKeys(Gradient& gradient, std::initializer_list<GValue> keys)
{
    gradient.Clear();
    for (const GValue& key : keys) {
        gradient.AddKey(std::make_unique<GValue>(key));
    }
}

// A stream over exactly these bytes, as the file reader wraps a data block.
inline std::unique_ptr<NBufferStream> BlockStream(const std::vector<uint8_t>& bytes)
{
    auto s = std::make_unique<NBufferStream>(static_cast<int32_t>(bytes.size()));
    if (!bytes.empty()) {
        std::memcpy(s->data.get(), bytes.data(), bytes.size());
    }
    return s;
}

}  // namespace gradienttest
