#include "window/edit_list.h"

#include <utility>

NEditData::NEditData(NodeList* list_, QString fileName_, bool modified_)
    : list(list_), fileName(std::move(fileName_)), modified(modified_)
{
}

void NEditList::Clear()
{
    entries_.clear();
}

void NEditList::Push(NodeList* list, const QString& fileName, bool modified)
{
    entries_.push_back(std::make_unique<NEditData>(list, fileName, modified));
}

std::unique_ptr<NEditData> NEditList::Pop()
{
    if (entries_.empty()) {
        return nullptr;
    }
    std::unique_ptr<NEditData> last = std::move(entries_.back());
    entries_.pop_back();
    return last;
}

bool NEditList::AnyModified() const
{
    for (const auto& entry : entries_) {
        if (entry->modified) {
            return true;
        }
    }
    return false;
}

void NEditList::MarkAllModified()
{
    for (const auto& entry : entries_) {
        entry->modified = true;
    }
}

NodeList* NEditList::Outermost() const
{
    return entries_.empty() ? nullptr : entries_.front()->list;
}
