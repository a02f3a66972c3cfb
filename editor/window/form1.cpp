// The main window's life: construction in the order the editor relies on,
// the window-wide events (close, resize, files dropped from a file manager)
// and the reset of the editing state.

#include "window/form1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QToolButton>
#include <QUrl>

#include "gradient_editor.h"
#include "model/edit_hooks.h"
#include "model/node.h"
#include "window/drop_paint_box.h"

TForm1* Form1 = nullptr;

TForm1::TForm1(QWidget* owner) : QMainWindow(owner), dialogs_(MakeQtDialogs())
{
    BuildLayout();
    preview.Create(128, 128, 24);  // the size of "128 x 128", chosen below
    UpdateCaption(QString(), false);
    ResetEditState();
    FillPalette();
    ComboBox1->setCurrentIndex(2);
    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            [this](int index) { ComboBox1Change(index); });
    FormCreate();

    Form1 = this;
    TheEditHooks().enterNodeList = [](NodeList* subGraph) {
        if (Form1 != nullptr) {
            Form1->EnterNodeList(subGraph, false);
        }
    };
}

TForm1::~TForm1()
{
    // The controls go after the window's own state: none of their signals
    // (a combo box emptied on its way out) may reach the window any more.
    for (QObject* child : findChildren<QObject*>()) {
        child->disconnect(this);
    }
    // An edit still open is dropped: the editors go with the list, and the
    // document may go before them.
    editedParam = nullptr;
    for (QWidget* editor : {static_cast<QWidget*>(textEditor), static_cast<QWidget*>(choiceBox)}) {
        if (editor != nullptr) {
            editor->removeEventFilter(this);
        }
    }
    FormDestroy();
    if (Form1 == this) {
        TheEditHooks().enterNodeList = nullptr;
        Form1 = nullptr;
    }
}

void TForm1::SetDialogs(std::unique_ptr<EditorDialogs> dialogs)
{
    dialogs_ = std::move(dialogs);
}

void TForm1::ShareDialogs(TGradientEditor& editor)
{
    editor.ColorDialog1 = [this](QWidget* parent, QColor& colour) {
        return Dialogs().AskColor(parent, colour);
    };
}

void TForm1::FormCreate()
{
    setMinimumSize(480, 360);
    setAcceptDrops(true);
}

void TForm1::FormDestroy()
{
    // The clipboard node may hold an image of the image cache, which outlives
    // the window.
    clipboardNode.reset();
}

void TForm1::ResetEditState()
{
    FinishPropertyEdit();
    pressedNode = nullptr;
    scrollX = 0;
    scrollY = 0;
    dragging = false;
    clipboardNode.reset();
    selectedNode = nullptr;
}

void TForm1::closeEvent(QCloseEvent* event)
{
    if (FormCloseQuery()) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm1::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
    }
}

void TForm1::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    HandleDropFiles(*event->mimeData());
}

void TForm1::HandleDropFiles(const QMimeData& data)
{
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return;
    }
    const QString path = urls.front().toLocalFile();
    const QFileInfo file(path);
    // The Open dialog offers only files that exist; a drop of one that does
    // not is finished without asking anything.
    if (file.suffix().compare(QStringLiteral("shd"), Qt::CaseInsensitive) != 0 || !file.exists()) {
        return;
    }
    FinishPropertyEdit();
    if (ConfirmDiscard()) {
        OpenDocument(path);
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Panel1 && event->type() == QEvent::Resize) {
        PlaceCloseButton();
    }
    if (PropertyEditorEvent(watched, event)) {
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::PlaceCloseButton()
{
    // At (517, 2) in the stored layout, kept at the same distance from the
    // panel's right edge.
    constexpr int kRightMargin = 7;
    closeMBtn->move(Panel1->width() - closeMBtn->width() - kRightMargin, 2);
    closeMBtn->raise();
}

void TForm1::FormResize()
{
    update();
    RepaintGraph();
}

void TForm1::RepaintGraph()
{
    PaintBox1->update();
    PaintBox2->update();
}

QPoint TForm1::ClientPointerPos() const
{
    return mapFromGlobal(QCursor::pos()) -
           QPoint(0, menuBar()->isNativeMenuBar() ? 0 : menuBar()->height());
}

QPoint TForm1::CanvasPanelOrigin() const
{
    return Panel1->mapTo(this, QPoint(0, 0)) -
           QPoint(0, menuBar()->isNativeMenuBar() ? 0 : menuBar()->height());
}
