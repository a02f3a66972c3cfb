#pragma once
// How the gradient editor maps a gradient onto its strip: the end keys and
// the range of positions between them.

#include <cstdint>

#include "colour_bytes.h"

class Gradient;
struct GValue;

struct StripSpan {
    GValue* firstKey = nullptr;  // null for a gradient without keys
    GValue* lastKey = nullptr;
    double first = 0.0;  // position of the first key
    double range = 0.0;  // last position - first position

    // The strip spans a range; with fewer than two distinct positions (only
    // a damaged or hand-made file gives them) every key sits at the top.
    bool HasRange() const { return range > 0.0; }
};

StripSpan SpanOf(const Gradient* gradient);

// A pixel coordinate: truncated toward zero and kept within a span no
// window reaches, so that no value (however far out, or undefined) turns
// into an out-of-range integer.
int ToPixel(double v);
