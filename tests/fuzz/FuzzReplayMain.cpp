// Replays fuzz inputs without libFuzzer: every file of the directories (or the files) named
// on the command line goes once through the harness's LLVMFuzzerTestOneInput, so the corpus
// and every crash ever found run as ordinary tests (and under ASan in the asan build).
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) __attribute__((weak));

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    std::vector<std::filesystem::path> files;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (std::filesystem::is_directory(argv[i], ec)) {
            for (const auto &entry : std::filesystem::recursive_directory_iterator(argv[i]))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else if (std::filesystem::is_regular_file(argv[i], ec)) {
            files.emplace_back(argv[i]);
        } else {
            return std::fprintf(stderr, "replay: %s: no such file or directory\n", argv[i]), 1;
        }
    }
    if (files.empty()) // an empty corpus would pass while testing nothing
        return std::fprintf(stderr, "replay: no inputs found\n"), 1;
    for (const auto &file : files) {
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t *>(bytes.data()), bytes.size());
    }
    std::printf("replay: %zu inputs, no crash\n", files.size());
    return 0;
}
