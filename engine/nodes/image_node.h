#pragma once
// The "image" node: maps a picture file onto the surface by one of five
// projections (or the host's u and v), filtered through the image's mip chain
// or by one bilinear lookup in the full-size picture.

#include <memory>

#include "geometry/texture_space.h"
#include "image/image_handle.h"
#include "model/node.h"

class NImage : public Node {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    ~NImage() override;
    void BeginRender() override;
    void Evaluate(const EvalContext& context) override;

    std::unique_ptr<ImageHandle> imageHandle;
    // Cached by BeginRender; until the first one, the inputs' defaults.
    int32_t projection = 1;  // 0 cubic, 1 planar, 2 cylindrical, 3 spherical, -1 uv
    int32_t axis = 0;        // 0 X, 1 Y, 2 Z
    int32_t coordinate = 0;  // 0 object, 1 world
    double sRepeat = 1.0;
    double tRepeat = 1.0;
    double aaFilter = 1.0;  // footprint multiplier; filtering off when not > 0
    double aaType = 0.0;    // 0.0 "normal", 1.0 "sharp"

private:
    RotationCache rotation_;  // "rotate" as sines and cosines
};
