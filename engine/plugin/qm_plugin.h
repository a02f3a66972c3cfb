/* qm_plugin.h: the interface between Quillmere's shader graph engine and its
 * plug-in libraries. Plug-ins include this header alone; it compiles as C
 * (C99 or later) and as C++ (C++11 or later: its layout checks use
 * static_assert), and a plug-in links nothing of Quillmere.
 *
 * A plug-in library is a shared object placed in "Image/" (image loaders) or
 * "Node/" (node types) under the plug-in home: the directory named by the
 * environment variable QMERE_HOME, or the current directory of the process
 * when it is unset or empty. At start-up the engine loads every "*.so" there
 * and reads one exported data symbol, `_n_activate_table`: an array of
 * PluginEntry records ended by the first record whose `activate` is null.
 * For each record of the scan's class name the engine zero-fills a
 * description (ImagePluginInfo or NodePluginInfo), calls `activate` with its
 * address, and registers what was filled in when `activate` returns non-zero.
 * A library with the table stays loaded for the life of the process.
 *
 * Records hold native pointers with the natural alignment of the platform's
 * C compiler (x86-64 here); every function uses the C calling convention.
 *
 * A plug-in's functions should not throw. A C++ exception that leaves one
 * ends at the engine's call and goes no further: an `activate`, or the
 * `create` of a type's prototype during the scan, that throws declines its
 * record; a later `create` that throws makes no node (a file's node of the
 * type is then dropped, a palette drop or a copy refused); a `load` that
 * throws has failed; an `evaluate` that throws leaves the node's outputs as it
 * left them, as one that returns without setting them does; `getInfo` and
 * `load` of an image loader fail as if they returned 0; any other call
 * (`destroy`, `copy`, `beginRender`, `endRender`, `save`) simply ends where it
 * threw, and what `save` wrote before it threw is the node's data.
 *
 * docs/plugins.md is the guide, with a complete image loader and node type. */
#ifndef QM_PLUGIN_H
#define QM_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define QM_PLUGIN_EXPORT __attribute__((visibility("default")))
#else
#define QM_PLUGIN_EXPORT
#endif

/* Compile-time checks of the binary layout, in C and in C++. */
#if defined(__cplusplus)
#define QM_PLUGIN_ASSERT(cond, what) static_assert(cond, what)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define QM_PLUGIN_ASSERT(cond, what) _Static_assert(cond, what)
#else
#define QM_PLUGIN_ASSERT_NAME2(line) qm_plugin_layout_check_##line
#define QM_PLUGIN_ASSERT_NAME(line) QM_PLUGIN_ASSERT_NAME2(line)
#define QM_PLUGIN_ASSERT(cond, what) typedef char QM_PLUGIN_ASSERT_NAME(__LINE__)[(cond) ? 1 : -1]
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- the exported table ---------------------------------------------------- */

#define QM_PLUGIN_IMAGE_CLASS "NPluginImage class"
#define QM_PLUGIN_NODE_CLASS "NPluginNode class"

typedef struct PluginEntry {
    const char* className; /* QM_PLUGIN_IMAGE_CLASS, QM_PLUGIN_NODE_CLASS or anything else */
    int32_t (*activate)(void* info); /* fills *info; non-zero to have it registered */
} PluginEntry;

/* What every plug-in library defines, as
 *     const PluginEntry _n_activate_table[] = { ..., {NULL, NULL} };
 * This declaration gives the definition C linkage and default visibility, so
 * it is exported also from a library built with hidden visibility. */
QM_PLUGIN_EXPORT extern const PluginEntry _n_activate_table[];

/* ---- image loaders ---------------------------------------------------------- */

/* The largest image the engine takes from any loader: a side of at most
 * QM_IMAGE_MAX_SIDE texels and at most QM_IMAGE_MAX_TEXELS texels in all
 * (16384 x 16384, 32768 x 8192, ...). A larger size reported by `getInfo` is
 * refused before anything is allocated, and `load` is not called. The
 * built-in BMP reader keeps the same bound: it refuses a larger file from its
 * header, before it allocates or reads any pixels. */
#define QM_IMAGE_MAX_SIDE 32768
#define QM_IMAGE_MAX_TEXELS 268435456

/* Reports the image's size and, when hasAlpha is not null, whether it has an
 * alpha channel. Returns non-zero on success, 0 when the file cannot be read. */
typedef int32_t (*PluginImageInfoFunc)(const char* file, int32_t* width, int32_t* height,
                                       int32_t* hasAlpha);
/* Writes the pixels of the size getInfo reported: rgb receives width x height
 * texels of 3 bytes (red, green, blue), rows top first, each row left to
 * right, without padding; alpha, when not null, one byte per texel in the same
 * order. Returns non-zero on success, 0 on failure. */
typedef int32_t (*PluginImageLoadFunc)(const char* file, uint8_t* rgb, uint8_t* alpha);

typedef struct ImagePluginInfo {
    const char* extensions; /* without dots, "\n"-separated; copied at registration */
    PluginImageInfoFunc getInfo;
    PluginImageLoadFunc load;
} ImagePluginInfo;

/* ---- node types ------------------------------------------------------------- */

/* Data type codes of ports and values. */
enum {
    QM_DATA_CUSTOM = 0, /* edited only by the node itself; never linked */
    QM_DATA_COLOR = 1,
    QM_DATA_FLOAT = 2,
    QM_DATA_VECTOR = 4,
    QM_DATA_STRING = 8
};

/* How the editor lets a user change an input. */
enum {
    QM_EDIT_COLOR = 1,
    QM_EDIT_FLOAT = 2,
    QM_EDIT_VECTOR = 4,
    QM_EDIT_TEXT = 8,
    QM_EDIT_CHOICE = 16, /* options "\n"-separated in the text, chosen index in component 0 */
    QM_EDIT_FILE = 32,
    QM_EDIT_CUSTOM = 0x8000
};

/* One input of a node type. */
typedef struct ParamDesc {
    char name[128];      /* NUL-terminated */
    int32_t dataType;    /* QM_DATA_... */
    int32_t editKind;    /* QM_EDIT_... */
    int32_t connectable; /* non-zero: the input may take a link */
} ParamDesc;

/* One output of a node type. */
typedef struct OutputDesc {
    char name[128];   /* NUL-terminated */
    int32_t dataType; /* QM_DATA_... */
} OutputDesc;

/* The inputs of one shading sample: 28 doubles. */
typedef struct EvalContext {
    double worldPos[3];
    double objectPos[3];
    double normal[3];
    double objectNormal[3];
    double baseNormal[3];
    double objectBaseNormal[3];
    double u;
    double v;
    double incident[3]; /* unit direction from the eye to the point */
    double frame;
    double filterSize;
    double objectFilterSize;
    double du;
    double dv;
} EvalContext;

/* The engine's node and stream, seen only through pointers. */
typedef struct QmNode QmNode;
typedef struct QmNodeStream QmNodeStream;

typedef struct PluginCallbacks PluginCallbacks;
typedef struct PluginStream PluginStream;

/* The most inputs, and the most outputs, one node type may have. A
 * description with a larger count (or a negative one) is not registered, and
 * nothing of it is called, so no count makes the engine allocate or read
 * more than this many port records. No node a user can work with comes near
 * it: a box with 256 rows of ports is over 4,000 pixels tall. */
#define QM_NODE_MAX_PORTS 256

/* A node type's name, category and ports; read in place, so it and all it
 * points to must stay valid while the library is loaded. inputCount and
 * outputCount run from 0 to QM_NODE_MAX_PORTS. */
typedef struct NodePluginDesc {
    const char* name;
    const char* category;
    int32_t inputCount;
    const ParamDesc* inputs;
    int32_t outputCount;
    const OutputDesc* outputs;
} NodePluginDesc;

/* Filled by `activate`. A null function skips its step; `desc` is required. */
typedef struct NodePluginInfo {
    void* (*create)(void);
    void (*destroy)(void* instance);
    void (*evaluate)(void* instance, PluginCallbacks* callbacks);
    void (*copy)(void* destination, void* source);
    void (*beginRender)(void* instance);
    void (*endRender)(void* instance);
    int32_t (*load)(void* instance, PluginStream* stream); /* non-zero = success */
    void (*save)(void* instance, PluginStream* stream);
    const NodePluginDesc* desc;
} NodePluginInfo;

/* Handed to `evaluate`: the plug-in reads its inputs and writes its outputs
 * only through these functions. An index outside the node's declared ports
 * reads as 0 (a zero colour, no text) and writes nothing. */
struct PluginCallbacks {
    QmNode* node;
    void* instance;
    double (*getInputDouble)(PluginCallbacks* callbacks, int32_t input);
    void (*getInputColor)(PluginCallbacks* callbacks, int32_t input, double out[3]);
    const char* (*getInputText)(PluginCallbacks* callbacks, int32_t input);
    void (*setOutputDouble)(PluginCallbacks* callbacks, int32_t output, double value);
    void (*setOutputColor)(PluginCallbacks* callbacks, int32_t output, const double value[3]);
    const EvalContext* context; /* the sample during `evaluate`, null outside it */
};

/* Handed to `load` and `save`: the node's private data block. Reading past
 * its end delivers zero bytes. The results of read and write carry no
 * meaning; a negative count moves nothing. */
struct PluginStream {
    QmNodeStream* stream;
    int32_t (*read)(PluginStream* stream, void* buffer, int32_t count);
    int32_t (*write)(PluginStream* stream, const void* buffer, int32_t count);
};

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ---- binary layout ------------------------------------------------------------ */

QM_PLUGIN_ASSERT(sizeof(void*) == 8, "plug-in records are laid out for 64-bit pointers");
QM_PLUGIN_ASSERT(sizeof(PluginEntry) == 16 && offsetof(PluginEntry, activate) == 8,
                 "PluginEntry layout");
QM_PLUGIN_ASSERT(sizeof(ImagePluginInfo) == 24 && offsetof(ImagePluginInfo, getInfo) == 8 &&
                     offsetof(ImagePluginInfo, load) == 16,
                 "ImagePluginInfo layout");
QM_PLUGIN_ASSERT(sizeof(ParamDesc) == 140 && offsetof(ParamDesc, dataType) == 128 &&
                     offsetof(ParamDesc, editKind) == 132 &&
                     offsetof(ParamDesc, connectable) == 136,
                 "ParamDesc layout");
QM_PLUGIN_ASSERT(sizeof(OutputDesc) == 132 && offsetof(OutputDesc, dataType) == 128,
                 "OutputDesc layout");
QM_PLUGIN_ASSERT(sizeof(EvalContext) == 224 && offsetof(EvalContext, objectPos) == 24 &&
                     offsetof(EvalContext, normal) == 48 &&
                     offsetof(EvalContext, objectNormal) == 72 &&
                     offsetof(EvalContext, baseNormal) == 96 &&
                     offsetof(EvalContext, objectBaseNormal) == 120 &&
                     offsetof(EvalContext, u) == 144 && offsetof(EvalContext, v) == 152 &&
                     offsetof(EvalContext, incident) == 160 &&
                     offsetof(EvalContext, frame) == 184 &&
                     offsetof(EvalContext, filterSize) == 192 &&
                     offsetof(EvalContext, objectFilterSize) == 200 &&
                     offsetof(EvalContext, du) == 208 && offsetof(EvalContext, dv) == 216,
                 "EvalContext layout");
QM_PLUGIN_ASSERT(sizeof(NodePluginDesc) == 48 && offsetof(NodePluginDesc, category) == 8 &&
                     offsetof(NodePluginDesc, inputCount) == 16 &&
                     offsetof(NodePluginDesc, inputs) == 24 &&
                     offsetof(NodePluginDesc, outputCount) == 32 &&
                     offsetof(NodePluginDesc, outputs) == 40,
                 "NodePluginDesc layout");
QM_PLUGIN_ASSERT(sizeof(NodePluginInfo) == 72 && offsetof(NodePluginInfo, destroy) == 8 &&
                     offsetof(NodePluginInfo, evaluate) == 16 &&
                     offsetof(NodePluginInfo, copy) == 24 &&
                     offsetof(NodePluginInfo, beginRender) == 32 &&
                     offsetof(NodePluginInfo, endRender) == 40 &&
                     offsetof(NodePluginInfo, load) == 48 && offsetof(NodePluginInfo, save) == 56 &&
                     offsetof(NodePluginInfo, desc) == 64,
                 "NodePluginInfo layout");
QM_PLUGIN_ASSERT(sizeof(PluginCallbacks) == 64 && offsetof(PluginCallbacks, instance) == 8 &&
                     offsetof(PluginCallbacks, getInputDouble) == 16 &&
                     offsetof(PluginCallbacks, getInputColor) == 24 &&
                     offsetof(PluginCallbacks, getInputText) == 32 &&
                     offsetof(PluginCallbacks, setOutputDouble) == 40 &&
                     offsetof(PluginCallbacks, setOutputColor) == 48 &&
                     offsetof(PluginCallbacks, context) == 56,
                 "PluginCallbacks layout");
QM_PLUGIN_ASSERT(sizeof(PluginStream) == 24 && offsetof(PluginStream, read) == 8 &&
                     offsetof(PluginStream, write) == 16,
                 "PluginStream layout");

#endif /* QM_PLUGIN_H */
