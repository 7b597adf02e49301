// Descriptors 0, 1 and 2 for both programs. Started with one of them closed, the first file
// the program opens (a switch's lock file, the settings) would become stdout or stderr and
// receive answers or error text. Each closed one is taken by /dev/null, opened so that a write
// to stdout or stderr fails (and is reported as failed) instead of vanishing as success.
#pragma once

#include <cstdio>

class StandardDescriptors
{
public:
    // Call first thing in main(), before anything opens a file.
    static void ensureOpen();
    // Flushes `stream` and tells whether everything written to it got out; *error is then
    // the errno value of the first failure.
    static bool flushedCleanly(std::FILE *stream, int *error);
};
