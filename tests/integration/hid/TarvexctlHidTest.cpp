// tarvexctl as a child process against an emulated hidraw switch: the child inherits the
// umockdev preload and testbed of this process, so it finds the chip through udev and talks
// to it through the real Linux backend: what it lists, the report trace, the wire bytes.
#include "HidTestbed.h" // glib first: Qt's "signals" keyword breaks its headers

#include "ChildProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarvex::test;

namespace {

ChildProcess::Result tarvexctl(const QStringList &arguments)
{
    QProcessEnvironment env;
    // Time-outs a busy machine cannot miss, and the report trace on.
    env.insert(QStringLiteral("TARVEX_HID_TIMEOUTS_MS"), QStringLiteral("30000,30000"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tarvex.hid.debug=true"));
    return ChildProcess::run(QStringLiteral(TARVEXCTL_PATH), arguments, env);
}

// A "Tarvex mini" (identifier 2) with firmware 1.5 showing port 2: the reply to report 9
// depends on the query code of the last query request (09 02 code arg) written.
Bytes answerQuery(const std::vector<Bytes> &writes)
{
    const auto request = std::find_if(writes.rbegin(), writes.rend(),
                                      [](const Bytes &w) { return w.size() >= 3 && w[0] == 0x09 && w[1] == 0x02; });
    const std::uint8_t code = request == writes.rend() ? 0xFF : (*request)[2];
    const std::uint8_t value = code == 0x00 ? 1 : code == 0x02 ? 1 : code == 0x03 ? 2 : 0;
    return {0x09, 0x02, code, 0, value, std::uint8_t(code == 0x00 ? 5 : 0), 0, 0};
}

} // namespace

TEST(TarvexctlOnHidraw, ListsSwitchesAndTracesAnEmulatedMini)
{
    EmulatedHidraw iface0, control;
    control.setInputReplier(answerQuery);
    HidTestbed bed;
    bed.addChip({.serial = "000012AB"}, {&iface0, &control});

    const auto list = tarvexctl({QStringLiteral("--json"), QStringLiteral("list")});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QJsonArray switches = QJsonDocument::fromJson(list.out.toUtf8()).object()[QStringLiteral("switches")].toArray();
    ASSERT_EQ(switches.size(), 1) << list.out.toStdString() << list.err.toStdString();
    const QJsonObject mini = switches[0].toObject();
    EXPECT_EQ(mini[QStringLiteral("serial")].toString(), "000012AB");
    EXPECT_EQ(mini[QStringLiteral("model")].toString(), "Tarvex mini");
    EXPECT_EQ(mini[QStringLiteral("firmware")].toString(), "1.5");
    EXPECT_EQ(mini[QStringLiteral("port")].toInt(), 2);

    const auto port2 = tarvexctl({QStringLiteral("port"), QStringLiteral("2")});
    EXPECT_EQ(port2.exitCode, 0) << port2.err.toStdString();
    EXPECT_TRUE(port2.err.contains(QStringLiteral("tarvex.hid: 000012AB if=1 write 09 03 0B 01 01 00 00 00\n")))
        << port2.err.toStdString();
    const auto afterPort2 = control.writes();
    EXPECT_EQ(std::count(afterPort2.begin(), afterPort2.end(), Bytes{0x09, 0x03, 0x0B, 0x01, 0x01, 0, 0, 0}), 1);

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
    EXPECT_EQ(status.err, "tarvexctl: No Tarvex switch attached.\n");
}
