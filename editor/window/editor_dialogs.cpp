#include "window/editor_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QMenu>

namespace {

const QString kDocumentFilter = QStringLiteral("Graftworks files (*.shd);;All files (*)");
const QString kAnyFileFilter = QStringLiteral("All files (*)");

class QtDialogs : public EditorDialogs {
public:
    QString AskOpenFileName(QWidget* parent) override
    {
        QFileDialog dialog(parent, QString(), QString(), kDocumentFilter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QStringLiteral("shd"));
        return Run(dialog);
    }

    QString AskSaveFileName(QWidget* parent, const QString& preset) override
    {
        QFileDialog dialog(parent, QString(), QString(), kDocumentFilter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(QStringLiteral("shd"));
        if (!preset.isEmpty()) {
            dialog.selectFile(preset);
        }
        return Run(dialog);
    }

    QString AskInputFileName(QWidget* parent) override
    {
        QFileDialog dialog(parent, QString(), QString(), kAnyFileFilter);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return Run(dialog);
    }

    bool AskColor(QWidget* parent, QColor& color) override
    {
        const QColor chosen = QColorDialog::getColor(color, parent);
        if (!chosen.isValid()) {
            return false;
        }
        color = chosen;
        return true;
    }

    bool Confirm(QWidget* parent, const QString& text, QMessageBox::Icon icon) override
    {
        QMessageBox box(icon, QStringLiteral("Quillmere"), text,
                        QMessageBox::Ok | QMessageBox::Cancel, parent);
        return box.exec() == QMessageBox::Ok;
    }

    void RunPopup(QMenu& menu, const QPoint& globalPos) override { menu.exec(globalPos); }

    void Beep(Sound) override { QApplication::beep(); }

private:
    static QString Run(QFileDialog& dialog)
    {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return QString();
        }
        return dialog.selectedFiles().first();
    }
};

}  // namespace

std::unique_ptr<EditorDialogs> MakeQtDialogs()
{
    return std::make_unique<QtDialogs>();
}
