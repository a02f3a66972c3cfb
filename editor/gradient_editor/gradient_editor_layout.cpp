// The gradient editor's window: its controls, places and sizes.

#include <algorithm>

#include <QColorDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gradient_editor.h"
#include "paint_box.h"

namespace {

// A caption left of its field, which starts at fieldLeft. A caption that the
// application's font makes too wide for its place moves left to stay clear
// of the field.
QLabel* MakeLabel(QWidget* parent, const char* caption, int left, int top, int fieldLeft)
{
    auto* label = new QLabel(QString::fromLatin1(caption), parent);
    label->adjustSize();
    const int clear = fieldLeft - 2 - label->width();
    label->move(std::max(0, std::min(left, clear)), top);
    return label;
}

// An edit of the key fields. Edits without a tab stop are reached by the
// pointer only.
QLineEdit* MakeEdit(QWidget* parent, QRect place, bool tabStop)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(place);
    edit->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* caption, QRect place)
{
    auto* button = new QPushButton(QString::fromLatin1(caption), parent);
    button->setGeometry(place);
    // Enter in an edit applies the fields; it never presses a button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

// The key's colour dialog: any colour, custom colours shown.
bool PickColour(QWidget* parent, QColor& colour)
{
    const QColor picked = QColorDialog::getColor(colour, parent);
    if (!picked.isValid()) {
        return false;
    }
    colour = picked;
    return true;
}

}  // namespace

void TGradientEditor::BuildLayout()
{
    setWindowTitle(QStringLiteral("Gradient Editor"));
    setFixedSize(398, 399);

    PaintBox1 = new PaintBox(this);
    PaintBox1->setGeometry(48, 32, 105, 320);
    Label1 = MakeLabel(this, "Start:", 16, 11, 48);
    Edit1 = MakeEdit(this, QRect(48, 8, 105, 20), false);
    Label2 = MakeLabel(this, "End:", 24, 363, 48);
    Edit2 = MakeEdit(this, QRect(48, 360, 105, 20), false);

    GroupBox1 = new QGroupBox(QStringLiteral("Key"), this);
    GroupBox1->setGeometry(176, 32, 201, 129);
    Label3 = MakeLabel(GroupBox1, "Value:", 26, 27, 64);
    Label4 = MakeLabel(GroupBox1, "Alpha:", 26, 59, 64);
    Label5 = MakeLabel(GroupBox1, "Position:", 14, 91, 64);
    PaintBox2 = new PaintBox(GroupBox1);
    PaintBox2->setGeometry(64, 24, 113, 20);
    Edit3 = MakeEdit(GroupBox1, QRect(64, 24, 113, 20), true);
    Edit4 = MakeEdit(GroupBox1, QRect(64, 56, 113, 20), true);
    Edit5 = MakeEdit(GroupBox1, QRect(64, 88, 113, 20), false);

    Button1 = MakeButton(this, "Copy Data", QRect(176, 168, 97, 25));
    Button5 = MakeButton(this, "Paste Data", QRect(280, 168, 97, 25));
    Button4 = MakeButton(this, "Inverse key", QRect(176, 200, 97, 25));
    Button2 = MakeButton(this, "Delete key", QRect(280, 200, 97, 25));
    Button3 = MakeButton(this, "Done", QRect(296, 352, 83, 25));

    // Tab order: "Done", the key's value and alpha, then the four key buttons.
    setTabOrder(Button3, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, Button1);
    setTabOrder(Button1, Button5);
    setTabOrder(Button5, Button4);
    setTabOrder(Button4, Button2);

    PaintBox1->onPaint = [this](QPainter& canvas) { PaintBox1Paint(canvas); };
    PaintBox1->onMouseDown = [this](Qt::MouseButton b, int x, int y) {
        PaintBox1MouseDown(b, x, y);
    };
    PaintBox1->onMouseMove = [this](int x, int y) { PaintBox1MouseMove(x, y); };
    PaintBox1->onMouseUp = [this](Qt::MouseButton b, int, int) { PaintBox1MouseUp(b); };
    PaintBox2->onPaint = [this](QPainter& canvas) { PaintBox2Paint(canvas); };
    PaintBox2->onClick = [this] { PaintBox2Click(); };
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5}) {
        edit->installEventFilter(this);
    }
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button5, &QPushButton::clicked, this, [this] { Button5Click(); });
    connect(Button4, &QPushButton::clicked, this, [this] { Button4Click(); });
    connect(Button2, &QPushButton::clicked, this, [this] { Button2Click(); });
    connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });

    ColorDialog1 = PickColour;
}
