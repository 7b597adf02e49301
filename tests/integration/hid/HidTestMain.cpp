// Entry point of the hidraw integration tests. The emulated devices only exist for a
// process that runs with the umockdev preload library, so the binary starts itself again
// with LD_PRELOAD set, in a private TMPDIR, and passes on the child's result. Without the
// preload library the tests are skipped (exit 77).
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr const char *kChildMarker = "TARVEX_HID_TEST_PRELOADED";

std::string preloadLibrary()
{
    const std::string configured = TARVEX_UMOCKDEV_PRELOAD;
    if (std::filesystem::exists(configured))
        return configured;
    for (const char *dir : {"/usr/lib/x86_64-linux-gnu", "/usr/lib64", "/usr/lib", "/usr/local/lib"}) {
        const std::string candidate = std::string(dir) + "/libumockdev-preload.so.0";
        if (std::filesystem::exists(candidate))
            return candidate;
    }
    return {};
}

std::string appendOption(const char *name, const std::string &option)
{
    const char *current = std::getenv(name);
    return current && *current ? std::string(current) + ":" + option : option;
}

int runPreloadedChild(char **argv)
{
    const std::string preload = preloadLibrary();
    if (preload.empty()) {
        std::fprintf(stderr, "libumockdev-preload.so.0 not found: skipping hidraw tests\n");
        return 77;
    }
    char tmpl[] = "/tmp/tarvex-hid-test-XXXXXX";
    const char *tmpdir = mkdtemp(tmpl);
    if (!tmpdir) {
        std::perror("mkdtemp");
        return 1;
    }

    const pid_t child = fork();
    if (child < 0) {
        std::perror("fork");
        return 1;
    }
    if (child == 0) {
        const char *oldPreload = std::getenv("LD_PRELOAD");
        const std::string ldPreload =
            oldPreload && *oldPreload ? preload + ":" + oldPreload : preload;
        setenv("LD_PRELOAD", ldPreload.c_str(), 1);
        setenv("TMPDIR", tmpdir, 1);
        setenv(kChildMarker, "1", 1);
        // The preload library comes before the sanitizer runtime in the load order.
        setenv("ASAN_OPTIONS", appendOption("ASAN_OPTIONS", "verify_asan_link_order=0").c_str(), 1);
        execv("/proc/self/exe", argv);
        std::perror("execv");
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    std::error_code ignored;
    std::filesystem::remove_all(tmpdir, ignored);
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    std::fprintf(stderr, "hidraw test process died with signal %d\n", WTERMSIG(status));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (!std::getenv(kChildMarker))
        return runPreloadedChild(argv);
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
