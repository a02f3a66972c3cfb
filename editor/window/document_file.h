#pragma once
// Reading and writing a whole .shd document so that a failure never costs
// the user anything: a read goes into a list of its own, and a write goes to
// a temporary file beside the target that replaces it only once everything
// has been written.

#include <string>

class NodeFactory;
class NodeList;

enum class ReadOutcome {
    kRead,        // into holds the file's graph
    kCannotOpen,  // the file cannot be opened for reading, or is no regular file
    kDamaged,     // the file was read but is not a sound graph stream; into is empty
};

// Reads the graph stored at path into the empty list into.
ReadOutcome ReadGraphFile(const std::string& path, NodeList& into, const NodeFactory& factory);

// Writes list to path through a temporary file in the same folder, renamed
// over path (over the file a symbolic link at path names) once written and
// flushed to the disk. The file gets the permissions of the file it
// replaces, or the usual ones for a new file. A file that this process may
// not write is refused. False when anything failed; path is then left
// exactly as it was and no temporary file remains.
bool WriteGraphFile(const std::string& path, NodeList& list);
