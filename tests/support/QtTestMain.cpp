// The one GoogleTest entry point for test programs that need a Qt event loop and nothing
// else: plug notifications, sockets and timers all travel through it.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // A program whose every test skipped itself (a tool is missing) says so to CTest: 77 is
    // "skipped", never "passed".
    const testing::UnitTest &unit = *testing::UnitTest::GetInstance();
    return result == 0 && unit.test_to_run_count() > 0 && unit.skipped_test_count() == unit.test_to_run_count() ? 77 : result;
}
