#pragma once
// Drawing a dib24 in the editor's windows. The engine keeps its bitmaps free
// of any window system; the editor draws them through Qt.

class QPainter;
class QRect;
class dib24;

// Draws the whole of bitmap scaled into target (nearest pixel, no
// smoothing), first row of memory at the bottom as the bitmap stores it.
// Nothing for an empty bitmap; 24-bit (blue, green, red) and 16-bit (5-5-5)
// bitmaps are drawn, other depths are not.
void DrawDib(QPainter& painter, const dib24& bitmap, const QRect& target);
