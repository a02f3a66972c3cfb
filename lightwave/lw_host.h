/* The host side of QM_Shader.p, the Quillmere module for LightWave 3D.
 *
 * This header declares every record through which a host loads the module,
 * activates its two servers, drives shader instances and hands out the
 * services the module asks for. It is written for hosts on Linux x86-64:
 * natural C alignment, 64-bit pointers, ids as uint32_t. Nothing beyond what
 * the module reads or writes is declared; a host's own records may be larger
 * as long as the members named here sit where this header puts them.
 *
 * A host session, in order:
 *   1. dlopen QM_Shader.p (it needs libqm_core.so, found beside it) and read
 *      the exported ModuleDescriptor `_mod_descrip`; call its startup().
 *   2. Activate the "ShaderHandler" server with version 4, the host's
 *      GlobalFunc and a HandlerLocal whose three table pointers point at the
 *      host's own InstanceFuncs, ItemFuncs (may be null) and RenderFuncs; the
 *      module fills them and the evaluate and flags members.
 *   3. Per surface: create an instance with the surface id as its context,
 *      load or save it with LoadState / SaveState, and open its options panel
 *      by activating the "ShaderInterface" server with an InterfaceLocal.
 *   4. Per render: init, then per frame newTime and evaluate once per shading
 *      sample with a ShaderAccess record, then cleanup. Evaluation may run on
 *      many threads at once.
 *   5. destroy every instance, call shutdown(), dlclose. */
#ifndef QM_LW_HOST_H
#define QM_LW_HOST_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- module and servers ------------------------------------------------ */

/* The host's global function: the service record registered under
 * serviceName, or null when the host has none. The module always passes
 * useMode 0. Services asked for: "LW Scene Info 3" (SceneInfo), "LWXPanel"
 * (XPanelFuncs), "LW Object Info 4" (ObjectInfoFuncs), "Texture Functions 3"
 * (TextureFuncs), "Surface Functions 2" (SurfaceFuncs). */
typedef void* GlobalFunc(const char* serviceName, int useMode);

/* One server of the module. activate returns 0 when it accepted the
 * activation and filled local, 1 when it refused (then local is untouched).
 * The table ends with an all-zero record. */
typedef struct ServerRecord {
    const char* className; /* "ShaderHandler" or "ShaderInterface" */
    const char* name;      /* "Quillmere" */
    int (*activate)(int version, GlobalFunc* global, void* local, void* serverData);
    const void* tagInfo; /* null */
} ServerRecord;

/* The module's exported descriptor `_mod_descrip`. startup returns a non-null
 * value when the module is ready; shutdown takes that value back. */
typedef struct ModuleDescriptor {
    uint32_t sysSync;    /* QM_LW_SYNC */
    uint32_t sysVersion; /* QM_LW_DESCRIPTOR_VERSION */
    uint32_t sysMachine; /* QM_LW_MACHINE */
    void* (*startup)(void);
    void (*shutdown)(void* data);
    const ServerRecord* serverDefs;
} ModuleDescriptor;

#define QM_LW_SYNC 0x04121994u
#define QM_LW_DESCRIPTOR_VERSION 3u
#define QM_LW_MACHINE 0x300u
/* The only activation version either server accepts. */
#define QM_LW_SERVER_VERSION 4

/* ---- shader handler ---------------------------------------------------- */

/* Instance-function table. `create` gets the host's private pointer, the
 * context (the surface's id, as a pointer-sized value) and a place for an
 * error text; it returns the instance or null. The other calls return null
 * for "no error" or an error text. */
typedef struct LoadState LoadState;
typedef struct SaveState SaveState;
typedef struct InstanceFuncs {
    void* (*create)(void* priv, void* context, const char** error);
    void (*destroy)(void* instance);
    const char* (*copy)(void* to, void* from);
    const char* (*load)(void* instance, const LoadState* state);
    const char* (*save)(void* instance, const SaveState* state);
    const char* (*descln)(void* instance);
} InstanceFuncs;

/* Item-function table: the scene items an instance depends on (none), and
 * the host's notice that item ids changed. */
typedef struct ItemFuncs {
    const void* (*useItems)(void* instance);
    void (*changeID)(void* instance, const void* ids);
} ItemFuncs;

/* Render-function table: init at the start of a render (mode is the host's
 * render mode), cleanup at its end, newTime at every frame. */
typedef struct RenderFuncs {
    const char* (*init)(void* instance, int mode);
    void (*cleanup)(void* instance);
    const char* (*newTime)(void* instance, int frame, double time);
} RenderFuncs;

/* The `local` of a "ShaderHandler" activation. The three tables belong to the
 * host; the module fills those whose pointer is not null, and sets evaluate
 * (once per shading sample, with a ShaderAccess) and flags (QM_LW_FLAGS_...). */
typedef struct HandlerLocal {
    InstanceFuncs* inst;
    ItemFuncs* item;
    RenderFuncs* rend;
    void (*evaluate)(void* instance, void* access);
    unsigned (*flags)(void* instance);
} HandlerLocal;

/* What flags() answers: every shading value the module writes, with the
 * transparency bit (bit 6) only when the shader can be transparent. */
#define QM_LW_FLAGS_TRANSPARENT 0x7FFu
#define QM_LW_FLAGS_OPAQUE 0x7BFu

/* ---- stored form ------------------------------------------------------- */

/* ioMode 0 is the binary object mode: the module reads and writes its 269
 * bytes (the 261-byte file-name field, then the bump boost as a
 * little-endian double). In any other mode (1, the text scene mode) it
 * transfers nothing. read returns the number of bytes it delivered. */
#define QM_LW_IO_OBJECT 0
#define QM_LW_IO_SCENE 1
struct LoadState {
    int32_t ioMode;
    void* readData;
    int (*read)(void* readData, void* buf, int count);
};
struct SaveState {
    int32_t ioMode;
    void* writeData;
    void (*write)(void* writeData, const void* buf, int count);
};

/* ---- options panel ----------------------------------------------------- */

/* The `local` of a "ShaderInterface" activation: inst is the host's
 * instance; the module puts its panel into panel (null when the panel could
 * not be made) and sets options and command to null. */
typedef struct InterfaceLocal {
    void* inst;
    void* panel;
    void* options;
    void* command;
} InterfaceLocal;

/* One control of a panel (label and control type) or one datum (name and
 * data type); lists end with a record whose id is 0. */
typedef struct XPanelControl {
    uint32_t id;
    const char* label;
    const char* type;
} XPanelControl;
typedef struct XPanelDataDesc {
    uint32_t id;
    const char* name;
    const char* type;
} XPanelDataDesc;

/* The "LWXPanel" service. create makes a panel of a type (1: a view panel)
 * or returns null. hint reads a list of pointer-sized words: a tag, the id
 * it applies to, its arguments, a 0; the list ends with one more 0. describe
 * gives the data list with the module's get and set callbacks, which the
 * host calls with the panel's user data (id 0, set by setData) as their
 * first argument. */
typedef struct XPanelFuncs {
    void* (*create)(int type, const XPanelControl* controls);
    void (*hint)(void* panel, const uintptr_t* hints);
    void (*describe)(void* panel, const XPanelDataDesc* data, void* (*get)(void*, uint32_t),
                     int (*set)(void*, uint32_t, void*));
    void (*viewInst)(void* panel, void* instance);
    void (*setData)(void* panel, uint32_t id, void* data);
} XPanelFuncs;

#define QM_LW_PANEL_VIEW 1
#define QM_LW_HINT_LABEL 0x3D000B03u        /* id, text, 0 */
#define QM_LW_HINT_FILE_REQUEST 0x3D019105u /* id, mode, title, filter, 0 */
#define QM_LW_ID_FILE_NAME 0x8001u          /* "fname": char[261], 260 characters */
#define QM_LW_ID_BUMP_BOOST 0x8002u         /* "b_boost": double, 1.0 = 100 % */

/* ---- services the shading reads ---------------------------------------- */

/* "LW Scene Info 3": only the signed integer at byte 68 is read. Filter sizes
 * are the spot size times its square root (times 1.0 when it is negative or
 * the service is missing). */
typedef struct SceneInfo {
    unsigned char other[68];
    int32_t filterSquare;
} SceneInfo;

/* A mesh as the host describes it; every call takes the record itself first.
 * scanPolys calls fn for every polygon in order until fn returns non-zero.
 * selectUV makes a UV map current (null when it cannot). polVertex gives the
 * point id of corner i; basePos the point's undeformed object-space
 * position; polyUV the current map's value of a point on one polygon (a
 * discontinuous value), pointUV its value on the point; both return non-zero
 * when the value exists. */
typedef struct MeshInfo MeshInfo;
struct MeshInfo {
    int (*scanPolys)(MeshInfo* mesh, int (*fn)(void* data, uint32_t polygon), void* data);
    void* (*selectUV)(MeshInfo* mesh, void* vmap);
    int (*polSize)(MeshInfo* mesh, uint32_t polygon);
    uintptr_t (*polVertex)(MeshInfo* mesh, uint32_t polygon, int i);
    void (*basePos)(MeshInfo* mesh, uint32_t point, float pos[3]);
    int (*polyUV)(MeshInfo* mesh, uint32_t point, uint32_t polygon, float uv[2]);
    int (*pointUV)(MeshInfo* mesh, uint32_t point, float uv[2]);
};

/* "LW Object Info 4": the mesh of an object (frozen is 1), or null. */
typedef struct ObjectInfoFuncs {
    MeshInfo* (*meshInfo)(uint32_t object, int frozen);
} ObjectInfoFuncs;

/* "Surface Functions 2": a surface's texture of a channel ("BaseColor"). */
typedef struct SurfaceFuncs {
    void* (*getTex)(uint32_t surface, const char* channel);
} SurfaceFuncs;

/* "Texture Functions 3": the layers of a texture, first to last (null after
 * the last), a layer's type (0: an image layer) and its parameters:
 * QM_LW_PARAM_PROJECTION is written as an int32_t (5: UV projection),
 * QM_LW_PARAM_UVMAP as a pointer (the map to hand to selectUV). */
typedef struct TextureFuncs {
    void* (*firstLayer)(void* texture);
    void* (*nextLayer)(void* texture, void* layer);
    int (*layerType)(void* layer);
    int (*getParam)(void* layer, int param, void* value);
} TextureFuncs;

#define QM_LW_LAYER_IMAGE 0
#define QM_LW_PARAM_PROJECTION 4
#define QM_LW_PROJECTION_UV 5
#define QM_LW_PARAM_UVMAP 10

/* ---- one shading sample ------------------------------------------------ */

/* The shading access record given to evaluate. Matrices are row-major 3x3.
 * The module reads the positions, spot size, ray source, transforms, ids and
 * world normal; it writes the shading values and, when the shader bumps, the
 * world normal. The reserved bytes are the host's and are never touched. */
typedef struct ShaderAccess {
    unsigned char reserved0[8];
    double oPos[3]; /* shading point, object space */
    double wPos[3]; /* shading point, world space */
    unsigned char reserved1[24];
    double spotSize;     /* the sample's footprint */
    double raySource[3]; /* where the ray came from */
    unsigned char reserved2[16];
    double objectTransform[9]; /* world to object */
    double worldTransform[9];  /* object to world */
    uint32_t objectId;
    unsigned char reserved3[4];
    double worldNormal[3]; /* read; rewritten when bumped */
    double color[3];       /* written from here on */
    double luminosity;
    double diffuse;
    double specular;
    double mirror;
    double transparency;
    double eta;
    double roughness;
    unsigned char reserved4[72];
    double colorHighlight;
    double colorFilter;
    unsigned char reserved5[96];
    uint32_t polygon;
    unsigned char reserved6[4];
} ShaderAccess;

#ifdef __cplusplus
}
#define QM_LW_STATIC_ASSERT(cond, text) static_assert(cond, text)
#else
#define QM_LW_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#endif

QM_LW_STATIC_ASSERT(sizeof(ModuleDescriptor) == 40, "ModuleDescriptor");
QM_LW_STATIC_ASSERT(offsetof(ModuleDescriptor, startup) == 16, "ModuleDescriptor.startup");
QM_LW_STATIC_ASSERT(sizeof(ServerRecord) == 32 && offsetof(ServerRecord, activate) == 16,
                    "ServerRecord");
QM_LW_STATIC_ASSERT(sizeof(HandlerLocal) == 40, "HandlerLocal");
QM_LW_STATIC_ASSERT(sizeof(InstanceFuncs) == 48, "InstanceFuncs");
QM_LW_STATIC_ASSERT(sizeof(ItemFuncs) == 16, "ItemFuncs");
QM_LW_STATIC_ASSERT(sizeof(RenderFuncs) == 24, "RenderFuncs");
QM_LW_STATIC_ASSERT(sizeof(InterfaceLocal) == 32, "InterfaceLocal");
QM_LW_STATIC_ASSERT(sizeof(LoadState) == 24 && offsetof(LoadState, read) == 16, "LoadState");
QM_LW_STATIC_ASSERT(sizeof(SaveState) == 24 && offsetof(SaveState, write) == 16, "SaveState");
QM_LW_STATIC_ASSERT(sizeof(XPanelFuncs) == 40, "XPanelFuncs");
QM_LW_STATIC_ASSERT(sizeof(XPanelControl) == 24 && offsetof(XPanelControl, label) == 8,
                    "XPanelControl");
QM_LW_STATIC_ASSERT(sizeof(XPanelDataDesc) == 24 && offsetof(XPanelDataDesc, name) == 8,
                    "XPanelDataDesc");
QM_LW_STATIC_ASSERT(offsetof(SceneInfo, filterSquare) == 68, "SceneInfo");
QM_LW_STATIC_ASSERT(sizeof(MeshInfo) == 56, "MeshInfo");
QM_LW_STATIC_ASSERT(sizeof(ObjectInfoFuncs) == 8, "ObjectInfoFuncs");
QM_LW_STATIC_ASSERT(sizeof(SurfaceFuncs) == 8, "SurfaceFuncs");
QM_LW_STATIC_ASSERT(sizeof(TextureFuncs) == 32, "TextureFuncs");

QM_LW_STATIC_ASSERT(sizeof(ShaderAccess) == 576, "ShaderAccess");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, oPos) == 8, "oPos");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, wPos) == 32, "wPos");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, spotSize) == 80, "spotSize");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, raySource) == 88, "raySource");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, objectTransform) == 128, "objectTransform");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, worldTransform) == 200, "worldTransform");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, objectId) == 272, "objectId");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, worldNormal) == 280, "worldNormal");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, color) == 304, "color");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, luminosity) == 328, "luminosity");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, diffuse) == 336, "diffuse");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, specular) == 344, "specular");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, mirror) == 352, "mirror");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, transparency) == 360, "transparency");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, eta) == 368, "eta");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, roughness) == 376, "roughness");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, colorHighlight) == 456, "colorHighlight");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, colorFilter) == 464, "colorFilter");
QM_LW_STATIC_ASSERT(offsetof(ShaderAccess, polygon) == 568, "polygon");

#undef QM_LW_STATIC_ASSERT

#endif /* QM_LW_HOST_H */
