#pragma once
// The engine's point, normal and direction type and its value operations.

struct Vector3 {
    double x;
    double y;
    double z;

    // Reads three doubles in x, y, z order (a context field or a value's components).
    static Vector3 From(const double* v) { return Vector3{v[0], v[1], v[2]}; }

    static double Length(const Vector3& a);
    static double Dot(const Vector3& a, const Vector3& b);
    static Vector3 Cross(const Vector3& a, const Vector3& b);
    // Normalises a in place and returns a copy; a zero (or not-a-number)
    // length gives the zero vector without dividing.
    static Vector3 Normalize(Vector3& a);
    static Vector3 Normalized(const Vector3& a);
    // Both inputs are normalised first.
    static Vector3 Reflect(const Vector3& incident, const Vector3& normal);
    // The zero vector on total internal reflection.
    static Vector3 Refract(const Vector3& incident, const Vector3& normal, double eta);
};
