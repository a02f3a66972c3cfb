/* A node type, "speckle" in the category "Examples": space is cut into cubic
 * cells of the input "size" (object space), and every cell takes one random
 * value between 0 and 1 ("value") and the colour that far from "color 1"
 * towards "color 2" ("color"). Each node draws its own seed when it is made,
 * keeps it in the .shd file and hands it on to its copies. Build it as a
 * shared object and put it in $QMERE_HOME/Node/. */
#include <stdlib.h>
#include <string.h>

#include <qm_plugin.h>

typedef struct Speckle {
    uint32_t seed;
} Speckle;

static const ParamDesc kInputs[] = {
    {"color 1", QM_DATA_COLOR, QM_EDIT_COLOR, 1},
    {"color 2", QM_DATA_COLOR, QM_EDIT_COLOR, 1},
    {"size", QM_DATA_FLOAT, QM_EDIT_FLOAT, 1},
};
static const OutputDesc kOutputs[] = {
    {"color", QM_DATA_COLOR},
    {"value", QM_DATA_FLOAT},
};
static const NodePluginDesc kSpeckle = {"speckle", "Examples", 3, kInputs, 2, kOutputs};

/* The private data block: a tag, then the seed, little-endian. */
static const char kTag[4] = {'S', 'P', 'K', '1'};

static uint32_t Mix(uint32_t h)
{
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

/* floor(x) as a cell index, limited to the int32 range (not a number: 0). */
static int32_t Cell(double x)
{
    int32_t i;
    if (x != x) return 0;
    if (x <= -2147483648.0) return INT32_MIN;
    if (x >= 2147483647.0) return INT32_MAX;
    i = (int32_t)x;
    return (double)i > x ? i - 1 : i;
}

static void* SpeckleCreate(void)
{
    static uint32_t made = 0;
    Speckle* speckle = (Speckle*)malloc(sizeof *speckle);
    if (speckle != NULL) speckle->seed = Mix(++made);
    return speckle; /* null is allowed: every later call then gets null */
}

static void SpeckleDestroy(void* instance)
{
    free(instance);
}

static void SpeckleEvaluate(void* instance, PluginCallbacks* cb)
{
    const Speckle* speckle = (const Speckle*)instance;
    const double* p = cb->context->objectPos;
    double a[3], b[3], color[3], size, value;
    uint32_t h = speckle != NULL ? speckle->seed : 0;
    int k;

    cb->getInputColor(cb, 0, a);
    cb->getInputColor(cb, 1, b);
    size = cb->getInputDouble(cb, 2);
    if (!(size > 0.0)) size = 1.0; /* inputs start at 0 */
    for (k = 0; k < 3; ++k) h = Mix(h ^ (uint32_t)Cell(p[k] / size));
    value = h / 4294967296.0;
    for (k = 0; k < 3; ++k) color[k] = a[k] + value * (b[k] - a[k]);
    cb->setOutputColor(cb, 0, color);
    cb->setOutputDouble(cb, 1, value);
}

static void SpeckleCopy(void* destination, void* source)
{
    if (destination != NULL && source != NULL) *(Speckle*)destination = *(const Speckle*)source;
}

static int32_t SpeckleLoad(void* instance, PluginStream* stream)
{
    Speckle* speckle = (Speckle*)instance;
    uint8_t bytes[8] = {0};
    /* Reading past the block's end gives zeros: no tag, and create's seed stays. */
    stream->read(stream, bytes, 8);
    if (speckle == NULL || memcmp(bytes, kTag, 4) != 0) return 0;
    speckle->seed = (uint32_t)bytes[4] | (uint32_t)bytes[5] << 8 | (uint32_t)bytes[6] << 16 |
                    (uint32_t)bytes[7] << 24;
    return 1;
}

static void SpeckleSave(void* instance, PluginStream* stream)
{
    const Speckle* speckle = (const Speckle*)instance;
    uint8_t bytes[8];
    if (speckle == NULL) return;
    memcpy(bytes, kTag, 4);
    bytes[4] = (uint8_t)speckle->seed;
    bytes[5] = (uint8_t)(speckle->seed >> 8);
    bytes[6] = (uint8_t)(speckle->seed >> 16);
    bytes[7] = (uint8_t)(speckle->seed >> 24);
    stream->write(stream, bytes, 8);
}

static int32_t ActivateSpeckle(void* info)
{
    NodePluginInfo* node = (NodePluginInfo*)info; /* zero-filled by the engine */
    node->create = &SpeckleCreate;
    node->destroy = &SpeckleDestroy;
    node->evaluate = &SpeckleEvaluate;
    node->copy = &SpeckleCopy;
    node->load = &SpeckleLoad;
    node->save = &SpeckleSave;
    node->desc = &kSpeckle; /* beginRender and endRender stay null: nothing to do */
    return 1;
}

const PluginEntry _n_activate_table[] = {
    {QM_PLUGIN_NODE_CLASS, &ActivateSpeckle},
    {NULL, NULL},
};
