#pragma once
// A main window over a document of its own, with every dialog answered by
// the test, and a few node types whose previews are known in advance.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include "model/node.h"
#include "model/node_list.h"
#include "registry/globals.h"
#include "window/drop_paint_box.h"
#include "window/form1.h"
#include "window/property_list_view.h"

namespace editor_test {

// Answers the window's dialogs from queues; a dialog nobody expected fails
// the test.
class FakeDialogs : public EditorDialogs {
public:
    QString AskOpenFileName(QWidget*) override { return Next(openAnswers, "open dialog"); }
    QString AskSaveFileName(QWidget*, const QString& preset) override
    {
        savePresets.push_back(preset);
        return Next(saveAnswers, "save dialog");
    }
    QString AskInputFileName(QWidget*) override
    {
        return Next(fileNameAnswers, "file-name dialog");
    }
    // Each answer is a colour to confirm, or an invalid colour to cancel.
    bool AskColor(QWidget*, QColor& color) override
    {
        colorPresets.push_back(color);
        if (colorAnswers.empty()) {
            ADD_FAILURE() << "unexpected colour dialog";
            return false;
        }
        const QColor answer = colorAnswers.front();
        colorAnswers.pop_front();
        if (!answer.isValid()) {
            return false;
        }
        color = answer;
        return true;
    }
    bool Confirm(QWidget*, const QString& text, QMessageBox::Icon icon) override
    {
        boxes.push_back(text);
        icons.push_back(icon);
        if (confirmAnswers.empty()) {
            ADD_FAILURE() << "unexpected box: " << text.toStdString();
            return true;
        }
        const bool answer = confirmAnswers.front();
        confirmAnswers.pop_front();
        return answer;
    }
    void RunPopup(QMenu& menu, const QPoint&) override
    {
        ++popups;
        if (onPopup) {
            onPopup(menu);
        }
    }
    void Beep(Sound sound) override { ++(sound == Sound::kError ? errorBeeps : defaultBeeps); }

    std::deque<QString> openAnswers, saveAnswers, fileNameAnswers;
    std::deque<QColor> colorAnswers;
    std::vector<QColor> colorPresets;
    std::deque<bool> confirmAnswers;
    std::vector<QString> savePresets, boxes;
    std::vector<QMessageBox::Icon> icons;
    std::function<void(QMenu&)> onPopup;
    int popups = 0;
    int errorBeeps = 0;
    int defaultBeeps = 0;

private:
    QString Next(std::deque<QString>& answers, const char* what)
    {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected " << what;
            return QString();
        }
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Output 0 is a constant: a float 0.5, or the colour red; or no outputs.
class ConstantNode : public Node {
public:
    enum Kind { kHalfFloat, kRed, kNoOutputs };
    static std::unique_ptr<Node> Make(Kind kind)
    {
        static const ParamDesc inputs[] = {{"in", DATA_COLOR, EDIT_COLOR, 1}};
        static const OutputDesc floatOut[] = {{"value", DATA_FLOAT}};
        static const OutputDesc colorOut[] = {{"color", DATA_COLOR}};
        auto n = std::make_unique<ConstantNode>();
        n->kind_ = kind;
        const OutputDesc* outs = kind == kHalfFloat ? floatOut : colorOut;
        n->Setup("constant", "Test", 1, inputs, kind == kNoOutputs ? 0 : 1, outs, 0);
        n->width = 120;
        n->height = 120;
        return n;
    }
    void Evaluate(const EvalContext&) override
    {
        if (kind_ == kHalfFloat) {
            outputs[0].value.components[0] = 0.5;
        } else if (kind_ == kRed) {
            outputs[0].value.components[0] = 1.0;
            outputs[0].value.components[1] = 0.0;
            outputs[0].value.components[2] = 0.0;
        }
    }
    std::unique_ptr<Node> Create() const override { return Make(kind_); }

private:
    Kind kind_ = kHalfFloat;
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>();
        auto fake = std::make_unique<FakeDialogs>();
        dialogs = fake.get();
        form->SetDialogs(std::move(fake));
        form->EnterNodeList(&document, true);
        form->show();
        QApplication::processEvents();
    }

    // A node of a registered type placed at (x, y), sized as a drop sizes it.
    Node* Add(const char* category, const char* type, int32_t x, int32_t y,
              NodeList* list = nullptr)
    {
        const Node* prototype = globals.nodeFactory->Find(type, category);
        EXPECT_NE(prototype, nullptr) << category << " / " << type;
        return Place(prototype->Create(), x, y, list);
    }

    Node* Place(std::unique_ptr<Node> node, int32_t x, int32_t y, NodeList* list = nullptr)
    {
        form->CalcNodeSize(*node);
        node->x = x;
        node->y = y;
        Node* raw = node.get();
        (list != nullptr ? list : &document)->nodes.push_back(std::move(node));
        return raw;
    }

    // Real mouse events on the canvas, in canvas-widget coordinates.
    void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(form->PaintBox1, button, Qt::NoModifier, at);
    }
    void Drag(QPoint to) { QTest::mouseMove(form->PaintBox1, to); }
    void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(form->PaintBox1, button, Qt::NoModifier, at);
    }
    // A press, optional drag steps, and a release at the last point.
    void Stroke(std::initializer_list<QPoint> points)
    {
        const QPoint* p = points.begin();
        Press(*p);
        for (++p; p != points.end(); ++p) {
            Drag(*p);
        }
        Release(*(points.end() - 1));
    }

    // Where a node's connectors are on the canvas.
    QPoint InputRow(const Node& n, int row) const
    {
        return QPoint(n.x - form->scrollX + 10, n.y - form->scrollY + 100 + 16 * row);
    }
    QPoint OutputRow(const Node& n, int row) const
    {
        return QPoint(n.x + n.width - form->scrollX - 10, n.y - form->scrollY + 100 + 16 * row);
    }

    QString Status() const { return form->StatusText(); }

    NodeList document;
    std::unique_ptr<TForm1> form;
    FakeDialogs* dialogs = nullptr;
};

std::vector<uint8_t> FileBytes(const std::string& path);
// Every byte of a bitmap's rows, padding included.
std::vector<uint8_t> Pixels(const dib24& bitmap);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// A folder of its own for one test, removed with it.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    QString QPath(const std::string& name) const { return QString::fromStdString(Path(name)); }

private:
    std::string dir_;
};

}  // namespace editor_test
