#pragma once
// The "Noise" node types: the shading point, moved into the node's texture
// space by "center", "rotate" and "scale", fed to one granulix function per
// sample. "noise", "turbulence", "fBm", "crumple" and "crumple2" give one
// value clamped to [0, 1]; "voronoi" gives the two nearest feature distances
// and positions unclamped.

#include <cstdint>
#include <memory>

#include "geometry/texture_space.h"
#include "geometry/vector3.h"
#include "model/node.h"

// What the six types share: the cached "coordinate" choice and the point in
// texture space.
class NoiseNode : public Node {
public:
    // Input indexes common to every noise type; the type's own inputs follow.
    enum : int32_t { kCoordinate, kCenter, kScale, kRotate, kFirstOwnInput };

    // Caches "coordinate" from its own value: 0 or 1 is stored, anything
    // else keeps the previous index.
    void BeginRender() override;

    // 0 samples the context's object-space position, anything else its
    // world-space position. Object space until a render caches the choice.
    int32_t coordinate = 0;

protected:
    // Evaluates "center", "scale" and "rotate" under context and returns the
    // sample position in the node's texture space.
    Vector3 TexturePoint(const EvalContext& context);

private:
    RotationCache rotation_;  // "rotate" as sines and cosines
};

// The octave count handed to granulix: the input rounded up to a whole
// number. A not-a-number or a count at or below zero is 0 (the library's
// empty sum); a count above kMaxOctaves is kMaxOctaves, so that a stored
// file cannot make a single sample run for minutes.
int32_t OctaveCount(double octaves);
inline constexpr int32_t kMaxOctaves = 1024;

// Clamps a single result into [0, 1]; a not-a-number gives 1.
double ClampResult(double r);

class NNoise : public NoiseNode {
public:
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

// The fractal sums: inputs 4 "octaves", 5 "lacunarity", 6 "gain".
class NTurbulence : public NoiseNode {
public:
    enum : int32_t { kOctaves = kFirstOwnInput, kLacunarity, kGain };
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NfBm : public NoiseNode {
public:
    enum : int32_t { kOctaves = kFirstOwnInput, kLacunarity, kGain };
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

// Input 4 "jitter"; outputs "f1", "f2" and the two positions (both named "p1").
class NVoronoi : public NoiseNode {
public:
    enum : int32_t { kJitter = kFirstOwnInput };
    enum : int32_t { kF1, kF2, kPos1, kPos2 };
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

// Fractal sums of the Voronoi distances: inputs 4 "octaves", 5 "lacunarity",
// 6 "gain", 7 "jitter".
class NCrumple : public NoiseNode {
public:
    enum : int32_t { kOctaves = kFirstOwnInput, kLacunarity, kGain, kJitter };
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};

class NCrumple2 : public NoiseNode {
public:
    enum : int32_t { kOctaves = kFirstOwnInput, kLacunarity, kGain, kJitter };
    static std::unique_ptr<Node> New();
    std::unique_ptr<Node> Create() const override { return New(); }
    void Evaluate(const EvalContext& context) override;
};
