// Entry point of the hidraw tests. The emulated devices exist only for a process that runs
// with the umockdev preload library, so the binary starts itself again with LD_PRELOAD set
// and a private TMPDIR, which the preloaded run removes at its end. Without the preload
// library the tests are skipped (exit 77).
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char **argv)
{
    const char *marker = "TARVEX_HID_TEST_PRELOADED"; // the preloaded run's private TMPDIR
    const std::string prefix = "/tmp/tarvex-hid-test-";
    if (!std::getenv(marker)) {
        if (!std::filesystem::exists(TARVEX_UMOCKDEV_PRELOAD)) {
            std::fprintf(stderr, "libumockdev-preload.so.0 not found: skipping hidraw tests\n");
            return 77;
        }
        std::string tmpdir = prefix + "XXXXXX";
        if (!mkdtemp(tmpdir.data()))
            return std::perror("mkdtemp"), 1;
        const char *preload = std::getenv("LD_PRELOAD");
        setenv("LD_PRELOAD", (std::string(TARVEX_UMOCKDEV_PRELOAD) + (preload && *preload ? ":" + std::string(preload) : "")).c_str(), 1);
        // The preload library comes before the sanitizer runtime in the load order.
        const char *asan = std::getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", ((asan && *asan ? std::string(asan) + ":" : "") + "verify_asan_link_order=0").c_str(), 1);
        setenv("TMPDIR", tmpdir.c_str(), 1);
        setenv(marker, tmpdir.c_str(), 1);
        execv("/proc/self/exe", argv);
        return std::perror("execv"), 1;
    }
    int result = 0;
    {
        QCoreApplication app(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    const std::string tmpdir = std::getenv(marker);
    std::error_code ignored;
    if (tmpdir.rfind(prefix, 0) == 0) // never anything but our own
        std::filesystem::remove_all(tmpdir, ignored);
    return result;
}
