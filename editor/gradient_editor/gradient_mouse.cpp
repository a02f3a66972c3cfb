// The gradient editor's pointer handling: selecting a key by its marker,
// dragging it between its neighbours, inserting a key by clicking the strip,
// and picking the selected key's colour from the swatch.

#include <algorithm>
#include <memory>

#include <QColor>

#include "gradient_editor.h"
#include "strip_geometry.h"

namespace {

constexpr int kStripTop = 8;
constexpr int kMarkerColumn = 16;    // x at or left of it: the markers
constexpr int kMarkerBand = 16;      // a marker holds the pointer from its top down to this
constexpr double kNearShare = 0.01;  // keys keep 1 % of the range apart

}  // namespace

void TGradientEditor::PaintBox1MouseDown(Qt::MouseButton button, int x, int y)
{
    if (button != Qt::LeftButton || gradient == nullptr) {
        return;
    }
    dragging = false;
    const StripSpan span = SpanOf(gradient);
    if (span.firstKey == nullptr) {
        return;
    }
    const int h = strip.height;
    // What the press picks is read from the markers and the strip on screen;
    // a text typed but not entered yet goes to its key before the selection
    // moves on (the paint box takes no focus, so no field is left).
    if (x <= kMarkerColumn) {
        GValue* hit = nullptr;
        // Highest position first, so of overlapping markers the lower one wins.
        for (GValue* key = span.lastKey; key != nullptr; key = gradient->PrevKey(key)) {
            const int top = MarkerTop(key->position);
            if (top <= y && y <= top + kMarkerBand) {
                hit = key;
                break;
            }
        }
        ApplyTypedFields();
        if (hit != nullptr) {
            selectedKey = hit;
            dragging = true;
        }
        RefreshKeyFields();
        return;
    }
    if (y < kStripTop || y > h + kStripTop) {
        return;
    }
    const double p = span.first + (static_cast<double>(y - kStripTop) / h) * span.range;
    ApplyTypedFields();
    if (gradient->KeyNear(p, kNearShare * span.range) != nullptr) {
        return;
    }
    // The new key takes the gradient's colour there, so the strip looks the
    // same after the insertion.
    auto key = std::make_unique<GValue>();
    key->position = p;
    double rgb[3] = {0.0, 0.0, 0.0};
    double alpha = key->alpha;
    gradient->GetColor(p, rgb, &alpha);
    key->r = rgb[0];
    key->g = rgb[1];
    key->b = rgb[2];
    key->alpha = alpha;
    selectedKey = gradient->AddKey(std::move(key));
    RefreshKeyFields();
}

void TGradientEditor::PaintBox1MouseMove(int, int y)
{
    if (!dragging || selectedKey == nullptr || gradient == nullptr) {
        return;
    }
    const StripSpan span = SpanOf(gradient);
    if (selectedKey != span.firstKey && selectedKey != span.lastKey) {
        // A key typed onto an end key's position has no neighbour on that
        // side; the end key bounds it instead.
        const GValue* previous = gradient->PrevKey(selectedKey);
        const GValue* next = gradient->NextKey(selectedKey);
        if (previous == nullptr) {
            previous = span.firstKey;
        }
        if (next == nullptr) {
            next = span.lastKey;
        }
        const double target = span.first + (static_cast<double>(y) / strip.height) * span.range;
        const double lower = previous->position + kNearShare * span.range;
        const double upper = next->position - kNearShare * span.range;
        const double m = std::min(target, upper);
        selectedKey->position = m >= lower ? m : lower;
        gradient->KeysMoved();
    }
    RefreshKeyFields();
}

void TGradientEditor::PaintBox1MouseUp(Qt::MouseButton)
{
    dragging = false;
}

void TGradientEditor::PaintBox2Click()
{
    if (selectedKey == nullptr || !ColorDialog1) {
        return;
    }
    QColor colour = KeyColor(*selectedKey);
    if (!ColorDialog1(this, colour)) {
        return;
    }
    // The dialog may have closed this window's use meanwhile; the key is
    // only touched while a gradient is still being edited.
    if (gradient == nullptr || selectedKey == nullptr) {
        return;
    }
    selectedKey->r = std::clamp(colour.red() / 255.0, 0.0, 1.0);
    selectedKey->g = std::clamp(colour.green() / 255.0, 0.0, 1.0);
    selectedKey->b = std::clamp(colour.blue() / 255.0, 0.0, 1.0);
    RefreshKeyFields();
}
