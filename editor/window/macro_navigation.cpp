// Opening a macro's sub-graph in the canvas and leaving it again. Each open
// macro pushes the list, file name and modified flag to return to; leaving a
// changed macro marks the levels it returns to.

#include <QAction>
#include <QToolButton>

#include "window/form1.h"

void TForm1::EnterNodeList(NodeList* list, bool reset)
{
    FinishPropertyEdit();
    if (reset) {
        navStack.Clear();
        currentList = nullptr;
    }
    if (currentList != nullptr) {
        navStack.Push(currentList, fileName, modified);
        closeMBtn->show();
        menuSave->setEnabled(false);
    } else {
        closeMBtn->hide();
        menuSave->setEnabled(true);
    }
    UpdateCaption(QString(), false);
    currentList = list;
    pressedNode = nullptr;
    ShowNodeProperties(nullptr);
    RepaintGraph();
}

void TForm1::closeMBtnClick()
{
    FinishPropertyEdit();
    // A change made in the macro, however it was marked, is a change of each
    // level that holds it, up to the document.
    if (modified) {
        navStack.MarkAllModified();
    }
    std::unique_ptr<NEditData> entry = navStack.Pop();
    if (entry == nullptr) {
        return;
    }
    currentList = entry->list;
    pressedNode = nullptr;
    UpdateCaption(entry->fileName, entry->modified);
    closeMBtn->setVisible(!navStack.Empty());
    menuSave->setEnabled(navStack.Empty());
    ShowNodeProperties(nullptr);
    RepaintGraph();
}
