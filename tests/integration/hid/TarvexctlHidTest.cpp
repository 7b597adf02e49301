// tarvexctl as a child process against an emulated hidraw switch: the child inherits the
// umockdev preload and testbed of this process, so it finds the chip through udev and talks
// to it through the real Linux backend, with the report trace on.
#include "HidTestbed.h"

#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarvex::test;

TEST(TarvexctlOnHidraw, PortTwoReachesTheControlInterfaceAndIsTraced)
{
    EmulatedHidraw iface0, control;
    control.setInputReply({0x09, 0x02, 0x03, 0, 1, 0, 0, 0}); // a "Tarvex Pro DVI SL"
    HidTestbed bed;
    bed.addChip({.serial = "000012AB"}, {&iface0, &control});
    QProcessEnvironment env;
    // Time-outs a busy machine cannot miss, and the report trace on.
    env.insert(QStringLiteral("TARVEX_HID_TIMEOUTS_MS"), QStringLiteral("30000,30000"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tarvex.hid.debug=true"));
    const auto port2 = ChildProcess::run(QStringLiteral(TARVEXCTL_PATH), {QStringLiteral("port"), QStringLiteral("2")}, env);
    EXPECT_EQ(port2.exitCode, 0) << port2.err.toStdString();
    EXPECT_TRUE(port2.err.contains(QStringLiteral("tarvex.hid: 000012AB if=1 write 09 03 0B 01 01 00 00 00\n")))
        << port2.err.toStdString();
    const auto writes = control.writes();
    EXPECT_EQ(std::count(writes.begin(), writes.end(), Bytes{0x09, 0x03, 0x0B, 0x01, 0x01, 0, 0, 0}), 1);
    EXPECT_TRUE(iface0.writes().empty());
}

// An empty list is an answer; a command that needs a switch fails without one.
TEST(TarvexctlOnHidraw, NoChip)
{
    HidTestbed bed;
    const auto list = ChildProcess::run(QStringLiteral(TARVEXCTL_PATH), {QStringLiteral("list")});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "No Tarvex switch attached.\n");
    const auto status = ChildProcess::run(QStringLiteral(TARVEXCTL_PATH), {QStringLiteral("status")});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_EQ(status.err, "tarvexctl: no Tarvex switch attached\n");
}
