// Drawing dib24 bitmaps into Qt paint devices.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "dib_draw.h"
#include "image/dib24.h"

namespace {

const QRgb kPaper = qRgb(1, 2, 3);

// Draws bitmap into target on a small canvas and returns the canvas.
QImage Draw(const dib24& bitmap, QRect target, bool smooth = false)
{
    QImage canvas(8, 4, QImage::Format_RGB32);
    canvas.fill(kPaper);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
        DrawDib(painter, bitmap, target);
    }
    return canvas;
}

// The first row in memory is drawn at the bottom; padded rows (3 pixels: 9
// bytes in a 12-byte row) are read at their stride; scaling repeats pixels
// without blending, even for a painter that smooths.
TEST(DrawDib, DrawsUprightScaledAndUnblended)
{
    dib24 bitmap(3, 2, 24);
    ASSERT_EQ(bitmap.rowBytes, 12);
    const uint8_t pixels[2][9] = {{0, 0, 255, 0, 255, 0, 255, 0, 0},      // bottom: red green blue
                                  {30, 20, 10, 60, 50, 40, 90, 80, 70}};  // top
    std::copy(pixels[0], pixels[0] + 9, bitmap.bits);
    std::copy(pixels[1], pixels[1] + 9, bitmap.bits + 12);

    const QImage same = Draw(bitmap, QRect(1, 1, 3, 2));
    EXPECT_EQ(same.pixel(1, 1), qRgb(10, 20, 30));
    EXPECT_EQ(same.pixel(3, 1), qRgb(70, 80, 90));
    EXPECT_EQ(same.pixel(1, 2), qRgb(255, 0, 0));
    EXPECT_EQ(same.pixel(3, 2), qRgb(0, 0, 255));
    EXPECT_EQ(same.pixel(0, 0), kPaper);
    EXPECT_EQ(same.pixel(4, 3), kPaper);

    const QImage scaled = Draw(bitmap, QRect(0, 0, 6, 4), true);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(scaled.pixel(x, y), same.pixel(1 + x / 2, 1 + y / 2)) << x << "," << y;
        }
    }
}

// 16-bit bitmaps are 5-5-5 with blue in the low bits; empty bitmaps and
// 48-bit ones leave the target alone.
TEST(DrawDib, OtherDepthsAndEmptyBitmaps)
{
    dib24 high(1, 1, 16);
    high.bits[0] = 0x1f;  // blue 31
    high.bits[1] = 0x7c;  // red 31
    EXPECT_EQ(Draw(high, QRect(0, 0, 1, 1)).pixel(0, 0), qRgb(255, 0, 255));
    EXPECT_EQ(Draw(dib24(), QRect(0, 0, 1, 1)).pixel(0, 0), kPaper);
    EXPECT_EQ(Draw(dib24(1, 1, 48), QRect(0, 0, 1, 1)).pixel(0, 0), kPaper);
}

}  // namespace
