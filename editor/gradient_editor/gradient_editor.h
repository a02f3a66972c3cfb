#pragma once
// The gradient editor window: a modal dialog in which the user edits the
// keys of one gradient. A vertical strip shows the gradient from its first
// key (top) to its last key (bottom) over a grey checkerboard, triangular
// markers left of the strip show the keys, and the fields on the right show
// the selected key. Every change goes straight into the gradient.
//
// One instance is made at start-up; a gradient node's Edit sets gradient and
// valueMode and shows it modally (see gradient_edit_hook.h).

#include <cstdint>
#include <functional>
#include <memory>

#include <QDialog>

#include "gradient/gradient.h"
#include "image/dib24.h"

class PaintBox;
class QColor;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPainter;
class QPushButton;

class TGradientEditor : public QDialog {
    Q_OBJECT
public:
    explicit TGradientEditor(QWidget* owner = nullptr);
    ~TGradientEditor() override;

    // Controls, as the window's layout names them.
    PaintBox* PaintBox1;   // marker column (x 0 to 15) and strip (at x 16, y 8)
    QLabel* Label1;        // "Start:"
    QLineEdit* Edit1;      // position of the first key
    QLabel* Label2;        // "End:"
    QLineEdit* Edit2;      // position of the last key
    QGroupBox* GroupBox1;  // "Key"
    QLabel* Label3;        // "Value:"
    QLabel* Label4;        // "Alpha:"
    QLabel* Label5;        // "Position:"
    PaintBox* PaintBox2;   // colour swatch of the selected key (colour mode)
    QLineEdit* Edit3;      // value of the selected key (value mode)
    QLineEdit* Edit4;      // alpha of the selected key
    QLineEdit* Edit5;      // position of the selected key
    QPushButton* Button1;  // "Copy Data"
    QPushButton* Button5;  // "Paste Data"
    QPushButton* Button4;  // "Inverse key"
    QPushButton* Button2;  // "Delete key"
    QPushButton* Button3;  // "Done"

    // The colour dialog for the selected key: starts at colour; true with
    // the picked colour in colour when the user confirms, false (colour
    // untouched) when cancelled. The default opens a QColorDialog; tests
    // answer it themselves.
    std::function<bool(QWidget* parent, QColor& colour)> ColorDialog1;

    dib24 strip{1, 1, 24};                 // the rendered strip
    GValue* selectedKey = nullptr;         // the key in the fields; not owned
    std::unique_ptr<GValue> keyClipboard;  // "Copy Data"; forgotten at close
    bool dragging = false;                 // a marker is being dragged
    int32_t valueMode = 0;                 // 1: one channel (r) shown as grey; 0: colour
    Gradient* gradient = nullptr;          // set by the caller; null after closing

    // Event handlers.
    void FormShow();
    void FormClose();
    void PaintBox1Paint(QPainter& canvas);
    void PaintBox2Paint(QPainter& canvas);
    void PaintBox2Click();
    void PaintBox1MouseDown(Qt::MouseButton button, int x, int y);
    void PaintBox1MouseMove(int x, int y);
    void PaintBox1MouseUp(Qt::MouseButton button);
    void EditParamExit();
    // True when the key was handled (and is swallowed).
    bool EditParamKeyPress(QLineEdit* edit, int key);
    void Button1Click();  // "Copy Data"
    void Button5Click();  // "Paste Data"
    void Button4Click();  // "Inverse key"
    void Button2Click();  // "Delete key"
    void Button3Click();  // "Done"

    void RefreshKeyFields();
    void RenderStrip();
    void DrawKeyMarker(QPainter& canvas, const GValue& key);
    void ApplyKeyFields();
    // ApplyKeyFields when a field holds text typed since the fields were
    // last written, as Enter would; nothing otherwise.
    void ApplyTypedFields();

    // Closing, by "Done" or the close box, applies a typed text and runs
    // FormClose first.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    // The colour a key is drawn in (value mode: grey from r).
    QColor KeyColor(const GValue& key) const;
    // Top of a key's marker in paint-box coordinates.
    int MarkerTop(double position) const;
};
