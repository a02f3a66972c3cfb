#pragma once
// Opening a file that a user or a shader names, for reading.

#include <cstdio>

// Opens path for binary reading ("rb") when it names a regular file, or a
// symbolic link to one. Anything else counts as a file that cannot be
// opened: a directory, a device, and a named pipe (FIFO), whose open would
// otherwise block until some other process opened it for writing. The open
// itself never waits, and the descriptor is closed on exec. The stream
// reads in the usual blocking mode. Null on failure or for a null path;
// the caller closes the stream with fclose.
FILE* OpenRegularFile(const char* path);
