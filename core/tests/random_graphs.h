#pragma once
// Seeded random shader graphs and shading samples for the tests that pin
// qm_core's results bit for bit. Everything here is a pure function of its
// seed: the generator is a plain 64-bit mix (no library distribution whose
// results could differ between standard libraries), and every node comes from
// a registry of the built-in types, so a graph is the same graph in every
// build.
//
// The graphs mix every built-in type, linked and unlinked inputs, macros with
// sub-graphs (nested once), gradients with random keys, image nodes over
// small pictures, and odd values now and then: not-a-number, infinities,
// negative zero, huge and tiny numbers, choice indexes outside their list.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <qm_core.h>

#include "gradient/gradient_nodes.h"
#include "macro/macro_nodes.h"
#include "model/node.h"
#include "model/node_list.h"
#include "nodes/root_node.h"
#include "registry/builtin_nodes.h"
#include "registry/node_factory.h"

namespace randomgraphs {

// splitmix64: a full-period sequence of well-mixed 64-bit words.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}

    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // In [0, n).
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
    // True with probability percent / 100.
    bool Chance(uint32_t percent) { return Below(100) < percent; }
    // In [0, 1), 53 random bits.
    double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Between(double low, double high) { return low + (high - low) * Unit(); }

    // A value that is mostly ordinary and sometimes one that code must
    // survive: not-a-number, infinities, negative zero, huge, tiny.
    double Odd()
    {
        switch (Below(10)) {
        case 0:
            return std::numeric_limits<double>::quiet_NaN();
        case 1:
            return Chance(50) ? std::numeric_limits<double>::infinity()
                              : -std::numeric_limits<double>::infinity();
        case 2:
            return -0.0;
        case 3:
            return Chance(50) ? 1e300 : -3.5e9;
        case 4:
            return 1e-310;
        case 5:
            return 0.0;
        default:
            return std::round(Between(-720.0, 720.0));
        }
    }
    // A value for an input: usually in a useful range, sometimes odd.
    double Value()
    {
        if (Chance(6)) return Odd();
        switch (Below(4)) {
        case 0:
            return Unit();
        case 1:
            return Between(-2.0, 2.0);
        case 2:
            return Between(-400.0, 400.0);  // angles in degrees
        default:
            return std::round(Between(0.0, 8.0));
        }
    }

private:
    uint64_t state_;
};

// Every built-in type but the material root, made from one registry.
class TypeTable {
public:
    TypeTable() : factory_(NodeFactory::kEmpty)
    {
        RegisterBuiltinNodes(factory_);
        for (uint32_t c = 0;; ++c) {
            const std::string category = factory_.CategoryName(c);
            if (category.empty()) break;
            for (uint32_t n = 0;; ++n) {
                const std::string name = factory_.NodeName(category, n);
                if (name.empty()) break;
                Node* prototype = factory_.Find(name, category);
                if (dynamic_cast<NRoot*>(prototype) == nullptr) {
                    prototypes_.push_back(prototype);
                }
            }
        }
    }
    size_t Count() const { return prototypes_.size(); }
    std::unique_ptr<Node> Make(size_t index) const { return prototypes_[index]->Create(); }

private:
    NodeFactory factory_;
    std::vector<Node*> prototypes_;
};

// The picture file names image nodes may name (relative: the test runs in
// the directory that holds them). "" and a missing file leave a node without
// a picture.
inline const char* const kPictures[] = {"", "tile.bmp", "odd.bmp", "missing.bmp"};

class GraphMaker {
public:
    GraphMaker(const TypeTable& types, uint64_t seed) : types_(types), random_(seed) {}

    // A whole shader: usually a material root first, then random nodes
    // linked to later ones, so the links form no cycle.
    void Build(NodeList& list)
    {
        const uint32_t shape = random_.Below(20);
        if (shape == 0) {
            list.nodes.push_back(NMacroRoot::New());  // a macro root comes first: defaults only
        }
        if (shape != 1) {
            list.nodes.push_back(NRoot::New());
        }
        AddNodes(list, 2 + random_.Below(12), 0);
        FillAndLink(list);
    }

private:
    void AddNodes(NodeList& list, uint32_t count, int depth)
    {
        for (uint32_t i = 0; i < count; ++i) {
            std::unique_ptr<Node> node =
                types_.Make(random_.Below(static_cast<uint32_t>(types_.Count())));
            if (auto* macro = dynamic_cast<NMacro*>(node.get())) {
                if (depth < 2) {
                    if (!random_.Chance(10)) {
                        macro->subGraph->nodes.push_back(NMacroRoot::New());
                    }
                    AddNodes(*macro->subGraph, 1 + random_.Below(5), depth + 1);
                    FillAndLink(*macro->subGraph);
                }
            }
            if (auto* gradient = dynamic_cast<GradientNode*>(node.get())) {
                RandomKeys(*gradient->gradient);
            }
            list.nodes.push_back(std::move(node));
        }
    }

    void RandomKeys(Gradient& gradient)
    {
        if (random_.Chance(30)) return;  // the two default keys
        gradient.Clear();
        const uint32_t keys = random_.Below(6);
        for (uint32_t k = 0; k < keys; ++k) {
            auto key = std::make_unique<GValue>();
            key->position = random_.Chance(20) ? std::round(random_.Between(0.0, 2.0)) * 0.5
                                               : random_.Between(-0.2, 1.2);
            key->r = random_.Unit();
            key->g = random_.Unit();
            key->b = random_.Chance(5) ? random_.Odd() : random_.Unit();
            key->alpha = random_.Unit();
            gradient.AddKey(std::move(key));
        }
    }

    void FillAndLink(NodeList& list)
    {
        const size_t count = list.nodes.size();
        for (size_t n = 0; n < count; ++n) {
            Node& node = *list.nodes[n];
            for (int32_t i = 0; i < node.paramCount; ++i) {
                NodeParam& param = node.params[i];
                FillValue(param);
                if (param.connectable && n + 1 < count && random_.Chance(45)) {
                    const size_t from = n + 1 + random_.Below(static_cast<uint32_t>(count - n - 1));
                    Node& source = *list.nodes[from];
                    if (source.outputCount > 0) {
                        param.source = &source;
                        // Now and then an output the source does not have.
                        param.sourceOutput = random_.Chance(3)
                                                 ? source.outputCount
                                                 : static_cast<int32_t>(random_.Below(
                                                       static_cast<uint32_t>(source.outputCount)));
                    }
                }
            }
            node.expanded = random_.Chance(80);
            node.x = static_cast<int32_t>(random_.Below(800));
            node.y = static_cast<int32_t>(random_.Below(600));
        }
    }

    void FillValue(NodeParam& param)
    {
        double* c = param.value.components;
        switch (param.editKind) {
        case EDIT_CHOICE: {
            const int32_t options = ChoiceCount(param.value.text);
            c[0] = random_.Chance(8)
                       ? random_.Between(-1.5, options + 1.5)
                       : static_cast<double>(random_.Below(static_cast<uint32_t>(options + 1)));
            return;
        }
        case EDIT_FILE:
            param.value.text = kPictures[random_.Below(4)];
            return;
        case EDIT_CUSTOM:
            return;
        default:
            break;
        }
        if (random_.Chance(25)) {
            return;  // the type's default
        }
        for (int k = 0; k < 3; ++k) {
            c[k] = random_.Value();
        }
    }

    const TypeTable& types_;
    Random random_;
};

// The inputs of a shading sample; the outputs hold a pattern that tells
// written bytes from untouched ones.
inline ShadeRecord RandomSample(Random& random)
{
    ShadeRecord r;
    double* all = reinterpret_cast<double*>(&r);
    for (size_t i = 0; i < sizeof r / sizeof(double); ++i) {
        all[i] = 1000.0 + static_cast<double>(i);
    }
    const uint32_t kind = random.Below(100);
    auto coordinate = [&]() {
        if (kind < 3) return random.Odd();
        if (kind < 6) return random.Between(-1e7, 1e7);
        return random.Between(-6.0, 6.0);
    };
    for (int c = 0; c < 3; ++c) {
        r.worldPos[c] = coordinate();
        r.objectPos[c] = random.Chance(50) ? r.worldPos[c] * 0.5 : coordinate();
        r.normal[c] = random.Between(-1.0, 1.0);
        r.objectNormal[c] = random.Between(-1.0, 1.0);
        r.baseNormal[c] = random.Chance(70) ? r.normal[c] : random.Between(-1.0, 1.0);
        r.objectBaseNormal[c] = random.Chance(70) ? r.objectNormal[c] : random.Between(-1.0, 1.0);
        r.incident[c] = random.Between(-1.0, 1.0);
    }
    if (random.Chance(5)) {
        r.baseNormal[0] = r.baseNormal[1] = r.baseNormal[2] = 0.0;
    }
    r.u = random.Between(-0.5, 1.5);
    r.v = random.Between(-0.5, 1.5);
    r.frame = random.Chance(80) ? std::round(random.Between(0.0, 300.0)) : random.Value();
    r.filterSize = random.Chance(30) ? 0.0 : random.Between(0.0, 0.2);
    r.objectFilterSize = random.Chance(30) ? 0.0 : random.Between(0.0, 0.2);
    r.du = random.Between(0.0, 0.05);
    r.dv = random.Between(0.0, 0.05);
    return r;
}

// FNV-1a over bytes, continued from hash.
inline uint64_t Fnv(uint64_t hash, const void* data, size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 0x100000001B3ull;
    }
    return hash;
}
inline constexpr uint64_t kFnvStart = 0xCBF29CE484222325ull;

}  // namespace randomgraphs
