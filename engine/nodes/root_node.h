#pragma once
// The material root ("root", category "Root"): the sixteen material
// properties of a shader. It computes nothing: a renderer evaluates its
// inputs one by one and stores each value into the output of the same index.

#include <memory>

#include "model/node.h"

class NRoot : public Node {
public:
    // Input and output indexes.
    enum : int32_t {
        kColor,
        kDiffuse,
        kSpecular,
        kRoughness,
        kLuminosity,
        kReflection,
        kTransparency,
        kEta,
        kColorHighlight,
        kColorFilter,
        kBumpAmplitude,
        kBumpTexture,
        kUser1,
        kUser2,
        kUser3,
        kUser4,
        kPortCount
    };

    static std::unique_ptr<Node> New();

    void Evaluate(const EvalContext& context) override;
    std::unique_ptr<Node> Create() const override { return New(); }
};
