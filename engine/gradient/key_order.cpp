#include "gradient/key_order.h"

#include <algorithm>
#include <cmath>

#include "gradient/gradient.h"

namespace {

constexpr size_t kShortSlice = 2;  // keys in a slice searched by stepping

}  // namespace

void KeyOrder::Reserve(size_t count)
{
    walk_.reserve(count);
    sliceStart_.reserve(count + 1);
    stored_.reserve(count);
}

void KeyOrder::Rebuild(const std::vector<std::unique_ptr<GValue>>& keys) noexcept
{
    walk_.clear();
    sliceStart_.clear();
    stored_.clear();
    low_ = 0.0;
    scale_ = 0.0;
    if (keys.empty()) {
        return;
    }
    if (std::isnan(keys.front()->position)) {
        // FirstKey never replaces a NaN key stored first (nothing is below
        // it), and NextKey finds nothing above it.
        walk_.push_back({keys.front()->position, keys.front().get()});
    } else {
        // Past the first key, NaN keys are neither below nor above anything.
        for (size_t i = 0; i < keys.size(); ++i) {
            if (!std::isnan(keys[i]->position)) {
                stored_.push_back(static_cast<uint32_t>(i));
            }
        }
        // By position, then by storage order; -0.0 and 0.0 are one position,
        // as the walk's comparisons see them.
        std::sort(stored_.begin(), stored_.end(), [&keys](uint32_t a, uint32_t b) {
            const double pa = keys[a]->position;
            const double pb = keys[b]->position;
            return pa < pb || (pa == pb && a < b);
        });
        for (const uint32_t i : stored_) {
            const double p = keys[i]->position;
            if (!walk_.empty() && p == walk_.back().position) {
                continue;  // a later stored key at a position already held
            }
            walk_.push_back({p, keys[i].get()});
        }
    }
    CutSlices();
}

void KeyOrder::CutSlices() noexcept
{
    // As many slices as keys, over the span of the finite positions
    // [lowest, end); an infinite one can only be the first or the last. A
    // span too wide or too narrow for a finite scale leaves a scale of 0.
    const size_t count = walk_.size();
    size_t lowest = 0;
    size_t end = count;
    if (std::isinf(walk_.front().position)) {
        ++lowest;
    }
    if (end > lowest && std::isinf(walk_.back().position)) {
        --end;
    }
    if (end >= lowest + 2) {
        const double scale =
            static_cast<double>(count) / (walk_[end - 1].position - walk_[lowest].position);
        if (std::isfinite(scale)) {
            low_ = walk_[lowest].position;
            scale_ = scale;
        }
    }
    // sliceStart_[s]: the first key from 1 on whose slice is s or later.
    size_t slice = 0;
    for (size_t i = 1; i < count; ++i) {
        const size_t upTo = SliceOf(walk_[i].position);
        for (; slice <= upTo; ++slice) {
            sliceStart_.push_back(static_cast<uint32_t>(i));
        }
    }
    for (; slice <= count; ++slice) {
        sliceStart_.push_back(static_cast<uint32_t>(count));
    }
}

size_t KeyOrder::SliceOf(double x) const
{
    const double v = (x - low_) * scale_;
    if (!(v > 0.0)) {
        return 0;  // at or below the span; NaN only where the scale is 0
    }
    const size_t last = walk_.size() - 1;
    if (v >= static_cast<double>(last)) {
        return last;
    }
    return static_cast<size_t>(v);
}

size_t KeyOrder::EndOfSegment(double x) const
{
    // Keys below x's slice are below x, and keys past it above x: the key
    // sought lies between this slice's start and the next one's.
    const size_t slice = SliceOf(x);
    size_t end = sliceStart_[slice];
    const size_t to = sliceStart_[slice + 1];
    if (to - end > kShortSlice) {
        const auto at =
            std::lower_bound(walk_.begin() + end, walk_.begin() + to, x,
                             [](const Step& step, double p) { return step.position < p; });
        return static_cast<size_t>(at - walk_.begin());
    }
    // A short slice, as nearly all are where keys spread evenly: stepping
    // over its keys below x without a branch to guess wrong.
    const size_t last = walk_.size() - 1;
    for (size_t pass = 0; pass < kShortSlice; ++pass) {
        end += static_cast<size_t>(end < to) &
               static_cast<size_t>(walk_[std::min(end, last)].position < x);
    }
    return end;
}
