#pragma once
// The inputs of one shading sample. Byte for byte the first 224 bytes of the
// record that renderers fill, and the record handed to node plug-ins.

#include <cstddef>

struct EvalContext {
    double worldPos[3];
    double objectPos[3];
    double normal[3];
    double objectNormal[3];
    double baseNormal[3];
    double objectBaseNormal[3];
    double u;
    double v;
    double incident[3];  // unit direction from the eye to the point
    double frame;
    double filterSize;
    double objectFilterSize;
    double du;
    double dv;
};

static_assert(sizeof(EvalContext) == 224);
static_assert(offsetof(EvalContext, objectPos) == 24);
static_assert(offsetof(EvalContext, normal) == 48);
static_assert(offsetof(EvalContext, objectNormal) == 72);
static_assert(offsetof(EvalContext, baseNormal) == 96);
static_assert(offsetof(EvalContext, objectBaseNormal) == 120);
static_assert(offsetof(EvalContext, u) == 144);
static_assert(offsetof(EvalContext, v) == 152);
static_assert(offsetof(EvalContext, incident) == 160);
static_assert(offsetof(EvalContext, frame) == 184);
static_assert(offsetof(EvalContext, filterSize) == 192);
static_assert(offsetof(EvalContext, objectFilterSize) == 200);
static_assert(offsetof(EvalContext, du) == 208);
static_assert(offsetof(EvalContext, dv) == 216);
