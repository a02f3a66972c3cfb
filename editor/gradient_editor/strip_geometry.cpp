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

uint8_t LimitedByte(double v)
{
    if (!(v > 0.0)) {
        return 0;
    }
    if (v >= 255.0) {
        return 255;
    }
    return static_cast<uint8_t>(v);
}

uint8_t ChannelByte(double c)
{
    return LimitedByte(std::trunc(c * 255.0));
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
