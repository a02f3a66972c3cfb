#pragma once
// The keys a gradient lookup walks, in the order it walks them: the first key
// (Gradient::FirstKey), then the key after it (Gradient::NextKey), and so on
// to the end. That is one key per distinct position, ascending, the earliest
// stored of each; keys at NaN positions never appear, except that a NaN key
// stored first is the first key and then the only one (nothing is above a
// NaN). Kept beside the keys so that a lookup finds its segment by a search
// of O(log n) at worst, and of a key or two where positions spread evenly,
// instead of walking.
//
// The order holds the positions as they were at the last Rebuild and pointers
// to the keys themselves, so colour edits show at once but a moved key
// shows only after the next Rebuild.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct GValue;

class KeyOrder {
public:
    // Makes room for an order of up to count keys, so that a Rebuild from that
    // many allocates nothing. The only operation that can fail.
    void Reserve(size_t count);

    // Rebuilds from the keys in storage order; at most as many as the last
    // Reserve made room for.
    void Rebuild(const std::vector<std::unique_ptr<GValue>>& keys) noexcept;

    // Keys in the walk; at least 1 whenever there are keys. The rest below
    // wants at least 1.
    size_t Count() const { return walk_.size(); }
    const GValue& Key(size_t i) const { return *walk_[i].key; }
    double Position(size_t i) const { return walk_[i].position; }

    // The least i >= 1 with Position(i) >= x, or Count() when there is none:
    // the walk's segment for x ends at key i. x is not NaN.
    size_t EndOfSegment(double x) const;

private:
    // Cuts the span of the positions into slices and finds where each
    // slice's keys start.
    void CutSlices() noexcept;
    // Which slice x falls in, 0 .. Count() - 1; below and above the span the
    // first and the last. Never smaller for a greater x, which is all the
    // search relies on.
    size_t SliceOf(double x) const;

    // A key with its position beside it, so that the search and the key it
    // finds share cache lines.
    struct Step {
        double position;
        const GValue* key;
    };
    std::vector<Step> walk_;
    // The search starts from x's slice: the key sought is one from
    // sliceStart_[s] to sliceStart_[s + 1]. Positions spread evenly leave
    // about one key to search; a crowd in one slice still only a binary
    // search.
    double low_ = 0.0;                  // where slice 0 starts: the least finite position
    double scale_ = 0.0;                // slices per unit of position; 0: every x in slice 0
    std::vector<uint32_t> sliceStart_;  // Count() + 1 entries
    std::vector<uint32_t> stored_;      // scratch for Rebuild: storage indices
};
