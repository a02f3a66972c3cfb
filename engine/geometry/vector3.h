#pragma once
// The engine's point, normal and direction type and its value operations.
// The small ones are inline: the shading and the host modules call them
// several times a sample.

#include <cmath>

struct Vector3 {
    double x;
    double y;
    double z;

    // Reads three doubles in x, y, z order (a context field or a value's components).
    static Vector3 From(const double* v) { return Vector3{v[0], v[1], v[2]}; }

    static double Length(const Vector3& a) { return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z); }
    static double Dot(const Vector3& a, const Vector3& b)
    {
        return a.x * b.x + a.y * b.y + a.z * b.z;
    }
    static Vector3 Cross(const Vector3& a, const Vector3& b)
    {
        return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
    }
    // Normalises a in place and returns a copy; a zero (or not-a-number)
    // length gives the zero vector without dividing.
    static Vector3 Normalize(Vector3& a)
    {
        const double length = Length(a);
        if (length == 0.0 || std::isnan(length)) {
            a = Vector3{0.0, 0.0, 0.0};
        } else {
            a = Vector3{a.x / length, a.y / length, a.z / length};
        }
        return a;
    }
    static Vector3 Normalized(const Vector3& a)
    {
        Vector3 copy = a;
        return Normalize(copy);
    }
    // Both inputs are normalised first.
    static Vector3 Reflect(const Vector3& incident, const Vector3& normal);
    // The zero vector on total internal reflection.
    static Vector3 Refract(const Vector3& incident, const Vector3& normal, double eta);
};
