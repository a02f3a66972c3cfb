// The gradient editor's life cycle, its key fields and its buttons.

#include "gradient_editor.h"

#include <algorithm>

#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPalette>
#include <QShowEvent>

#include "key_text.h"
#include "paint_box.h"
#include "strip_geometry.h"

TGradientEditor::TGradientEditor(QWidget* owner) : QDialog(owner)
{
    BuildLayout();
    // The strip fills the paint box but for the marker column and margins.
    strip.Create(PaintBox1->width() - 16, PaintBox1->height() - 16, 24);
}

TGradientEditor::~TGradientEditor() = default;

void TGradientEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TGradientEditor::done(int result)
{
    // The close box takes no focus either: a typed text goes to its key.
    ApplyTypedFields();
    FormClose();
    QDialog::done(result);
}

void TGradientEditor::FormShow()
{
    Edit3->setVisible(valueMode == 1);
    PaintBox2->setVisible(valueMode != 1);
    selectedKey = gradient != nullptr ? gradient->FirstKey() : nullptr;
    dragging = false;
    keyClipboard.reset();
    RefreshKeyFields();
}

void TGradientEditor::FormClose()
{
    gradient = nullptr;
    selectedKey = nullptr;
    dragging = false;
    keyClipboard.reset();
}

void TGradientEditor::Button3Click()
{
    done(QDialog::Accepted);
}

bool TGradientEditor::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr) {
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() == QEvent::FocusOut) {
        // Leaving an edit for another control of this window; the window
        // losing the focus as a whole is not leaving the edit.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            EditParamExit();
        }
    } else if (event->type() == QEvent::KeyPress) {
        if (EditParamKeyPress(edit, static_cast<QKeyEvent*>(event)->key())) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TGradientEditor::EditParamExit()
{
    ApplyKeyFields();
}

bool TGradientEditor::EditParamKeyPress(QLineEdit* edit, int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        ApplyKeyFields();
        return true;
    }
    if (key == Qt::Key_Escape) {
        edit->undo();
        return true;
    }
    return false;
}

void TGradientEditor::RefreshKeyFields()
{
    PaintBox1->update();
    PaintBox2->update();
    const StripSpan span = SpanOf(gradient);
    Edit1->setText(span.firstKey != nullptr ? FormatKeyNumber(span.firstKey->position) : QString());
    Edit2->setText(span.lastKey != nullptr ? FormatKeyNumber(span.lastKey->position) : QString());
    if (selectedKey == nullptr) {
        for (QLineEdit* edit : {Edit3, Edit4, Edit5}) {
            edit->clear();
            edit->setModified(false);  // emptied here, not typed
        }
        return;
    }
    Edit3->setText(FormatKeyNumber(selectedKey->r));
    Edit4->setText(FormatKeyNumber(selectedKey->alpha));
    Edit5->setText(FormatKeyNumber(selectedKey->position));
    // The end keys' positions are the start and end fields'.
    const bool endKey = selectedKey == span.firstKey || selectedKey == span.lastKey;
    QPalette look = Edit5->palette();
    look.setColor(QPalette::Base, palette().color(endKey ? QPalette::Button : QPalette::Base));
    Edit5->setPalette(look);
    Edit5->setReadOnly(endKey);
}

void TGradientEditor::ApplyKeyFields()
{
    if (gradient == nullptr) {
        return;
    }
    const StripSpan span = SpanOf(gradient);
    const double start = ReadKeyNumber(Edit1->text());
    const double end = ReadKeyNumber(Edit2->text());
    if (span.firstKey != nullptr && start < end) {
        span.lastKey->position = end;
        span.firstKey->position = start;
        gradient->KeysMoved();
    }
    if (selectedKey == nullptr) {
        return;  // typed texts stay on screen
    }
    if (valueMode == 1) {
        selectedKey->r = ReadKeyNumber(Edit3->text());
    }
    selectedKey->alpha = std::clamp(ReadKeyNumber(Edit4->text()), 0.0, 1.0);
    if (selectedKey != span.firstKey && selectedKey != span.lastKey) {
        selectedKey->position = ReadKeyNumber(Edit5->text());
        gradient->KeysMoved();
    }
    RefreshKeyFields();
}

void TGradientEditor::ApplyTypedFields()
{
    // Untouched fields hold their keys' numbers rounded to six decimals;
    // applying them unasked would round the keys.
    for (const QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5}) {
        if (edit->isModified()) {
            ApplyKeyFields();
            return;
        }
    }
}

void TGradientEditor::Button1Click()
{
    if (selectedKey == nullptr) {
        return;
    }
    if (keyClipboard == nullptr) {
        keyClipboard = std::make_unique<GValue>();
    }
    *keyClipboard = *selectedKey;
}

void TGradientEditor::Button5Click()
{
    if (selectedKey == nullptr || keyClipboard == nullptr) {
        return;
    }
    selectedKey->r = keyClipboard->r;
    selectedKey->g = keyClipboard->g;
    selectedKey->b = keyClipboard->b;
    selectedKey->alpha = keyClipboard->alpha;
    RefreshKeyFields();
}

void TGradientEditor::Button4Click()
{
    const StripSpan span = SpanOf(gradient);
    if (span.firstKey == nullptr) {
        return;
    }
    const double first = span.first;
    const double last = span.lastKey->position;
    for (int32_t i = 0; i < gradient->Count(); ++i) {
        GValue* key = gradient->Key(i);
        key->position = last - key->position + first;
    }
    gradient->KeysMoved();
    RefreshKeyFields();
}

void TGradientEditor::Button2Click()
{
    if (gradient == nullptr) {
        return;
    }
    const StripSpan span = SpanOf(gradient);
    if (selectedKey == span.firstKey || selectedKey == span.lastKey) {
        return;
    }
    gradient->RemoveKey(selectedKey);
    selectedKey = nullptr;
    RefreshKeyFields();
}
