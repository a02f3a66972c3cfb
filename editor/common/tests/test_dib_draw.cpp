// Drawing dib24 bitmaps into Qt paint devices.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "dib_draw.h"
#include "image/dib24.h"

namespace {

// Sets pixel (column, row) of a 24-bit bitmap, row counted from the bottom.
void SetPixel(dib24& bitmap, int column, int row, QRgb colour)
{
    uint8_t* p = bitmap.bits + row * bitmap.rowBytes + column * 3;
    p[0] = static_cast<uint8_t>(qBlue(colour));
    p[1] = static_cast<uint8_t>(qGreen(colour));
    p[2] = static_cast<uint8_t>(qRed(colour));
}

QImage Canvas(int w, int h)
{
    QImage canvas(w, h, QImage::Format_RGB32);
    canvas.fill(qRgb(1, 2, 3));
    return canvas;
}

// The bottom row in memory is drawn at the bottom, and a width whose rows
// are padded (3 pixels: 9 bytes in a 12-byte row) reads the right bytes.
TEST(DrawDib, RowsAreDrawnUprightFromPaddedMemory)
{
    dib24 bitmap(3, 2, 24);
    ASSERT_EQ(bitmap.rowBytes, 12);
    SetPixel(bitmap, 0, 0, qRgb(255, 0, 0));    // bottom left
    SetPixel(bitmap, 1, 0, qRgb(0, 255, 0));
    SetPixel(bitmap, 2, 0, qRgb(0, 0, 255));    // bottom right
    SetPixel(bitmap, 0, 1, qRgb(10, 20, 30));   // top left
    SetPixel(bitmap, 1, 1, qRgb(40, 50, 60));
    SetPixel(bitmap, 2, 1, qRgb(70, 80, 90));   // top right

    QImage canvas = Canvas(5, 4);
    {
        QPainter painter(&canvas);
        DrawDib(painter, bitmap, QRect(1, 1, 3, 2));
    }
    EXPECT_EQ(canvas.pixel(1, 1), qRgb(10, 20, 30));
    EXPECT_EQ(canvas.pixel(3, 1), qRgb(70, 80, 90));
    EXPECT_EQ(canvas.pixel(1, 2), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(2, 2), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(3, 2), qRgb(0, 0, 255));
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(1, 2, 3));  // outside the target
    EXPECT_EQ(canvas.pixel(4, 3), qRgb(1, 2, 3));
}

// Scaling repeats pixels without blending them, even when the painter
// smooths other images.
TEST(DrawDib, ScalesWithoutSmoothing)
{
    dib24 bitmap(2, 1, 24);
    SetPixel(bitmap, 0, 0, qRgb(0, 0, 0));
    SetPixel(bitmap, 1, 0, qRgb(200, 100, 50));
    QImage canvas = Canvas(8, 4);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        DrawDib(painter, bitmap, QRect(0, 0, 8, 4));
        EXPECT_TRUE(painter.testRenderHint(QPainter::SmoothPixmapTransform));
    }
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(canvas.pixel(x, y), x < 4 ? qRgb(0, 0, 0) : qRgb(200, 100, 50)) << x << "," << y;
        }
    }
}

// 16-bit bitmaps are 5-5-5 with blue in the low bits; empty bitmaps and
// depths without a drawing form leave the target alone.
TEST(DrawDib, OtherDepthsAndEmptyBitmaps)
{
    dib24 high(1, 1, 16);
    high.bits[0] = 0x1f;  // blue 31
    high.bits[1] = 0x7c;  // red 31
    QImage canvas = Canvas(2, 2);
    {
        QPainter painter(&canvas);
        DrawDib(painter, high, QRect(0, 0, 1, 1));
        dib24 empty;
        DrawDib(painter, empty, QRect(1, 0, 1, 1));
        dib24 deep(1, 1, 48);
        DrawDib(painter, deep, QRect(0, 1, 1, 1));
    }
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(canvas.pixel(1, 0), qRgb(1, 2, 3));
    EXPECT_EQ(canvas.pixel(0, 1), qRgb(1, 2, 3));
}

}  // namespace
