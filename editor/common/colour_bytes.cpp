#include "colour_bytes.h"

#include <cmath>

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
