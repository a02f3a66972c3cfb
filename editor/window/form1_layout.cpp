// The main window's stored layout: menus, tool bar, the canvas panel, the
// side panel with its three tabs and the minimap, and the status line.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "window/drop_paint_box.h"
#include "window/editor_icons.h"
#include "window/form1.h"
#include "window/property_list_view.h"

namespace {

// Window 783 x 540 at (201, 145); the side panel 223 wide, its minimap 163
// high; tool bar 29 high with 21-pixel buttons; status line 19 high.
constexpr int kWindowWidth = 783;
constexpr int kWindowHeight = 540;
constexpr int kSidePanelWidth = 223;
constexpr int kMinimapHeight = 163;
constexpr int kSplitterMinimum = 128;

QVBoxLayout* FillingLayout(QWidget* parent, int spacing = 0)
{
    auto* layout = new QVBoxLayout(parent);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QFrame* BorderedPanel(QWidget* parent)
{
    auto* panel = new QFrame(parent);
    panel->setFrameStyle(QFrame::Box | QFrame::Plain);
    panel->setLineWidth(1);
    return panel;
}

void FillWith(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace

void TForm1::BuildLayout()
{
    resize(kWindowWidth, kWindowHeight);
    move(201, 145);
    BuildToolBar(BuildMenus());

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setHandleWidth(4);
    Splitter1->setChildrenCollapsible(false);

    Panel1 = BorderedPanel(Splitter1);
    Panel1->setFocusPolicy(Qt::ClickFocus);
    Panel1->setMinimumWidth(kSplitterMinimum);
    PaintBox1 = new DropPaintBox(Panel1);
    FillingLayout(Panel1)->addWidget(PaintBox1);
    closeMBtn = new QToolButton(Panel1);
    closeMBtn->setFixedSize(24, 24);
    closeMBtn->setIcon(CloseMacroGlyph());
    closeMBtn->setAutoRaise(true);
    closeMBtn->hide();
    Panel1->installEventFilter(this);
    connect(closeMBtn, &QToolButton::clicked, this, [this] { closeMBtnClick(); });

    Panel2 = BuildSidePanel();
    Panel2->setMinimumWidth(kSplitterMinimum);
    Splitter1->addWidget(Panel1);
    Splitter1->addWidget(Panel2);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({kWindowWidth - kSidePanelWidth - 4, kSidePanelWidth});
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { FormResize(); });
    setCentralWidget(Splitter1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setFixedHeight(19);
    StatusBar1->setSizeGripEnabled(false);
    // A panel of its own, which the menus' and buttons' (empty) status tips
    // leave alone.
    StatusLine = new QLabel(StatusBar1);
    StatusBar1->addWidget(StatusLine, 1);
    setStatusBar(StatusBar1);

    PaintBox1->onPaint = [this](QPainter& p) { PaintBox1Paint(p); };
    PaintBox1->onMouseDown = [this](Qt::MouseButton b, int x, int y) {
        PaintBox1MouseDown(b, x, y);
    };
    PaintBox1->onMouseMove = [this](int x, int y) { PaintBox1MouseMove(x, y); };
    PaintBox1->onMouseUp = [this](Qt::MouseButton b, int x, int y) { PaintBox1MouseUp(b, x, y); };
    PaintBox1->onDragOver = [this](QObject* source) { return PaintBox1DragOver(source); };
    PaintBox1->onDragDrop = [this](QObject* source, int x, int y) {
        PaintBox1DragDrop(source, x, y);
    };
    PaintBox2->onPaint = [this](QPainter& p) { PaintBox2Paint(p); };
    PaintBox2->onMouseDown = [this](Qt::MouseButton b, int x, int y) {
        PaintBox2MouseDown(b, x, y);
    };
    PaintBox3->onPaint = [this](QPainter& p) { PaintBox3Paint(p); };
    PaintBox3->onClick = [this] { PaintBox3Click(); };
}

QWidget* TForm1::BuildSidePanel()
{
    auto* side = new QWidget(Splitter1);
    Splitter2 = new QSplitter(Qt::Vertical, side);
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    FillingLayout(side)->addWidget(Splitter2);

    PageControl1 = new QTabWidget(Splitter2);
    PageControl1->setDocumentMode(true);
    PageControl1->setFocusPolicy(Qt::NoFocus);
    PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);
    PageControl1->tabBar()->setExpanding(false);

    TabSheet1 = new QWidget;
    TreeView1 = new QTreeWidget(TabSheet1);
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    TreeView1->setIconSize(QSize(16, 16));
    TreeView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    TreeView1->setSelectionMode(QAbstractItemView::SingleSelection);
    TreeView1->setDragEnabled(true);
    TreeView1->setDragDropMode(QAbstractItemView::DragOnly);
    FillingLayout(TabSheet1)->addWidget(TreeView1);
    PageControl1->addTab(TabSheet1, QStringLiteral("Nodes"));

    TabSheet2 = new QWidget;
    Edit1 = new QLineEdit(TabSheet2);
    Edit1->setReadOnly(true);
    Edit1->setFixedHeight(20);
    ListView1 = new PropertyListView(TabSheet2);
    ListView1->setColumnCount(2);
    ListView1->setHeaderLabels({QStringLiteral("Item"), QStringLiteral("Value")});
    ListView1->header()->setStretchLastSection(false);
    ListView1->setColumnWidth(0, 96);
    ListView1->setColumnWidth(1, 112);
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    // Run after the click has been handled: the edit may rebuild the list
    // (opening a macro does), which the view must not meet inside its own
    // mouse handling.
    connect(
        ListView1, &QTreeWidget::itemClicked, this, [this] { ListView1Click(); },
        Qt::QueuedConnection);
    ListView1->onDrawItem = [this](QPainter& canvas, const QTreeWidgetItem& row,
                                   const QRect& bounds) { ListView1DrawItem(canvas, row, bounds); };
    QVBoxLayout* propertyLayout = FillingLayout(TabSheet2);
    propertyLayout->addWidget(Edit1);
    propertyLayout->addWidget(ListView1);
    PageControl1->addTab(TabSheet2, QStringLiteral("Property"));

    // The render tab: the size choice at the top, the switch at 24 and the
    // preview panel from 48 down.
    TabSheet3 = new QWidget;
    ComboBox1 = new QComboBox(TabSheet3);
    ComboBox1->addItems({QStringLiteral("64 x 64"), QStringLiteral("96 x 96"),
                         QStringLiteral("128 x 128"), QStringLiteral("192 x 192"),
                         QStringLiteral("256 x 256")});
    ComboBox1->setFixedHeight(21);
    CheckBox1 = new QCheckBox(QStringLiteral("Use anti-aliasing"), TabSheet3);
    CheckBox1->setChecked(true);
    CheckBox1->setFixedHeight(21);
    Panel4 = new QFrame(TabSheet3);
    Panel4->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel4->setLineWidth(2);
    FillWith(Panel4, Panel4->palette().color(QPalette::ButtonText));
    PaintBox3 = new PaintBox(Panel4);
    FillingLayout(Panel4)->addWidget(PaintBox3);
    QVBoxLayout* renderLayout = FillingLayout(TabSheet3, 3);
    renderLayout->addWidget(ComboBox1);
    renderLayout->addWidget(CheckBox1);
    renderLayout->addWidget(Panel4, 1);
    PageControl1->addTab(TabSheet3, QStringLiteral("Render"));
    PageControl1->setCurrentWidget(TabSheet1);

    Panel3 = BorderedPanel(Splitter2);
    FillWith(Panel3, QColor(0, 128, 128));
    PaintBox2 = new PaintBox(Panel3);
    FillingLayout(Panel3)->addWidget(PaintBox2);

    Splitter2->addWidget(PageControl1);
    Splitter2->addWidget(Panel3);
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    Splitter2->setSizes({kWindowHeight - kMinimapHeight, kMinimapHeight});
    return side;
}

std::vector<QAction*> TForm1::BuildMenus()
{
    const auto command = [this](QMenu* menu, const QString& text, auto handler) {
        QAction* action = menu->addAction(text);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    const auto inert = [](QMenu* menu, const QString& text, bool enabled) {
        QAction* action = menu->addAction(text);
        action->setEnabled(enabled);
        return action;
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("File(&F)"));
    QAction* newTree = command(file, QStringLiteral("New tree"), [this] { menuNewClick(); });
    QAction* open = command(file, QStringLiteral("Open"), [this] { menuOpenClick(); });
    file->addSeparator();
    menuSave = command(file, QStringLiteral("Save"), [this] { menuSaveClick(); });
    menuSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    QAction* saveAs = command(file, QStringLiteral("Save as"), [this] { menuSaveAsClick(); });
    file->addSeparator();
    command(file, QStringLiteral("Quit"), [this] { close(); });

    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit(&E)"));
    QAction* cut = command(edit, QStringLiteral("Cut node"), [this] { menuCutClick(); });
    QAction* copy = command(edit, QStringLiteral("Copy node"), [this] { menuCopyClick(); });
    QAction* paste = command(edit, QStringLiteral("Paste node"), [this] { menuPasteClick(); });
    edit->addSeparator();
    QAction* del = command(edit, QStringLiteral("Delete node"), [this] { menuDelNodeClick(); });

    QMenu* render = menuBar()->addMenu(QStringLiteral("Render(&R)"));
    QAction* previewNode =
        command(render, QStringLiteral("Preview current node"), [this] { menuPreviewNode(); });
    QAction* previewAll =
        command(render, QStringLiteral("Preview all nodes"), [this] { menuPreviewAll(); });
    render->addSeparator();
    QAction* previewMaterial =
        command(render, QStringLiteral("Render preview"), [this] { menuPreview(); });
    inert(render, QStringLiteral("Render settings"), false);

    QMenu* help = menuBar()->addMenu(QStringLiteral("Help(&H)"));
    inert(help, QStringLiteral("About this software"), false);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->addAction(previewNode);
    PopupMenu1->addAction(previewAll);
    PopupMenu1->addSeparator();
    menuDisconnect = PopupMenu1->addAction(QStringLiteral("Disconnect"));
    connect(menuDisconnect, &QAction::triggered, this, [this] { menuDisconnectClick(); });
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(cut);
    PopupMenu1->addAction(copy);
    PopupMenu1->addAction(paste);
    PopupMenu1->addSeparator();
    PopupMenu1->addAction(del);

    // The tool bar shows the same commands with pictures; the menus keep
    // their items plain.
    const std::vector<QAction*> toolActions = {newTree, open,  saveAs,         cut,
                                               copy,    paste, previewMaterial};
    for (size_t i = 0; i < toolActions.size(); ++i) {
        toolActions[i]->setIcon(ToolIcon(static_cast<int>(i)));
        toolActions[i]->setIconVisibleInMenu(false);
    }
    return toolActions;
}

void TForm1::BuildToolBar(const std::vector<QAction*>& actions)
{
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setFixedHeight(29);
    ToolBar1->setIconSize(QSize(16, 15));
    ToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ToolBar1->setContextMenuPolicy(Qt::PreventContextMenu);
    // New, Open, Save as | Cut, Copy, Paste | Render preview.
    for (size_t i = 0; i < actions.size(); ++i) {
        if (i == 3 || i == 6) {
            ToolBar1->addSeparator();
        }
        ToolBar1->addAction(actions[i]);
    }
    for (QToolButton* button : ToolBar1->findChildren<QToolButton*>()) {
        button->setFixedHeight(21);
        button->setAutoRaise(true);
    }
}
