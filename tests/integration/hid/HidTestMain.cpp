// Entry point of the hidraw tests. The emulated devices only exist for a process that runs
// with the umockdev preload library, so the binary starts itself again with LD_PRELOAD set
// and a private TMPDIR (which the preloaded run removes at its end). Without the preload
// library the tests are skipped (exit 77).
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Set in the preloaded run to its private TMPDIR.
constexpr const char *kChildMarker = "TARVEX_HID_TEST_PRELOADED";
const std::string kTmpPrefix = "/tmp/tarvex-hid-test-";

// Adds `value` to a colon-separated variable, in front or at the end (where it wins).
void extendEnv(const char *name, const std::string &value, bool inFront)
{
    const char *current = std::getenv(name);
    const std::string joined = !current || !*current ? value
                               : inFront              ? value + ":" + current
                                                      : current + (":" + value);
    setenv(name, joined.c_str(), 1);
}

int execPreloaded(char **argv)
{
    const std::string preload = TARVEX_UMOCKDEV_PRELOAD;
    if (!std::filesystem::exists(preload)) {
        std::fprintf(stderr, "libumockdev-preload.so.0 not found: skipping hidraw tests\n");
        return 77;
    }
    std::string tmpdir = kTmpPrefix + "XXXXXX";
    if (!mkdtemp(tmpdir.data())) {
        std::perror("mkdtemp");
        return 1;
    }
    extendEnv("LD_PRELOAD", preload, true);
    // The preload library comes before the sanitizer runtime in the load order.
    extendEnv("ASAN_OPTIONS", "verify_asan_link_order=0", false);
    setenv("TMPDIR", tmpdir.c_str(), 1);
    setenv(kChildMarker, tmpdir.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("execv");
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string tmpdir = std::getenv(kChildMarker) ? std::getenv(kChildMarker) : "";
    if (tmpdir.empty())
        return execPreloaded(argv);
    int result = 0;
    {
        QCoreApplication app(argc, argv);
        testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    std::error_code ignored;
    if (tmpdir.rfind(kTmpPrefix, 0) == 0) // never anything but our own
        std::filesystem::remove_all(tmpdir, ignored);
    return result;
}
