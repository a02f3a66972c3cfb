#pragma once
// The editor's material preview: one sphere ray-cast into a 24-bit dib24.
// For the material root the sphere is shaded from the root's inputs with one
// fixed light, an ambient term, a highlight, and reflection and refraction of
// a checkerboard environment; any other node shows its first output on the
// sphere. A grey checkerboard fills the image around the sphere.

#include <cstdint>

#include "geometry/vector3.h"

class dib24;
class Node;
class NodeList;

// Renders node into the whole of target (at target's own size) with
// samplesPerAxis x samplesPerAxis samples per pixel. list is the graph that
// holds node; its BeginRender runs once before the image and its EndRender
// once after it. target must already hold a 24-bit bitmap; anything else
// (an empty or other-depth bitmap, a null node or list) renders nothing. With
// fewer than one sample per axis every pixel is black.
void RenderPreview(dib24* target, int32_t samplesPerAxis, Node* node, NodeList* list);

// The grey (0.35 or 0.75 in every channel) of the checkerboard environment
// seen from origin along direction.
Vector3 PreviewChecker(const Vector3& origin, const Vector3& direction);
