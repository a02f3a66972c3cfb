#pragma once
// The interface between the engine and its plug-in libraries.
//
// A plug-in library is a shared object placed in "Image/" or "Node/" under the
// plug-in home. It exports one data symbol, `_n_activate_table`: an array of
// PluginEntry records ended by the first record whose `activate` is null.
// For each record of the scan's class name the engine zero-fills a
// description (ImagePluginInfo or NodePluginInfo), calls `activate` with its
// address, and registers what was filled in when `activate` returns non-zero.
//
// Records hold native pointers and keep the natural alignment of the
// platform's C compiler. Every function uses the C calling convention.

#include <cstddef>
#include <cstdint>

#include "model/eval_context.h"
#include "model/port_desc.h"

class Node;
class NodeStream;

#define QM_PLUGIN_IMAGE_CLASS "NPluginImage class"
#define QM_PLUGIN_NODE_CLASS "NPluginNode class"

extern "C" {

struct PluginEntry {
    const char* className;          // QM_PLUGIN_IMAGE_CLASS, QM_PLUGIN_NODE_CLASS or anything else
    int32_t (*activate)(void* info);  // fills *info; non-zero to have it registered
};

// ---- image loaders -----------------------------------------------------------

typedef int32_t (*PluginImageInfoFunc)(const char* file, int32_t* width, int32_t* height,
                                       int32_t* hasAlpha);
typedef int32_t (*PluginImageLoadFunc)(const char* file, uint8_t* rgb, uint8_t* alpha);

struct ImagePluginInfo {
    const char* extensions;  // without dots, "\n"-separated; copied at registration
    PluginImageInfoFunc getInfo;
    PluginImageLoadFunc load;
};

// ---- node types --------------------------------------------------------------

struct PluginCallbacks;
struct PluginStream;

struct NodePluginDesc {
    const char* name;
    const char* category;
    int32_t inputCount;
    const ParamDesc* inputs;
    int32_t outputCount;
    const OutputDesc* outputs;
};

struct NodePluginInfo {
    void* (*create)(void);
    void (*destroy)(void* instance);
    void (*evaluate)(void* instance, PluginCallbacks* callbacks);
    void (*copy)(void* destination, void* source);
    void (*beginRender)(void* instance);
    void (*endRender)(void* instance);
    int32_t (*load)(void* instance, PluginStream* stream);
    void (*save)(void* instance, PluginStream* stream);
    const NodePluginDesc* desc;
};

// Handed to `evaluate`: the plug-in reads its inputs and writes its outputs
// only through these functions. An index outside the node's declared ports
// reads as 0 (a zero colour, no text) and writes nothing.
struct PluginCallbacks {
    Node* node;
    void* instance;
    double (*getInputDouble)(PluginCallbacks* callbacks, int32_t input);
    void (*getInputColor)(PluginCallbacks* callbacks, int32_t input, double out[3]);
    const char* (*getInputText)(PluginCallbacks* callbacks, int32_t input);
    void (*setOutputDouble)(PluginCallbacks* callbacks, int32_t output, double value);
    void (*setOutputColor)(PluginCallbacks* callbacks, int32_t output, const double value[3]);
    const EvalContext* context;  // the sample during `evaluate`, null outside it
};

// Handed to `load` and `save`: the node's private data block. The results of
// read and write carry no meaning; a negative count moves nothing.
struct PluginStream {
    NodeStream* stream;
    int32_t (*read)(PluginStream* stream, void* buffer, int32_t count);
    int32_t (*write)(PluginStream* stream, const void* buffer, int32_t count);
};

}  // extern "C"

static_assert(sizeof(void*) == 8, "plug-in records are laid out for 64-bit pointers");
static_assert(sizeof(PluginEntry) == 16 && offsetof(PluginEntry, activate) == 8);
static_assert(sizeof(ImagePluginInfo) == 24 && offsetof(ImagePluginInfo, getInfo) == 8 &&
              offsetof(ImagePluginInfo, load) == 16);
static_assert(sizeof(NodePluginDesc) == 48 && offsetof(NodePluginDesc, category) == 8 &&
              offsetof(NodePluginDesc, inputCount) == 16 && offsetof(NodePluginDesc, inputs) == 24 &&
              offsetof(NodePluginDesc, outputCount) == 32 &&
              offsetof(NodePluginDesc, outputs) == 40);
static_assert(sizeof(NodePluginInfo) == 72 && offsetof(NodePluginInfo, destroy) == 8 &&
              offsetof(NodePluginInfo, evaluate) == 16 && offsetof(NodePluginInfo, copy) == 24 &&
              offsetof(NodePluginInfo, beginRender) == 32 &&
              offsetof(NodePluginInfo, endRender) == 40 && offsetof(NodePluginInfo, load) == 48 &&
              offsetof(NodePluginInfo, save) == 56 && offsetof(NodePluginInfo, desc) == 64);
static_assert(sizeof(PluginCallbacks) == 64 && offsetof(PluginCallbacks, instance) == 8 &&
              offsetof(PluginCallbacks, getInputDouble) == 16 &&
              offsetof(PluginCallbacks, getInputColor) == 24 &&
              offsetof(PluginCallbacks, getInputText) == 32 &&
              offsetof(PluginCallbacks, setOutputDouble) == 40 &&
              offsetof(PluginCallbacks, setOutputColor) == 48 &&
              offsetof(PluginCallbacks, context) == 56);
static_assert(sizeof(PluginStream) == 24 && offsetof(PluginStream, read) == 8 &&
              offsetof(PluginStream, write) == 16);
