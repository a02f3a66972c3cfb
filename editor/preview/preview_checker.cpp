#include <cmath>

#include "material_preview.h"
#include "preview_scene.h"

namespace preview_scene {

double CheckerGrey(double u, double v)
{
    if (u < 0.0) {
        u = 0.5 - u;
    }
    if (v < 0.0) {
        v = 0.5 - v;
    }
    u = std::fmod(u, 1.0);
    v = std::fmod(v, 1.0);
    return (u > 0.5) == (v > 0.5) ? kDarkGrey : kLightGrey;
}

}  // namespace preview_scene

Vector3 PreviewChecker(const Vector3& origin, const Vector3& direction)
{
    using namespace preview_scene;
    // Rays heading towards the eye side meet the plane z = 1 - origin.z
    // away; the others meet it origin.z away. The distance uses the
    // direction as given, the step its normalised copy.
    const double d = direction.x + direction.y + direction.z < 0.0 ? 1.0 - origin.z : origin.z;
    const double t = std::fabs(d / direction.z);
    const Vector3 unit = Vector3::Normalized(direction);
    const Vector3 hit{origin.x + unit.x * t, origin.y + unit.y * t, origin.z + unit.z * t};
    const double grey = CheckerGrey(kCheckerScale * hit.x, kCheckerScale * hit.y);
    return Vector3{grey, grey, grey};
}
