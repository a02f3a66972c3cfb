#pragma once
// The built-in "bmp" image loader: uncompressed Windows bitmaps of 16, 24 or
// 48 bits per pixel, read through dib24::LoadBMP and delivered as 8-bit RGB.

#include <cstdint>

int32_t BmpImageInfo(const char* fileName, int32_t* width, int32_t* height, int32_t* hasAlpha);
int32_t BmpImageLoad(const char* fileName, uint8_t* rgb, uint8_t* alpha);
