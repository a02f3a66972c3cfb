#pragma once
// The gradient editor tests drive a real window (offscreen) with QTest's
// mouse and key events.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "gradient_editor.h"
#include "paint_box.h"

namespace gradient_test {

// One application for the whole test program.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "gradient_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

struct KeySpec {  // one key, in storage order
    double position, r = 0.0, g = 0.0, b = 0.0, alpha = 1.0;
};

class GradientEditorTest : public ::testing::Test {
protected:
    // Shows the window on gradient holding keys, as a node's Edit does but
    // without blocking, and makes it the active window.
    void Open(const std::vector<KeySpec>& keys, int32_t valueMode = 0)
    {
        gradient.Clear();
        for (const KeySpec& k : keys) {
            gradient.AddKey(std::make_unique<GValue>(GValue{k.position, k.r, k.g, k.b, k.alpha}));
        }
        Reopen(valueMode);
    }
    void Reopen(int32_t valueMode = 0)
    {
        editor.gradient = &gradient;
        editor.valueMode = valueMode;
        editor.show();
        editor.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    }
    void Click(QWidget* control) { QTest::mouseClick(control, Qt::LeftButton); }
    void Close() { Click(editor.Button3); }
    void Select(int32_t key)
    {
        editor.selectedKey = gradient.Key(key);
        editor.RefreshKeyFields();
    }

    // The pointer on the marker of a key at position (keys 0 to 1).
    static QPoint Marker(double position)
    {
        return QPoint(5, static_cast<int>(304 * position) + 8);
    }
    void Press(QPoint at) { QTest::mousePress(editor.PaintBox1, Qt::LeftButton, {}, at); }
    void Move(QPoint at) { QTest::mouseMove(editor.PaintBox1, at); }
    void Release(QPoint at) { QTest::mouseRelease(editor.PaintBox1, Qt::LeftButton, {}, at); }
    void ClickStrip(int y)
    {
        QTest::mouseClick(editor.PaintBox1, Qt::LeftButton, {}, QPoint(60, y));
    }

    // Types text over the field's text (clicking into it first unless it
    // has the focus), then presses Enter unless told not to.
    void Type(QLineEdit* edit, const QString& text, bool enter = true)
    {
        if (!edit->hasFocus()) {
            Click(edit);
        }
        edit->selectAll();
        QTest::keyClicks(edit, text);
        if (enter) {
            QTest::keyClick(edit, Qt::Key_Return);
        }
    }

    QRgb PaintBox1Pixel(int x, int y) const
    {
        return editor.PaintBox1->grab().toImage().pixel(x, y);
    }

    Gradient gradient;
    TGradientEditor editor;
};

}  // namespace gradient_test
