#pragma once
// A gradient: maps a scalar position to a colour and an alpha by linear
// interpolation between keys. Keys stay in insertion order and are never
// sorted; every lookup by position breaks ties in favour of the earliest
// stored key.
//
// GetColor searches an order of the keys that the gradient keeps beside them
// and rebuilds whenever its own operations change the keys. Whoever writes a
// key's position through a pointer calls KeysMoved before the next GetColor;
// colours written through a pointer need no call.

#include <cstdint>
#include <memory>
#include <vector>

#include "gradient/key_order.h"

class NodeStream;

// One key of a gradient. A new key is black at position 0 and fully opaque.
struct GValue {
    double position = 0.0;  // any value, no range
    double r = 0.0;         // colour, not limited to 0..1
    double g = 0.0;
    double b = 0.0;
    double alpha = 1.0;
};

class Gradient {
public:
    Gradient() = default;
    Gradient(const Gradient&) = delete;
    Gradient& operator=(const Gradient&) = delete;
    virtual ~Gradient();

    // Appends a key at the end of the storage order; returns it.
    GValue* AddKey(std::unique_ptr<GValue> key);

    // Keys in storage order; Key returns null outside 0 .. Count() - 1.
    int32_t Count() const { return static_cast<int32_t>(keys_.size()); }
    GValue* Key(int32_t index) const;

    // The key with the smallest (greatest) position; null when empty.
    GValue* FirstKey() const;
    GValue* LastKey() const;
    // The key with the least position strictly above (greatest strictly
    // below) key's position; null when there is none. Only key's position is
    // read: it need not belong to this gradient. A null key gives null.
    GValue* NextKey(const GValue* key) const;
    GValue* PrevKey(const GValue* key) const;
    // The first stored key with key.position - tolerance <= position <=
    // key.position + tolerance; null when none.
    GValue* KeyNear(double position, double tolerance) const;

    // Removes and deletes the entry holding this very key (compared by
    // identity); nothing when it is absent.
    void RemoveKey(const GValue* key);
    // Deletes every key.
    void Clear();
    // Tells the gradient that key positions were written through pointers:
    // GetColor follows them from here on. Cannot fail.
    void KeysMoved() noexcept;

    // Colour (and, when alpha is not null, alpha) at x. False, with nothing
    // written, when the gradient holds fewer than two keys. Bit for bit what
    // walking from FirstKey through NextKey gives, in O(log n) at worst;
    // allocates nothing, locks nothing and changes nothing, so any number of
    // threads may call it at once while no one changes the gradient.
    bool GetColor(double x, double rgb[3], double* alpha) const;

    // The stored block: int32 key count, then per key in storage order the
    // doubles r, g, b, alpha, position (4 + 40 n bytes).
    void Save(NodeStream& stream) const;
    // Replaces all keys with those of a stored block. A count of 0 or below
    // gives an empty gradient. Bytes the block lacks read as zeros; keys
    // wholly past its end are all the same zero key, which is added once.
    // The result is false when the block was too short for its count.
    bool Load(NodeStream& stream);

private:
    std::vector<std::unique_ptr<GValue>> keys_;
    KeyOrder order_;  // of keys_ as they stand; see GetColor
};
