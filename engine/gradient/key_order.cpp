#include "gradient/key_order.h"

#include <algorithm>
#include <cmath>

#include "gradient/gradient.h"

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
    lastSlice_ = 0.0;
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
    lastSlice_ = static_cast<double>(count - 1);
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

size_t KeyOrder::SearchSlice(size_t from, size_t to, double x) const
{
    const auto end = std::lower_bound(walk_.begin() + static_cast<std::ptrdiff_t>(from),
                                      walk_.begin() + static_cast<std::ptrdiff_t>(to), x,
                                      [](const Step& step, double p) { return step.position < p; });
    return static_cast<size_t>(end - walk_.begin());
}
