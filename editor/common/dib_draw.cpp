#include "dib_draw.h"

#include <QImage>
#include <QPainter>
#include <QRect>

#include "image/dib24.h"

void DrawDib(QPainter& painter, const dib24& bitmap, const QRect& target)
{
    if (bitmap.bits == nullptr || bitmap.width <= 0 || bitmap.height <= 0) {
        return;
    }
    QImage::Format format = QImage::Format_Invalid;
    if (bitmap.bytesPerPixel == 3) {
        format = QImage::Format_BGR888;
    } else if (bitmap.bytesPerPixel == 2) {
        format = QImage::Format_RGB555;
    } else {
        return;
    }
    // A view over the bitmap's own rows (no copy); QImage counts rows from
    // the top, so the view is upside down and is mirrored for drawing.
    const QImage view(bitmap.bits, bitmap.width, bitmap.height, bitmap.rowBytes, format);
    const QImage upright = view.mirrored(false, true);
    const bool smooth = painter.testRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(target, upright);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}
