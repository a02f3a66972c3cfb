// The gradient editor's drawing: the strip over its checkerboard, the key
// markers beside it and the selected key's colour swatch.

#include <QPainter>
#include <QPolygon>

#include "dib_draw.h"
#include "gradient_editor.h"
#include "paint_box.h"
#include "strip_geometry.h"

namespace {

constexpr int kStripLeft = 16;  // the strip's place in PaintBox1
constexpr int kStripTop = 8;
constexpr int kCheckerSquare = 16;
const QColor kSelectedPen(255, 255, 128);

}  // namespace

QColor TGradientEditor::KeyColor(const GValue& key) const
{
    if (valueMode == 1) {
        const int grey = ChannelByte(key.r);
        return QColor(grey, grey, grey);
    }
    return QColor(ChannelByte(key.r), ChannelByte(key.g), ChannelByte(key.b));
}

int TGradientEditor::MarkerTop(double position) const
{
    const StripSpan span = SpanOf(gradient);
    if (!span.HasRange()) {
        return 0;
    }
    return ToPixel(strip.height * (position - span.first) / span.range);
}

void TGradientEditor::RenderStrip()
{
    const StripSpan span = SpanOf(gradient);
    const int w = strip.width;
    const int h = strip.height;
    if (strip.bits == nullptr) {
        return;
    }
    for (int i = 0; i < h; ++i) {
        const double x = span.first + (static_cast<double>(i) / h) * span.range;
        double rgb[3] = {0.0, 0.0, 0.0};
        // A gradient with fewer than two keys gives nothing: the strip shows
        // the bare checkerboard, as the node gives alpha 0.
        double alpha = 0.0;
        if (gradient != nullptr) {
            gradient->GetColor(x, rgb, &alpha);
        }
        const int red = ChannelByte(rgb[0]);
        const int green = valueMode == 1 ? red : ChannelByte(rgb[1]);
        const int blue = valueMode == 1 ? red : ChannelByte(rgb[2]);

        uint8_t* pixel = strip.bits + static_cast<size_t>(h - 1 - i) * strip.rowBytes;
        const int b = (i / kCheckerSquare) % 2;
        for (int j = 0; j < w; ++j, pixel += 3) {
            const int a = (j / kCheckerSquare) % 2;
            const int factor = b == 1 ? 1 - a : a;
            const double g = factor * 128 + 64;
            pixel[0] = LimitedByte(g * (1.0 - alpha) + blue * alpha);
            pixel[1] = LimitedByte(g * (1.0 - alpha) + green * alpha);
            pixel[2] = LimitedByte(g * (1.0 - alpha) + red * alpha);
        }
    }
}

void TGradientEditor::DrawKeyMarker(QPainter& canvas, const GValue& key)
{
    const int y = MarkerTop(key.position);
    const QPoint corners[3] = {QPoint(0, y), QPoint(15, y + 8), QPoint(0, y + 15)};
    canvas.drawPolygon(corners, 3);
}

void TGradientEditor::PaintBox1Paint(QPainter& canvas)
{
    canvas.setPen(Qt::black);
    canvas.setBrush(Qt::white);
    RenderStrip();
    const int w = strip.width;
    const int h = strip.height;
    DrawDib(canvas, strip, QRect(kStripLeft, kStripTop, w, h));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(QRect(kStripLeft, kStripTop, w - 1, h - 1));

    if (gradient == nullptr) {
        return;
    }
    // One marker per position: of keys sharing one, the earliest stored.
    for (const GValue* key = gradient->FirstKey(); key != nullptr; key = gradient->NextKey(key)) {
        canvas.setBrush(KeyColor(*key));
        canvas.setPen(QPen(key == selectedKey ? kSelectedPen : QColor(Qt::black), 1));
        DrawKeyMarker(canvas, *key);
    }
}

void TGradientEditor::PaintBox2Paint(QPainter& canvas)
{
    const int w = PaintBox2->width();
    const int h = PaintBox2->height();
    canvas.setPen(Qt::black);
    if (selectedKey != nullptr) {
        canvas.setBrush(KeyColor(*selectedKey));
        canvas.drawRect(0, 0, w - 1, h - 1);
        return;
    }
    canvas.setBrush(Qt::white);
    canvas.drawRect(0, 0, w - 1, h - 1);
    canvas.drawLine(1, 1, w - 2, h - 2);
    canvas.drawLine(1, h - 2, w - 2, 1);
}
