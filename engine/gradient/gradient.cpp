#include "gradient/gradient.h"

#include <algorithm>
#include <cmath>

#include "model/node_stream.h"

namespace {

constexpr uint64_t kKeyBytes = 5 * sizeof(double);

void CopyKey(const GValue& key, double rgb[3], double* alpha)
{
    rgb[0] = key.r;
    rgb[1] = key.g;
    rgb[2] = key.b;
    if (alpha != nullptr) {
        *alpha = key.alpha;
    }
}

}  // namespace

Gradient::~Gradient() = default;

GValue* Gradient::AddKey(std::unique_ptr<GValue> key)
{
    order_.Reserve(keys_.size() + 1);
    keys_.push_back(std::move(key));
    order_.Rebuild(keys_);
    return keys_.back().get();
}

GValue* Gradient::Key(int32_t index) const
{
    if (index < 0 || index >= Count()) {
        return nullptr;
    }
    return keys_[static_cast<size_t>(index)].get();
}

GValue* Gradient::FirstKey() const
{
    GValue* best = nullptr;
    for (const auto& key : keys_) {
        if (best == nullptr || key->position < best->position) {
            best = key.get();
        }
    }
    return best;
}

GValue* Gradient::LastKey() const
{
    GValue* best = nullptr;
    for (const auto& key : keys_) {
        if (best == nullptr || key->position > best->position) {
            best = key.get();
        }
    }
    return best;
}

GValue* Gradient::NextKey(const GValue* key) const
{
    if (key == nullptr) {
        return nullptr;
    }
    const double from = key->position;
    GValue* best = nullptr;
    for (const auto& k : keys_) {
        if (k->position > from && (best == nullptr || k->position < best->position)) {
            best = k.get();
        }
    }
    return best;
}

GValue* Gradient::PrevKey(const GValue* key) const
{
    if (key == nullptr) {
        return nullptr;
    }
    const double from = key->position;
    GValue* best = nullptr;
    for (const auto& k : keys_) {
        if (k->position < from && (best == nullptr || k->position > best->position)) {
            best = k.get();
        }
    }
    return best;
}

GValue* Gradient::KeyNear(double position, double tolerance) const
{
    for (const auto& key : keys_) {
        if (key->position - tolerance <= position && position <= key->position + tolerance) {
            return key.get();
        }
    }
    return nullptr;
}

void Gradient::RemoveKey(const GValue* key)
{
    const auto at =
        std::find_if(keys_.begin(), keys_.end(), [key](const auto& k) { return k.get() == key; });
    if (at != keys_.end()) {
        keys_.erase(at);
        order_.Rebuild(keys_);
    }
}

void Gradient::Clear()
{
    keys_.clear();
    order_.Rebuild(keys_);
}

void Gradient::KeysMoved() noexcept
{
    order_.Rebuild(keys_);
}

bool Gradient::GetColor(double x, double rgb[3], double* alpha) const
{
    if (keys_.size() < 2) {
        return false;
    }
    // order_ holds the keys that walking from FirstKey through NextKey
    // visits, in that order; the walk stops at the first segment (p, q) with
    // p <= x <= q, or copies a key when it runs out of segments.
    const size_t count = order_.Count();
    const GValue& first = order_.Key(0);
    // Keys that all share one position, or a NaN key stored first (only a
    // stored file makes either), leave no segment: the first key serves
    // every x.
    if (count == 1) {
        CopyKey(first, rgb, alpha);
        return true;
    }
    // NaN fails both of the walk's tests, so the first segment holds it.
    // Any other x can only be held by the first segment whose q is at or
    // above it: every segment before ends below x.
    const size_t end = std::isnan(x) ? 1 : order_.EndOfSegment(x);
    if (end == count) {
        CopyKey(order_.Key(count - 1), rgb, alpha);  // above every segment
        return true;
    }
    const double from = order_.Position(end - 1);
    if (x < from) {
        CopyKey(first, rgb, alpha);  // below the first key
        return true;
    }
    const GValue& p = order_.Key(end - 1);
    const GValue& q = order_.Key(end);
    const double t = (x - from) / (order_.Position(end) - from);
    rgb[0] = (1.0 - t) * p.r + t * q.r;
    rgb[1] = (1.0 - t) * p.g + t * q.g;
    rgb[2] = (1.0 - t) * p.b + t * q.b;
    if (alpha != nullptr) {
        *alpha = (1.0 - t) * p.alpha + t * q.alpha;
    }
    return true;
}

void Gradient::Save(NodeStream& stream) const
{
    stream.WriteInt(Count());
    for (const auto& key : keys_) {
        stream.WriteDouble(key->r);
        stream.WriteDouble(key->g);
        stream.WriteDouble(key->b);
        stream.WriteDouble(key->alpha);
        stream.WriteDouble(key->position);
    }
}

bool Gradient::Load(NodeStream& stream)
{
    Clear();
    const int32_t count = stream.ReadInt();
    if (count <= 0) {
        return !stream.Failed();
    }
    // Keys the block does not hold read as zeros: each of them is the same
    // transparent black key at position 0, and of keys sharing a position
    // only the earliest stored one takes part in any lookup. So a count
    // larger than the block reads the keys that are there (a cut-off one
    // padded with zeros) and one zero key for all the missing rest: every
    // lookup gives what the whole count would, and nothing is allocated from
    // a count the block cannot back.
    const uint64_t held = (stream.Remaining() + kKeyBytes - 1) / kKeyBytes;
    const bool cut = static_cast<uint64_t>(count) > held;
    const uint64_t keys = cut ? held + 1 : static_cast<uint64_t>(count);
    // Read aside and ordered once: appending key by key would reorder
    // every time.
    std::vector<std::unique_ptr<GValue>> read;
    read.reserve(static_cast<size_t>(keys));
    for (uint64_t i = 0; i < keys; ++i) {
        auto key = std::make_unique<GValue>();
        key->r = stream.ReadDouble();
        key->g = stream.ReadDouble();
        key->b = stream.ReadDouble();
        key->alpha = stream.ReadDouble();
        key->position = stream.ReadDouble();
        read.push_back(std::move(key));
    }
    order_.Reserve(read.size());
    keys_ = std::move(read);
    order_.Rebuild(keys_);
    return !cut && !stream.Failed();
}
