#pragma once
// The macro navigation stack: one entry per macro opened in the main window,
// holding what to return to when it is left.

#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

class NodeList;

struct NEditData {
    NEditData(NodeList* list, QString fileName, bool modified);

    NodeList* list;    // the list current before the macro opened; not owned
    QString fileName;  // the file name at that moment
    bool modified;     // the modified flag at that moment
};

class NEditList {
public:
    // Deletes every entry.
    void Clear();
    // Appends an entry with these values (the innermost open macro).
    void Push(NodeList* list, const QString& fileName, bool modified);
    // Takes the last entry off; null when there is none.
    std::unique_ptr<NEditData> Pop();

    // Whether a level to return to holds changes not saved yet.
    bool AnyModified() const;
    // Sets the modified flag of every level to return to: a change inside a
    // macro is a change of each list that holds it, up to the document.
    void MarkAllModified();
    // The list of the first entry (the document while a macro is open);
    // null when the stack is empty.
    NodeList* Outermost() const;

    bool Empty() const { return entries_.empty(); }
    size_t Size() const { return entries_.size(); }

private:
    std::vector<std::unique_ptr<NEditData>> entries_;
};
