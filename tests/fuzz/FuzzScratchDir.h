// A private scratch directory for harnesses whose reader takes a file: made once per process
// (in RAM when /dev/shm exists, since a fuzzer writes the file thousands of times a second)
// and removed at exit.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzscratch {

inline std::string &dir()
{
    // Never destroyed: the exit handler below still needs it after static destructors ran.
    static std::string &path = *new std::string([] {
        std::string base = "/dev/shm";
        if (access(base.c_str(), W_OK) != 0) {
            const char *tmp = std::getenv("TMPDIR");
            base = tmp && *tmp ? tmp : "/tmp";
        }
        std::string pattern = base + "/tarvex-fuzz-XXXXXX";
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
