#pragma once
// The fixed scene of the material preview: a sphere of radius 0.5 at the
// origin, seen along +z through an image plane spanning -0.6 .. 0.6, lit by
// one white light from the upper left front, over a checkerboard.

namespace preview_scene {

constexpr double kRadiusSquared = 0.25;
constexpr double kPlaneSpan = 1.2;  // the image plane's width and height in scene units
constexpr double kAmbient = 0.1;
constexpr double kSpecularPower = 10.0;  // the highlight exponent is this over roughness
constexpr double kCheckerScale = 4.0;
constexpr double kDarkGrey = 0.35;
constexpr double kLightGrey = 0.75;

// The checkerboard grey at scaled coordinates u, v: a negative coordinate is
// first replaced by 0.5 minus itself, then both are taken modulo 1; the dark
// grey where both halves agree, the light one where they differ.
double CheckerGrey(double u, double v);

}  // namespace preview_scene
