// A private scratch directory for harnesses whose reader takes a file: made once per process
// (in RAM where /dev/shm is writable: a fuzzer rewrites the file thousands of times a second)
// and removed at exit.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzscratch {

inline std::string &dir()
{
    // Never destroyed: the exit handler still needs it after static destructors ran.
    static std::string &path = *new std::string([] {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
        pattern += "/tarvex-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(dir(), ec);
        });
        return pattern;
    }());
    return path;
}

} // namespace fuzzscratch
