#pragma once
// The module's points, normals and directions: three doubles with the few
// operations the shading and the UV cache need. Each operation computes its
// components in x, y, z order exactly as written, so results are the same
// on every build.

#include <cmath>

struct Vector3 {
    double x;
    double y;
    double z;

    static Vector3 From(const double* v) { return Vector3{v[0], v[1], v[2]}; }
    static Vector3 From(const float* v)
    {
        return Vector3{static_cast<double>(v[0]), static_cast<double>(v[1]),
                       static_cast<double>(v[2])};
    }
    void To(double* v) const
    {
        v[0] = x;
        v[1] = y;
        v[2] = z;
    }

    friend Vector3 operator+(const Vector3& a, const Vector3& b)
    {
        return Vector3{a.x + b.x, a.y + b.y, a.z + b.z};
    }
    friend Vector3 operator-(const Vector3& a, const Vector3& b)
    {
        return Vector3{a.x - b.x, a.y - b.y, a.z - b.z};
    }
    friend Vector3 operator*(double s, const Vector3& a) { return Vector3{s * a.x, s * a.y, s * a.z}; }

    static double Dot(const Vector3& a, const Vector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
    static double Length(const Vector3& a) { return std::sqrt(Dot(a, a)); }
    static Vector3 Cross(const Vector3& a, const Vector3& b)
    {
        return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }
    // A zero (or not-a-number) length gives the zero vector without dividing.
    static Vector3 Normalized(const Vector3& a)
    {
        const double length = Length(a);
        if (length == 0.0 || std::isnan(length)) {
            return Vector3{0.0, 0.0, 0.0};
        }
        return Vector3{a.x / length, a.y / length, a.z / length};
    }
};
