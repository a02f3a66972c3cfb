#pragma once
// The keys a gradient lookup walks, in the order it walks them: the first key
// (Gradient::FirstKey), then the key after it (Gradient::NextKey), and so on
// to the end. That is one key per distinct position, ascending, the earliest
// stored of each; keys at NaN positions never appear, except that a NaN key
// stored first is the first key and then the only one (nothing is above a
// NaN). Kept beside the keys so that a lookup finds its segment in O(log n)
// at worst instead of walking: a few keys are stepped over, more are cut
// into slices of the span, where positions spread evenly leave a key or two
// to compare.
//
// The order holds the positions as they were at the last Rebuild and pointers
// to the keys themselves, so colour edits show at once but a moved key
// shows only after the next Rebuild.

#include <algorithm>
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
    size_t EndOfSegment(double x) const
    {
        const size_t count = walk_.size();
        if (count <= kFewKeys) {
            // Most gradients hold a few keys: stepping over them is quicker
            // than any search.
            size_t end = 1;
            while (end < count && walk_[end].position < x) {
                ++end;
            }
            return end;
        }
        // Keys in slices below x's are below x, and keys in slices above it
        // above x: the key sought is one of x's slice or the next slice's
        // first.
        const size_t slice = SliceOf(x);
        const size_t from = sliceStart_[slice];
        const size_t to = sliceStart_[slice + 1];
        if (to - from > kShortSlice) {
            return SearchSlice(from, to, x);
        }
        // Nearly every slice holds no more keys than this where positions
        // spread evenly: both compared at once (positions ascend, so the
        // second is below x only if the first is), reading a key within the
        // walk whatever the slice holds.
        const size_t last = count - 1;
        const bool firstBelow = from < to && walk_[std::min(from, last)].position < x;
        const bool secondBelow = from + 1 < to && walk_[std::min(from + 1, last)].position < x;
        return from + static_cast<size_t>(firstBelow) + static_cast<size_t>(secondBelow);
    }

private:
    static constexpr size_t kFewKeys = 8;     // walks no longer than this are stepped over
    static constexpr size_t kShortSlice = 2;  // slices no longer than this are compared at once

    // Cuts the span of the positions into slices and finds where each
    // slice's keys start.
    void CutSlices() noexcept;
    // Which slice x falls in, 0 .. Count() - 1; below and above the span the
    // first and the last. Never smaller for a greater x, which is all the
    // search relies on.
    size_t SliceOf(double x) const
    {
        const double v = (x - low_) * scale_;
        if (!(v > 0.0)) {
            return 0;  // at or below the span; NaN only where the scale is 0
        }
        if (v >= lastSlice_) {
            return walk_.size() - 1;
        }
        return static_cast<size_t>(static_cast<int64_t>(v));
    }
    // Binary search of the keys from .. to - 1 for the first at or above x,
    // to when none is.
    size_t SearchSlice(size_t from, size_t to, double x) const;

    // A key with its position beside it, so that the search and the key it
    // finds share cache lines.
    struct Step {
        double position;
        const GValue* key;
    };
    std::vector<Step> walk_;
    // The search starts from x's slice: the key sought is one from
    // sliceStart_[s] to sliceStart_[s + 1]. Positions spread evenly leave
    // about one key to compare; a crowd in one slice still only a binary
    // search.
    double low_ = 0.0;                  // where slice 0 starts: the least finite position
    double scale_ = 0.0;                // slices per unit of position; 0: every x in slice 0
    double lastSlice_ = 0.0;            // Count() - 1
    std::vector<uint32_t> sliceStart_;  // Count() + 1 entries
    std::vector<uint32_t> stored_;      // scratch for Rebuild: storage indices
};
