#include "window/document_file.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "common/regular_file.h"
#include "model/node_list.h"
#include "model/node_stream.h"

namespace fs = std::filesystem;

ReadOutcome ReadGraphFile(const std::string& path, NodeList& into, const NodeFactory& factory)
{
    // Only a regular file opens, and without waiting: a pipe named x.shd
    // would otherwise freeze the editor until something wrote to it.
    FILE* file = OpenRegularFile(path.c_str());
    if (file == nullptr) {
        return ReadOutcome::kCannotOpen;
    }
    NFileStream stream(file);
    try {
        if (into.Load(stream, factory) && std::ferror(file) == 0) {
            return ReadOutcome::kRead;
        }
    } catch (const std::exception&) {
        // A link to a node the file does not have, or no memory for what
        // the file claims: the list was cleared before the error left it.
    }
    into.Clear();
    return ReadOutcome::kDamaged;
}

namespace {

// The file a write to path replaces: path itself, or the file a symbolic
// link at path names, so that the link stays a link.
fs::path WriteTarget(const std::string& path)
{
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path resolved = fs::weakly_canonical(path, ec);
        if (!ec) {
            return resolved;
        }
    }
    return fs::path(path);
}

// The permissions a new file would get from fopen, or those of the file
// being replaced.
mode_t TargetMode(const fs::path& target)
{
    struct stat st {};
    if (stat(target.c_str(), &st) == 0) {
        return st.st_mode & 07777;
    }
    const mode_t mask = umask(0);
    umask(mask);
    return 0666 & ~mask;
}

}  // namespace

bool WriteGraphFile(const std::string& path, NodeList& list)
{
    const fs::path target = WriteTarget(path);
    // A file its owner keeps from being written stays as it is, as it
    // would for a write in place; the rename below would not ask.
    if (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0) {
        return false;
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');

    const int fd = mkstemp(name.data());
    if (fd < 0) {
        return false;
    }
    const std::string temporary(name.data());
    bool written = fchmod(fd, TargetMode(target)) == 0;
    FILE* file = written ? fdopen(fd, "wb") : nullptr;
    if (file == nullptr) {
        close(fd);
        unlink(temporary.c_str());
        return false;
    }
    {
        NFileStream stream(file);
        list.Save(stream);
        written = std::fflush(file) == 0 && std::ferror(file) == 0 && fsync(fileno(file)) == 0;
        stream.file = nullptr;  // closed here, where its result counts
        written = std::fclose(file) == 0 && written;
    }
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}
