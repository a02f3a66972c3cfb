// The document commands: New, Open, Save and Save as, the caption with the
// file name and the modified mark, the confirmation before work is thrown
// away, and the status line with its warning sound.

#include <utility>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QMessageBox>

#include "model/node_list.h"
#include "registry/globals.h"
#include "window/document_file.h"
#include "window/drop_paint_box.h"
#include "window/form1.h"

namespace {

const QString kDiscardQuestion = QStringLiteral("Document has changed, really continue operation?");

std::string LocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

}  // namespace

void TForm1::UpdateCaption(const QString& name, bool isModified)
{
    fileName = name;
    modified = isModified;
    setWindowTitle(QStringLiteral("Quillmere") + QStringLiteral(" ") +
                   QStringLiteral("0.10 [alpha]") + QStringLiteral(" [") + fileName +
                   (modified ? QStringLiteral("] (modified)") : QStringLiteral("]")));
}

void TForm1::MarkModified()
{
    UpdateCaption(fileName, true);
    navStack.MarkAllModified();
}

void TForm1::ShowStatusError(const QString& text)
{
    Dialogs().Beep(EditorDialogs::Sound::kError);
    StatusLine->setText(text);
}

void TForm1::ClearStatus()
{
    StatusLine->clear();
}

QString TForm1::StatusText() const
{
    return StatusLine->text();
}

bool TForm1::ConfirmDiscard()
{
    if (!modified || currentList == nullptr || currentList->nodes.empty()) {
        return true;
    }
    return Dialogs().Confirm(this, kDiscardQuestion, QMessageBox::Question);
}

bool TForm1::FormCloseQuery()
{
    FinishPropertyEdit();
    // Closing inside a macro also throws away the levels it was opened
    // from; when one of them holds unsaved changes, ask even though the
    // macro's own list is unchanged or empty.
    if (navStack.AnyModified()) {
        return Dialogs().Confirm(this, kDiscardQuestion, QMessageBox::Question);
    }
    return ConfirmDiscard();
}

void TForm1::menuNewClick()
{
    if (currentList == nullptr) {
        return;
    }
    FinishPropertyEdit();
    if (!currentList->nodes.empty() &&
        !Dialogs().Confirm(this, QStringLiteral("Are you sure to clear current tree?"),
                           QMessageBox::Information)) {
        return;
    }
    if (!ConfirmDiscard()) {
        return;
    }
    const bool hadNodes = !currentList->nodes.empty();
    ResetEditState();
    currentList->Clear();
    UpdateCaption(QString(), false);
    if (hadNodes) {
        navStack.MarkAllModified();  // a macro emptied inside the document
    }
    ClearStatus();
    ShowNodeProperties(nullptr);
    RepaintGraph();
    preview.Clear();
    PaintBox3->update();
}

void TForm1::menuOpenClick()
{
    if (currentList == nullptr) {
        return;
    }
    FinishPropertyEdit();
    const QString path = Dialogs().AskOpenFileName(this);
    if (path.isEmpty() || !ConfirmDiscard()) {
        return;
    }
    OpenDocument(path);
}

bool TForm1::OpenDocument(const QString& path)
{
    if (currentList == nullptr || globals.nodeFactory == nullptr) {
        return false;
    }
    // The file is read into a list of its own first, so that a file that
    // cannot be read leaves the current list exactly as it was.
    NodeList fresh;
    switch (ReadGraphFile(LocalPath(path), fresh, *globals.nodeFactory)) {
    case ReadOutcome::kCannotOpen:
        ShowStatusError(QStringLiteral("Cannot open %1.").arg(path));
        return false;
    case ReadOutcome::kDamaged:
        ShowStatusError(QStringLiteral("%1 is damaged; nothing was read.").arg(path));
        return false;
    case ReadOutcome::kRead:
        break;
    }
    // Inside a macro the file's graph becomes the macro's content, which the
    // document must still be able to read back.
    std::swap(currentList->nodes, fresh.nodes);
    if (RefuseUnreadable(QStringLiteral("open"))) {
        std::swap(currentList->nodes, fresh.nodes);
        return false;
    }
    ResetEditState();
    fresh.Clear();  // the old content, once no edit points into it
    currentList->Renumber();
    UpdateCaption(navStack.Empty() ? path : QString(), false);
    navStack.MarkAllModified();
    ClearStatus();
    ShowNodeProperties(nullptr);
    RepaintGraph();
    preview.Clear();
    PaintBox3->update();
    Dialogs().Beep(EditorDialogs::Sound::kDefault);
    return true;
}

void TForm1::menuSaveClick()
{
    if (currentList == nullptr || !navStack.Empty()) {
        return;  // "Save" is disabled while a macro is open
    }
    FinishPropertyEdit();
    QString path = fileName;
    if (path.isEmpty()) {
        path = Dialogs().AskSaveFileName(this, QString());
        if (path.isEmpty()) {
            return;
        }
    }
    if (SaveCurrentList(path)) {
        UpdateCaption(path, false);
    }
}

void TForm1::menuSaveAsClick()
{
    if (currentList == nullptr) {
        return;
    }
    FinishPropertyEdit();
    const QString path = Dialogs().AskSaveFileName(this, fileName);
    if (path.isEmpty() || !SaveCurrentList(path)) {
        return;
    }
    // Inside a macro the sub-graph was written as a file of its own and the
    // macro stays open.
    UpdateCaption(navStack.Empty() ? path : QString(), false);
}

bool TForm1::SaveCurrentList(const QString& path)
{
    if (!WriteGraphFile(LocalPath(path), *currentList)) {
        ShowStatusError(QStringLiteral("Cannot save %1; the document is still unsaved.").arg(path));
        return false;
    }
    ClearStatus();
    Dialogs().Beep(EditorDialogs::Sound::kDefault);
    return true;
}

bool TForm1::RefuseUnreadable(const QString& verb)
{
    NodeList* document = navStack.Empty() ? currentList : navStack.Outermost();
    if (document == nullptr) {
        return false;
    }
    switch (document->CheckReadBack()) {
    case NodeList::ReadBack::kWhole:
        return false;
    case NodeList::ReadBack::kChainTooLong:
        ShowStatusError(QStringLiteral("Chain too long, cannot %1.").arg(verb));
        return true;
    case NodeList::ReadBack::kNestedTooDeep:
        ShowStatusError(QStringLiteral("Macros nested too deep, cannot %1.").arg(verb));
        return true;
    }
    return false;
}
