#pragma once
// One shading sample: the defaults, then the root's inputs of one range
// evaluated in ascending order into the root's outputs and the record.

#include <cstdint>

#include "qm_core.h"

// The root parameters each evaluation export computes, first to last.
struct RootRange {
    int32_t first;
    int32_t last;
};
inline constexpr RootRange kShadeRange{0, 9};
inline constexpr RootRange kBumpRange{10, 11};
inline constexpr RootRange kUserRange{12, 15};

// Writes the defaults into bytes 224 to 335 of record, then, when the graph
// has a material root, evaluates range into the record's fields. A null
// handle or record, or a handle being freed, writes nothing. Takes the API
// lock; allocates nothing.
void EvaluateRoot(NHandle* handle, ShadeRecord* record, RootRange range);
