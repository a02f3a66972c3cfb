#include "geometry/vector3.h"

#include <cmath>

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
