#include "geometry/vector3.h"

#include <cmath>

double Vector3::Length(const Vector3& a)
{
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}

double Vector3::Dot(const Vector3& a, const Vector3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vector3 Vector3::Cross(const Vector3& a, const Vector3& b)
{
    return Vector3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Vector3 Vector3::Normalize(Vector3& a)
{
    const double length = Length(a);
    if (length == 0.0 || std::isnan(length)) {
        a = Vector3{0.0, 0.0, 0.0};
    } else {
        a = Vector3{a.x / length, a.y / length, a.z / length};
    }
    return a;
}

Vector3 Vector3::Normalized(const Vector3& a)
{
    Vector3 copy = a;
    return Normalize(copy);
}

Vector3 Vector3::Reflect(const Vector3& incident, const Vector3& normal)
{
    const Vector3 i = Normalized(incident);
    const Vector3 n = Normalized(normal);
    const double d = 2.0 * Dot(i, n);
    return Vector3{i.x - d * n.x, i.y - d * n.y, i.z - d * n.z};
}

Vector3 Vector3::Refract(const Vector3& incident, const Vector3& normal, double eta)
{
    const Vector3 i = Normalized(incident);
    const Vector3 n = Normalized(normal);
    const double c = Dot(i, n);
    const double k = 1.0 - eta * eta * (1.0 - c * c);
    if (!(k >= 0.0)) {
        return Vector3{0.0, 0.0, 0.0};
    }
    const double f = eta * c + std::sqrt(k);
    return Vector3{eta * i.x - f * n.x, eta * i.y - f * n.y, eta * i.z - f * n.z};
}
