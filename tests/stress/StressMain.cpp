// Entry point of the simulator stress tests: the simulated bus delivers plug and unplug
// notifications through the Qt event loop, so the tests need a QCoreApplication.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
