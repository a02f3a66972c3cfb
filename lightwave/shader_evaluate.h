#pragma once
// The shader handler's per-sample evaluation: the host's sample becomes a
// ShadeRecord (texture coordinates and their footprint from the UV cache),
// the normal is optionally bent by finite differences of the graph's bump
// output, qm_core evaluates the graph and the surface values go back to the
// host.

#include "lw_host.h"
#include "lw_vector.h"

// The evaluate callback: instance is a ShaderInstance, access a ShaderAccess.
void ShaderEvaluate(void* instance, void* access);

// out = M v for a row-major 3x3 matrix.
void MatVecMul(Vector3& out, const Vector3& v, const double M[9]);
