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

// -atan2(p.x, p.z) in [-pi/2, 3 pi/2); p.y is ignored.
void CylinderAngle(const Vector3& p, double& angle);
void SphereAngles(const Vector3& p, double& longitude, double& latitude);

// Wraps into [0, 1]; a negative whole number gives exactly 1.
double Wrap01(double x);

// Translates by -center, turns by rotate (degrees), divides by the floored scale.
Vector3 ToTextureSpace(const Vector3& p, const Vector3& center, const Vector3& scale,
                       const Vector3& rotate);

// axis: 0 X, 1 Y, any other value Z.
void ProjectUV(int projection, int axis, const Vector3& p, const Vector3& n,
               const Vector3& center, const Vector3& scale, const Vector3& rotate,
               double sRepeat, double tRepeat, double& u, double& v);
