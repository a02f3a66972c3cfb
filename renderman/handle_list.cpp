#include "handle_list.h"

#include "common/text_case.h"

HandleData::~HandleData()
{
    if (handle != nullptr) {
        QM_Close(handle);
    }
}

HandleList::~HandleList() = default;

NHandle* HandleList::Find(std::string_view key) const
{
    for (const auto& entry : entries_) {
        if (EqualNoCase(entry->path, key)) {
            return entry->handle;
        }
    }
    return nullptr;
}

void HandleList::Append(std::unique_ptr<HandleData> entry)
{
    entries_.push_back(std::move(entry));
}
