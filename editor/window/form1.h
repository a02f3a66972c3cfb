#pragma once
// The editor's main window: the node canvas with its minimap, the palette,
// property and render tabs, the menus and tool bar, and all editing state.
// The document it edits is a NodeList owned by the program's main; the
// window edits the current list, which is the document or, while a macro is
// open, that macro's sub-graph.

#include <cstdint>
#include <memory>
#include <vector>

#include <QMainWindow>
#include <QString>

#include "image/dib24.h"
#include "window/edit_list.h"
#include "window/editor_dialogs.h"

class Node;
class NodeList;
struct NodeParam;
class DropPaintBox;
class PaintBox;
class PropertyListView;
class TGradientEditor;
class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QMimeData;
class QTreeWidgetItem;
class QPainter;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QWidget;

class TForm1 : public QMainWindow {
public:
    // Builds the stored layout and the palette; currentList stays null until
    // EnterNodeList. Installs the macro nodes' edit hook, which opens a
    // macro's sub-graph here.
    explicit TForm1(QWidget* owner = nullptr);
    ~TForm1() override;

    // Answers the window's dialogs and boxes with dialogs from now on.
    void SetDialogs(std::unique_ptr<EditorDialogs> dialogs);
    EditorDialogs& Dialogs() { return *dialogs_; }
    // The gradient editor's colour dialog becomes this window's, so that one
    // interface answers every dialog of the program. The editor must not
    // outlive the window.
    void ShareDialogs(TGradientEditor& editor);

    // --- start-up and state (main window) ---
    void FormCreate();
    void FormDestroy();
    void ResetEditState();
    // A drop of files from a file manager: one .shd file opens as Open
    // would, after the same confirmation; anything else is let go.
    void HandleDropFiles(const QMimeData& data);

    // --- the canvas and the minimap ---
    void PaintBox1Paint(QPainter& canvas);
    void DrawConnection(QPainter& canvas, int64_t sx, int64_t sy, int64_t ex, int64_t ey,
                        const QColor& color);
    void CalcNodeSize(Node& node);
    void PaintBox1MouseDown(Qt::MouseButton button, int x, int y);
    void PaintBox1MouseMove(int x, int y);
    void PaintBox1MouseUp(Qt::MouseButton button, int x, int y);
    void menuDisconnectClick();
    void PaintBox2Paint(QPainter& canvas);
    void PaintBox2MouseDown(Qt::MouseButton button, int x, int y);
    QColor OverviewNodeColor(const Node& node, const QColor& defaultColor) const;
    void FormResize();

    // --- documents, clipboard and macro navigation ---
    void UpdateCaption(const QString& fileName, bool modified);
    void MarkModified();
    void ShowStatusError(const QString& text);
    void ClearStatus();
    // The status line's text.
    QString StatusText() const;
    bool ConfirmDiscard();
    bool FormCloseQuery();
    void menuNewClick();
    void menuOpenClick();
    void menuSaveClick();
    void menuSaveAsClick();
    void menuCopyClick();
    void menuCutClick();
    void menuPasteClick();
    void menuDelNodeClick();
    void closeMBtnClick();
    bool PaintBox1DragOver(QObject* source) const;
    void PaintBox1DragDrop(QObject* source, int x, int y);
    void AddNewNode(std::unique_ptr<Node> node, int x, int y);
    void EnterNodeList(NodeList* list, bool reset);
    // Reads path into the current list as Open does once its dialog and
    // confirmation are past; false (and the list untouched) when the file
    // cannot be read.
    bool OpenDocument(const QString& path);

    // --- the property tab ---
    void ShowNodeProperties(Node* node);
    void ListView1DrawItem(QPainter& canvas, const QTreeWidgetItem& row, const QRect& bounds);
    void ListView1Click();
    // The in-place editors' exit handlers and the text editor's keys (true
    // when the key was handled and is swallowed).
    void CommitEditText();
    bool EditKeyPress(int key);
    void CommitComboChoice();

    // --- the render tab ---
    void ComboBox1Change(int index);
    void PaintBox3Click();
    void PaintBox3Paint(QPainter& canvas);
    void menuPreview();
    void RenderNodeThumbnail(Node* node);
    void menuPreviewNode();
    void menuPreviewAll();

    // Editing state, in the order the window keeps it.
    NEditList navStack;
    NodeList* currentList = nullptr;
    Node* pressedNode = nullptr;
    int32_t pressMode = 0;
    int32_t lastMouseX = 0;
    int32_t lastMouseY = 0;
    bool dragging = false;
    std::unique_ptr<Node> clipboardNode;
    int32_t pendingOutput = 0;
    int32_t scrollX = 0;
    int32_t scrollY = 0;
    QString fileName;
    bool modified = false;
    Node* selectedNode = nullptr;
    NodeParam* editedParam = nullptr;
    int32_t linkStartX = 0;
    int32_t linkStartY = 0;
    QLineEdit* textEditor = nullptr;  // in-place editors of the property list,
    QComboBox* choiceBox = nullptr;   // made on first use
    dib24 preview;

    // The end of the rubber band: the pointer's last place on the canvas.
    int32_t pointerX = 0;
    int32_t pointerY = 0;
    // The pressed node's place when it was pressed, to tell a drag that
    // moved it from one that ended where it started.
    int32_t pressNodeX = 0;
    int32_t pressNodeY = 0;

    // Controls of the stored layout.
    QToolBar* ToolBar1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QFrame* Panel1 = nullptr;
    DropPaintBox* PaintBox1 = nullptr;
    QToolButton* closeMBtn = nullptr;
    QWidget* Panel2 = nullptr;
    QSplitter* Splitter2 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabSheet1 = nullptr;
    QWidget* TabSheet2 = nullptr;
    QWidget* TabSheet3 = nullptr;
    QTreeWidget* TreeView1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    PropertyListView* ListView1 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QFrame* Panel4 = nullptr;
    PaintBox* PaintBox3 = nullptr;
    QFrame* Panel3 = nullptr;
    PaintBox* PaintBox2 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusLine = nullptr;  // its one text panel
    QMenu* PopupMenu1 = nullptr;
    QAction* menuDisconnect = nullptr;
    QAction* menuSave = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildLayout();
    // The menus and the popup; returns the tool bar's seven commands.
    std::vector<QAction*> BuildMenus();
    void BuildToolBar(const std::vector<QAction*>& actions);
    QWidget* BuildSidePanel();
    void FillPalette();
    void PlaceCloseButton();

    // The window's client area (below the menu bar), as the layout counts
    // positions: the pointer's place, and the canvas panel's top-left edge.
    QPoint ClientPointerPos() const;
    QPoint CanvasPanelOrigin() const;

    // Takes node out of the current list (unlinking every input fed by it)
    // and forgets it wherever the window still points at it.
    void RemoveNode(Node* node);
    // After a change to the current list: true, with a status message and
    // the error sound, when the document would no longer read back whole
    // from a file (a chain too long, macros nested too deep); the caller then
    // takes the change back. verb ends the message: "cannot <verb>."
    bool RefuseUnreadable(const QString& verb);
    // Writes the current list to path; reports a failure in the status line.
    // Save and Save as.
    bool SaveCurrentList(const QString& path);
    // Ends an in-place edit of the property list: an open editor commits
    // into its input, which must still exist, and is hidden; editedParam is
    // cleared. Called before rows are rebuilt and before any node can go,
    // and first by every command that reads or replaces the graph (New, Open,
    // a dropped file, Save, Save as, closing, entering and leaving a macro,
    // the preview and the thumbnails): each acts on what the list shows.
    void FinishPropertyEdit();
    // The editors of ListView1Click, given the row's bounds in the list's
    // own coordinates.
    void PickParamColor(NodeParam& param);
    void PickParamFileName(NodeParam& param);
    void ShowChoiceBox(const NodeParam& param, const QRect& row);
    void ShowTextEditor(const NodeParam& param, const QRect& row);
    // The text editor hands the focus back to the list, which commits.
    void LeaveTextEditor();
    // Keys and focus of the in-place editors; true when the event is
    // swallowed.
    bool PropertyEditorEvent(QObject* watched, QEvent* event);
    // Marks the document when a body drag still under way has left its node
    // somewhere else than where it was pressed: the layout is saved work.
    void MarkMovedNode();
    // Canvas, minimap and their frame.
    void RepaintGraph();
    // Draws bitmap with its top-left corner at (x, y), at its own size.
    static void DrawBitmap(QPainter& canvas, const dib24& bitmap, int64_t x, int64_t y);

    std::unique_ptr<EditorDialogs> dialogs_;
    // The text editor's text when the edit started: Esc brings it back, and
    // a commit of this same text leaves the input alone.
    QString textBeforeEdit_;
};

// The one main window, as the engine's hooks reach it; null when none exists.
extern TForm1* Form1;
