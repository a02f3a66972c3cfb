#include "strip_geometry.h"

#include <cmath>

#include "gradient/gradient.h"

StripSpan SpanOf(const Gradient* gradient)
{
    StripSpan span;
    if (gradient == nullptr) {
        return span;
    }
    span.firstKey = gradient->FirstKey();
    span.lastKey = gradient->LastKey();
    if (span.firstKey != nullptr) {
        span.first = span.firstKey->position;
        span.range = span.lastKey->position - span.first;
    }
    return span;
}

int ToPixel(double v)
{
    constexpr double kFar = 1.0e6;
    if (!(v > -kFar)) {
        return std::isnan(v) ? 0 : -static_cast<int>(kFar);
    }
    if (v > kFar) {
        return static_cast<int>(kFar);
    }
    return static_cast<int>(v);
}
