#pragma once
// Static port descriptors: how a node type (built-in or plug-in) declares its
// inputs and outputs. Binary records shared with plug-in libraries.

#include <cstddef>
#include <cstdint>

struct ParamDesc {
    char name[128];       // NUL-terminated
    int32_t dataType;     // DataType code
    int32_t editKind;     // EditKind code
    int32_t connectable;  // non-zero: the input may take a link
};

struct OutputDesc {
    char name[128];    // NUL-terminated
    int32_t dataType;  // DataType code
};

static_assert(sizeof(ParamDesc) == 140);
static_assert(offsetof(ParamDesc, dataType) == 128);
static_assert(offsetof(ParamDesc, editKind) == 132);
static_assert(offsetof(ParamDesc, connectable) == 136);
static_assert(sizeof(OutputDesc) == 132);
static_assert(offsetof(OutputDesc, dataType) == 128);
