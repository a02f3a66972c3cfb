#pragma once
// Canvas arithmetic runs in 64 bits (node positions from a file may lie
// anywhere); results stored back into the 32-bit fields saturate.

#include <cstdint>
#include <limits>

inline int32_t Saturate(int64_t v)
{
    if (v > std::numeric_limits<int32_t>::max()) {
        return std::numeric_limits<int32_t>::max();
    }
    if (v < std::numeric_limits<int32_t>::min()) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(v);
}
