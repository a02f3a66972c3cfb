#pragma once
// Drawing with the pixel conventions the canvas geometry is written in: a
// rectangle from (left, top) to (right, bottom) covers the pixels left to
// right - 1 and top to bottom - 1, and a line leaves out its last pixel.
// Coordinates arrive as 64-bit integers since node positions from a file may
// lie anywhere.

#include <cstdint>

#include <QColor>
#include <QString>

class QPainter;

// Outlined with the painter's pen and filled with its brush.
void Rectangle(QPainter& p, int64_t left, int64_t top, int64_t right, int64_t bottom);
// Outlined with the painter's pen only.
void FrameRect(QPainter& p, int64_t left, int64_t top, int64_t right, int64_t bottom);
void LineTo(QPainter& p, int64_t x0, int64_t y0, int64_t x1, int64_t y1);
// text with its top-left corner at (x, y) on a background of back.
void TextOut(QPainter& p, int64_t x, int64_t y, const QString& text, const QColor& back);

// A rectangle from (left, top) to (right, bottom), as above.
struct Bounds {
    int64_t left;
    int64_t top;
    int64_t right;
    int64_t bottom;
};
// The same, drawn only within bounds: a label cut off at the edge of its
// column.
void TextOut(QPainter& p, int64_t x, int64_t y, const QString& text, const QColor& back,
             const Bounds& within);
