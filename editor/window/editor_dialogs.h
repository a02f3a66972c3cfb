#pragma once
// Every modal exchange the main window has with its user: the file dialogs,
// the colour dialog, the confirmation boxes, the canvas popup menu and the
// warning sounds. The window reaches them only through this interface, so a
// test can answer them without a person.

#include <memory>

#include <QColor>
#include <QMessageBox>
#include <QPoint>
#include <QString>

class QMenu;
class QWidget;

class EditorDialogs {
public:
    enum class Sound {
        kError,    // a refused action
        kDefault,  // a file opened or saved
    };

    virtual ~EditorDialogs() = default;

    // The document open dialog; an empty path when cancelled.
    virtual QString AskOpenFileName(QWidget* parent) = 0;
    // The document save dialog, preset to preset; an empty path when
    // cancelled. It asks before overwriting and appends ".shd" to a bare name.
    virtual QString AskSaveFileName(QWidget* parent, const QString& preset) = 0;
    // The dialog that picks a file name for an input; empty when cancelled.
    virtual QString AskInputFileName(QWidget* parent) = 0;
    // The colour dialog preset to color; true and the chosen colour in color
    // when confirmed.
    virtual bool AskColor(QWidget* parent, QColor& color) = 0;
    // A box with OK and Cancel under the caption "Quillmere"; true for OK.
    virtual bool Confirm(QWidget* parent, const QString& text, QMessageBox::Icon icon) = 0;
    // Shows menu at globalPos and returns when it has closed, after the
    // command chosen in it (if any) has run.
    virtual void RunPopup(QMenu& menu, const QPoint& globalPos) = 0;
    virtual void Beep(Sound sound) = 0;
};

// The dialogs a person answers: QFileDialog, QColorDialog, QMessageBox,
// QMenu::exec and QApplication::beep.
std::unique_ptr<EditorDialogs> MakeQtDialogs();
