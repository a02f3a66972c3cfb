#pragma once
// Stateless functions that move a shading point into a node's texture space
// and project it onto texture coordinates. Angles are radians here, except the
// "rotate" triples handed to ToTextureSpace and ProjectUV, which are degrees.

#include "geometry/vector3.h"

// Projection codes of ProjectUV; any other code gives (0, 0).
enum Projection : int {
    PROJECT_CUBIC = 0,
    PROJECT_PLANAR = 1,
    PROJECT_CYLINDRICAL = 2,
    PROJECT_SPHERICAL = 3,
};

// atan2(a, b) folded into [-pi/2, pi/2]; atan(a / b) for b not 0.
double FoldAtan2(double a, double b);

Vector3 RotateX(double angle, Vector3 p);
Vector3 RotateY(double angle, Vector3 p);
Vector3 RotateZ(double angle, Vector3 p);

// Z by -angles.z, then Y by +angles.x, then X by -angles.y.
Vector3 RotateEuler(const Vector3& angles, Vector3 p);

// The cosines and sines of RotateEuler's three turns for one triple of
// angles: the part of a rotation that depends on the angles alone. Turning
// by them gives exactly what RotateEuler gives for those angles.
struct EulerTurns {
    // No turn at all. (Not an aggregate, so that a braced angle triple never
    // stands for turns.)
    EulerTurns() = default;
    EulerTurns(double cz, double sz, double cy, double sy, double cx, double sx)
        : cosZ(cz), sinZ(sz), cosY(cy), sinY(sy), cosX(cx), sinX(sx)
    {
    }

    double cosZ = 1.0, sinZ = 0.0;  // of -angles.z
    double cosY = 1.0, sinY = 0.0;  // of +angles.x
    double cosX = 1.0, sinX = 0.0;  // of -angles.y
};
EulerTurns MakeEulerTurns(const Vector3& angles);
Vector3 RotateEuler(const EulerTurns& turns, Vector3 p);

// The turns of a "rotate" triple in degrees, as ToTextureSpace and ProjectUV
// use them.
EulerTurns RotateTurns(const Vector3& degrees);

// A node's "rotate" input kept as its turns: the sines and cosines are
// computed again only when the input's value changes, which an unlinked
// input does at most between renders. Per node, used by the thread that
// evaluates it.
class RotationCache {
public:
    const EulerTurns& Turns(const Vector3& degrees);

private:
    bool valid_ = false;
    Vector3 degrees_{0.0, 0.0, 0.0};  // the value the turns are of, compared bit for bit
    EulerTurns turns_{};
};

// -atan2(p.x, p.z) in [-pi/2, 3 pi/2); p.y is ignored.
void CylinderAngle(const Vector3& p, double& angle);
void SphereAngles(const Vector3& p, double& longitude, double& latitude);

// Wraps into [0, 1]; a negative whole number gives exactly 1.
double Wrap01(double x);

// Translates by -center, turns by rotate (degrees), divides by the floored scale.
Vector3 ToTextureSpace(const Vector3& p, const Vector3& center, const Vector3& scale,
                       const Vector3& rotate);
// The same with the turns of rotate (RotateTurns) computed beforehand.
Vector3 ToTextureSpace(const Vector3& p, const Vector3& center, const Vector3& scale,
                       const EulerTurns& rotate);

// axis: 0 X, 1 Y, any other value Z.
void ProjectUV(int projection, int axis, const Vector3& p, const Vector3& n, const Vector3& center,
               const Vector3& scale, const Vector3& rotate, double sRepeat, double tRepeat,
               double& u, double& v);
// The same with the turns of rotate (RotateTurns) computed beforehand.
void ProjectUV(int projection, int axis, const Vector3& p, const Vector3& n, const Vector3& center,
               const Vector3& scale, const EulerTurns& rotate, double sRepeat, double tRepeat,
               double& u, double& v);
