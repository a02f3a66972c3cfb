/* qm_core: the render-time library through which renderer plug-ins evaluate
 * Quillmere shader graphs (.shd files).
 *
 * A host opens a shader file and gets an opaque handle, brackets each render
 * with QM_BeginRender / QM_EndRender, and for every shading sample fills the
 * input half of a ShadeRecord and asks for one of the three evaluations, which
 * write the output half. Any thread may call any function; the library
 * evaluates one sample at a time.
 *
 * Calls from inside a call. Node plug-ins run inside the library's calls:
 * their create, load and destroy while a file is read or a handle freed,
 * beginRender and endRender inside QM_BeginRender and QM_EndRender, evaluate
 * inside the evaluations. A plug-in may call the library again from there,
 * on the same thread. While a call is using a handle's graph (reading the
 * file again, beginning or ending a render, evaluating), a call nested in it
 * on that same handle leaves the graph as it is:
 *   - QM_Load of its file name and QM_Copy give one more reference and read
 *     nothing, even when the file changed: the next QM_Load or
 *     QM_BeginRender made from outside reads it;
 *   - QM_BeginRender and QM_EndRender do nothing;
 *   - the evaluations write the defaults only;
 *   - QM_IsTransparent and QM_IsBump answer from the graph as it is (0 while
 *     the file is being read);
 *   - QM_Close gives back a reference; when it gives back the last one, the
 *     handle is freed as the outermost call on it returns, unless a
 *     reference was taken again meanwhile. A handle whose last reference is
 *     given back has none left to give.
 * Calls on other handles do what they do from outside. A handle whose nodes
 * are being destroyed because its last reference went is closed already:
 * QM_Copy answers null, the queries 0, the evaluations write nothing (not
 * even the defaults), QM_BeginRender, QM_EndRender and QM_Close do nothing,
 * and its name is no longer known: QM_Load of it opens the file afresh.
 *
 * Stack. An evaluation follows the graph's links by recursion on the calling
 * thread. A graph may hold at most 1,024 linked nodes in a row, and a macro
 * (which takes no links, so it can only begin a row) holds a sub-graph that
 * may again be 1,024 deep, macros inside it counted in: the deepest file the
 * library accepts runs about 2,048 nodes deep. Measured on x86-64 (GCC 12,
 * -O2), as the stack size given to pthread_attr_setstacksize: that graph
 * needs up to 1,064 KB when its nodes are image nodes, the built-in type
 * with the deepest frames (noise nodes 776 KB, blends 488 KB, invert
 * 232 KB); a single row of 1,023 nodes needs up to 536 KB. Give every host
 * thread that calls the library at least 2 MB of stack. Sanitizer builds
 * need more (measured for the same graph: 4,132 KB with AddressSanitizer,
 * 2,184 KB with ThreadSanitizer): give them 8 MB. Node plug-ins add what
 * their own code uses. */
#ifndef QM_CORE_H
#define QM_CORE_H

#include <stddef.h>

#if defined(__GNUC__)
#define QM_CORE_API __attribute__((visibility("default")))
#else
#define QM_CORE_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* One loaded shader file, shared by every open of the same file name. */
typedef struct NHandle NHandle;

/* 432 bytes, 54 doubles without gaps. Bytes 0 to 223 are the sample's inputs
 * (written by the host, only read here); bytes 224 to 431 are outputs. */
typedef struct ShadeRecord {
    /* inputs */
    double worldPos[3];         /* shading point, world space */
    double objectPos[3];        /* shading point, object space */
    double normal[3];           /* unit shading normal, world space */
    double objectNormal[3];     /* shading normal, object space */
    double baseNormal[3];       /* normal before any bump, world space */
    double objectBaseNormal[3]; /* normal before any bump, object space */
    double u;
    double v;
    double incident[3]; /* unit direction from the eye to the point */
    double frame;
    double filterSize;       /* footprint, world units */
    double objectFilterSize; /* footprint, object units */
    double du;
    double dv;
    /* outputs of QM_EvalShade */
    double color[3];
    double diffuse;
    double specular;
    double roughness;
    double luminosity;
    double reflection;
    double transparency;
    double eta;
    double colorHighlight;
    double colorFilter;
    /* outputs of QM_EvalBump */
    double bumpAmplitude;
    double bumpTexture;
    /* outputs of QM_EvalUser; never given defaults */
    double user1[3];
    double user2[3];
    double user3[3];
    double user4[3];
} ShadeRecord;

/* Opens a shader file; null when it cannot be opened or read. Opening a name
 * already open (in any letter case) shares its handle. */
QM_CORE_API NHandle* QM_Load(const char* fileName);
/* One more reference to an open handle; returns it. */
QM_CORE_API NHandle* QM_Copy(NHandle* handle);
/* Gives back one reference; the last one frees the handle. */
QM_CORE_API void QM_Close(NHandle* handle);
/* Reloads the file when it changed on disk, then prepares the graph. */
QM_CORE_API void QM_BeginRender(NHandle* handle);
QM_CORE_API void QM_EndRender(NHandle* handle);
/* Write the output defaults into bytes 224 to 335, then evaluate: colour to
 * colour filter (Shade), the two bump values (Bump), the four user colours
 * (User). */
QM_CORE_API void QM_EvalShade(NHandle* handle, ShadeRecord* record);
QM_CORE_API void QM_EvalBump(NHandle* handle, ShadeRecord* record);
QM_CORE_API void QM_EvalUser(NHandle* handle, ShadeRecord* record);
/* 1 when the graph's transparency is linked or not zero, else 0. */
QM_CORE_API int QM_IsTransparent(NHandle* handle);
/* 1 when the graph's bump texture is linked, else 0. */
QM_CORE_API int QM_IsBump(NHandle* handle);

#ifdef __cplusplus
}
#define QM_CORE_STATIC_ASSERT(cond, text) static_assert(cond, text)
#else
#define QM_CORE_STATIC_ASSERT(cond, text) _Static_assert(cond, text)
#endif

QM_CORE_STATIC_ASSERT(sizeof(ShadeRecord) == 432, "ShadeRecord is 432 bytes");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, objectPos) == 24, "objectPos");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, normal) == 48, "normal");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, objectNormal) == 72, "objectNormal");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, baseNormal) == 96, "baseNormal");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, objectBaseNormal) == 120, "objectBaseNormal");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, u) == 144, "u");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, v) == 152, "v");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, incident) == 160, "incident");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, frame) == 184, "frame");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, filterSize) == 192, "filterSize");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, objectFilterSize) == 200, "objectFilterSize");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, du) == 208, "du");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, dv) == 216, "dv");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, color) == 224, "color");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, diffuse) == 248, "diffuse");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, specular) == 256, "specular");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, roughness) == 264, "roughness");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, luminosity) == 272, "luminosity");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, reflection) == 280, "reflection");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, transparency) == 288, "transparency");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, eta) == 296, "eta");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, colorHighlight) == 304, "colorHighlight");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, colorFilter) == 312, "colorFilter");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, bumpAmplitude) == 320, "bumpAmplitude");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, bumpTexture) == 328, "bumpTexture");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, user1) == 336, "user1");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, user2) == 360, "user2");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, user3) == 384, "user3");
QM_CORE_STATIC_ASSERT(offsetof(ShadeRecord, user4) == 408, "user4");

#undef QM_CORE_STATIC_ASSERT

#endif /* QM_CORE_H */
