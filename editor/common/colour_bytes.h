#pragma once
// Colour channels (doubles, 1.0 full) as the bytes the editor's windows draw
// and its colour dialogs take.

#include <cstdint>

// A colour channel as a byte: trunc(c x 255) limited to 0..255; not a
// number gives 0.
uint8_t ChannelByte(double c);

// A value limited to 0..255 and truncated; not a number gives 0.
uint8_t LimitedByte(double v);
