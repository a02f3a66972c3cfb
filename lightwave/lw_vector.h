#pragma once
// The module's points, normals and directions are the engine's Vector3 (its
// length, dot and cross products and normalising are shared with the
// shading engine); these few helpers add what the shading and the UV cache
// write shortest: reading the host's float triples, storing into a record's
// doubles, and the arithmetic of a point and a step. Each computes its
// components in x, y, z order exactly as written.

#include "geometry/vector3.h"

inline Vector3 FromFloats(const float* v)
{
    return Vector3{static_cast<double>(v[0]), static_cast<double>(v[1]), static_cast<double>(v[2])};
}

inline void Store(const Vector3& a, double* out)
{
    out[0] = a.x;
    out[1] = a.y;
    out[2] = a.z;
}

inline Vector3 operator+(const Vector3& a, const Vector3& b)
{
    return Vector3{a.x + b.x, a.y + b.y, a.z + b.z};
}

inline Vector3 operator-(const Vector3& a, const Vector3& b)
{
    return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
}

inline Vector3 operator*(double s, const Vector3& a)
{
    return Vector3{s * a.x, s * a.y, s * a.z};
}
