// Test entry of the switch-layer tests: an event loop (transfers, checks and the simulated bus
// run on it) and switch locks of their own, so that a transfer here never holds a simulated
// switch that a test running beside this one addresses.
#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit()); // children inherit it
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
