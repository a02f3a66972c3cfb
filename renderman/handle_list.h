#pragma once
// qm_dso's shader files: one qm_core handle per file, keyed by the file's
// absolute path compared case-insensitively, kept for the life of the
// library. Guarded by the library lock.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "qm_core.h"

struct HandleData {
    HandleData() = default;
    HandleData(const HandleData&) = delete;
    HandleData& operator=(const HandleData&) = delete;
    // Closes the handle it holds.
    ~HandleData();

    std::string path;           // the file name made absolute: the lookup key
    NHandle* handle = nullptr;  // never null for an entry in the list
};

class HandleList {
public:
    HandleList() = default;
    HandleList(const HandleList&) = delete;
    HandleList& operator=(const HandleList&) = delete;
    // Closes every handle (no end of render) and frees the entries.
    virtual ~HandleList();

    // The handle of the first entry whose path equals key
    // case-insensitively, or null.
    NHandle* Find(std::string_view key) const;
    void Append(std::unique_ptr<HandleData> entry);
    const std::vector<std::unique_ptr<HandleData>>& Entries() const { return entries_; }

private:
    std::vector<std::unique_ptr<HandleData>> entries_;  // in order of first use
};
