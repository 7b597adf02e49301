// The one GoogleTest entry point for test programs that need a Qt event loop and nothing
// else: plug notifications, sockets and timers all travel through it.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
