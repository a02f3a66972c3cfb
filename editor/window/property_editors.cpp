// The property list's in-place editors: a drop-down list of an input's
// choices and a borderless text box, both children of the list, made on
// first use and reused. An edit ends when its editor loses the focus: Enter
// or Esc in the text box, or a click elsewhere.

#include <cmath>

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStringList>

#include "model/node.h"
#include "window/form1.h"
#include "window/property_list_view.h"
#include "window/tree_item_data.h"

namespace {

// The options of a choice input, one per line; as many as the engine counts
// (an empty text has none, a trailing line break ends in an empty option).
QStringList ChoiceLines(const std::string& options)
{
    if (options.empty()) {
        return {};
    }
    return QString::fromStdString(options).split(QLatin1Char('\n'));
}

// The chosen option: component 0 truncated; -1 (no selection) when that is
// not an option's index.
int ChoiceIndex(double chosen, qsizetype count)
{
    const double i = std::trunc(chosen);
    return i >= 0.0 && i < static_cast<double>(count) ? static_cast<int>(i) : -1;
}

// Focus that leaves for a popup (a menu, the choice box's own list, and the
// widgets inside them) or leaves the window (a modal dialog, another
// program) comes back: the edit goes on.
bool EndsEdit(const QEvent& event)
{
    if (event.type() != QEvent::FocusOut || QApplication::activePopupWidget() != nullptr) {
        return false;
    }
    const Qt::FocusReason reason = static_cast<const QFocusEvent&>(event).reason();
    return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

// Repaints the row of param in list.
void RepaintRow(QTreeWidget& list, const NodeParam& param)
{
    for (int i = 0; i < list.topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = list.topLevelItem(i);
        if (ItemData<NodeParam>(row) == &param) {
            list.viewport()->update(list.visualItemRect(row));
        }
    }
}

}  // namespace

bool TForm1::PropertyEditorEvent(QObject* watched, QEvent* event)
{
    if (watched == textEditor && textEditor != nullptr) {
        if (event->type() == QEvent::KeyPress) {
            return EditKeyPress(static_cast<QKeyEvent*>(event)->key());
        }
        if (EndsEdit(*event)) {
            CommitEditText();
        }
    } else if (watched == choiceBox && choiceBox != nullptr && EndsEdit(*event)) {
        CommitComboChoice();
    }
    return false;
}

void TForm1::ShowChoiceBox(const NodeParam& param, const QRect& row)
{
    if (choiceBox == nullptr) {
        choiceBox = new QComboBox(ListView1);
        choiceBox->setEditable(false);
        choiceBox->installEventFilter(this);
    }
    const int c0 = ListView1->columnWidth(0);
    choiceBox->clear();
    const QStringList options = ChoiceLines(param.value.text);
    choiceBox->addItems(options);
    choiceBox->setCurrentIndex(ChoiceIndex(param.value.components[0], options.size()));
    choiceBox->setGeometry(row.left() + c0 + 1, row.top() - 4, row.width() - c0 - 1,
                           row.height() - 1);
    choiceBox->show();
    choiceBox->raise();
    choiceBox->setFocus(Qt::OtherFocusReason);
}

void TForm1::ShowTextEditor(const NodeParam& param, const QRect& row)
{
    if (textEditor == nullptr) {
        textEditor = new QLineEdit(ListView1);
        textEditor->setFrame(false);
        textEditor->installEventFilter(this);
    }
    QPalette palette = textEditor->palette();
    palette.setColor(QPalette::Base, ListView1->palette().color(QPalette::Base));
    textEditor->setPalette(palette);
    const int c0 = ListView1->columnWidth(0);
    textEditor->setGeometry(row.left() + c0 + 1, row.top(), row.width() - c0 - 1, row.height() - 1);
    textBeforeEdit_ = QString::fromStdString(param.ValueText());
    textEditor->setText(textBeforeEdit_);
    textEditor->show();
    textEditor->raise();
    textEditor->setFocus(Qt::OtherFocusReason);
    // As an edit box entered from the program: all of its text selected, so
    // that typing replaces it.
    textEditor->selectAll();
}

void TForm1::CommitEditText()
{
    if (textEditor == nullptr || textEditor->isHidden()) {
        return;  // committed already
    }
    const QString text = textEditor->text();
    textEditor->hide();
    // The text shows the value rounded to three decimals: the same text
    // given back would round the value, so it leaves the input alone.
    if (editedParam != nullptr && text != textBeforeEdit_) {
        editedParam->SetFromText(text.toStdString());
    }
}

bool TForm1::EditKeyPress(int key)
{
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        LeaveTextEditor();
        return true;
    case Qt::Key_Escape:
        // The text from before the edit comes back; its commit changes
        // nothing.
        textEditor->setText(textBeforeEdit_);
        LeaveTextEditor();
        return true;
    default:
        return false;
    }
}

void TForm1::LeaveTextEditor()
{
    ListView1->setFocus(Qt::OtherFocusReason);
    // The focus-out commits; without an active window no focus moves, and
    // the commit happens here.
    CommitEditText();
}

void TForm1::CommitComboChoice()
{
    if (choiceBox == nullptr || choiceBox->isHidden()) {
        return;
    }
    const int index = choiceBox->currentIndex();
    choiceBox->hide();
    if (editedParam != nullptr) {
        editedParam->value.components[0] = index;
        // The box sat above the row's lower edge: what shows below it is
        // the old choice until the row is drawn again.
        RepaintRow(*ListView1, *editedParam);
    }
}

void TForm1::FinishPropertyEdit()
{
    CommitEditText();
    CommitComboChoice();
    editedParam = nullptr;
}
