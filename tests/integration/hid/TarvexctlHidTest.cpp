// tarvexctl as a subprocess against an emulated hidraw switch: the child inherits the
// umockdev preload and testbed of this process, so it finds the chip through udev and talks
// to it through the real Linux backend. Checks exit statuses, JSON and the bytes on the wire.
#include "HidTestbed.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tarvex::test;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Outcome {
    int exitCode = -1;
    QString out, err;
};

Outcome runTarvexctl(const QStringList &arguments)
{
    // A private config dir: no stored "Selected Switch" of the user steers the choice.
    QTemporaryDir config;
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(TARVEXCTL_PATH), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << arguments.join(' ').toStdString();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A "Tarvex mini" (identifier 2) with firmware 1.5 showing port 2. The reply to report 9
// depends on the query code of the last query request (09 02 code arg) written.
Bytes answerQuery(const std::vector<Bytes> &writes)
{
    const auto request = std::find_if(writes.rbegin(), writes.rend(), [](const Bytes &w) {
        return w.size() >= 3 && w[0] == 0x09 && w[1] == 0x02;
    });
    if (request == writes.rend())
        return {0x09, 0, 0, 0, 0, 0, 0, 0};
    const std::uint8_t code = (*request)[2];
    switch (code) {
    case 0x00: return {0x09, 0x02, code, 0, 1, 5, 0, 0};
    case 0x02: return {0x09, 0x02, code, 0, 1, 0, 0, 0};
    case 0x03: return {0x09, 0x02, code, 0, 2, 0, 0, 0};
    default: return {0x09, 0x02, code, 0, 0, 0, 0, 0};
    }
}

} // namespace

TEST(TarvexctlOnHidraw, ListsAndSwitchesAnEmulatedMini)
{
    EmulatedHidraw iface0, control;
    control.setInputReplier(answerQuery);
    HidTestbed bed;
    ChipLayout chip;
    chip.serial = "000012AB";
    bed.addChip(chip, {&iface0, &control});

    const Outcome list = runTarvexctl({QStringLiteral("--json"), QStringLiteral("list")});
    EXPECT_EQ(list.exitCode, 0) << list.err.toStdString();
    const QJsonArray switches =
        QJsonDocument::fromJson(list.out.toUtf8()).object()[QStringLiteral("switches")].toArray();
    ASSERT_EQ(switches.size(), 1) << list.out.toStdString() << list.err.toStdString();
    const QJsonObject mini = switches[0].toObject();
    EXPECT_EQ(mini[QStringLiteral("serial")].toString(), "000012AB");
    EXPECT_EQ(mini[QStringLiteral("model")].toString(), "Tarvex mini");
    EXPECT_EQ(mini[QStringLiteral("firmware")].toString(), "1.5");
    EXPECT_EQ(mini[QStringLiteral("port")].toInt(), 2);

    const Bytes portSelect = {0x09, 0x03, 0x0B, 0x01, 0x01, 0x00, 0x00, 0x00};
    const Outcome port2 = runTarvexctl({QStringLiteral("port"), QStringLiteral("2")});
    EXPECT_EQ(port2.exitCode, 0) << port2.err.toStdString();
    const auto afterPort2 = control.writes();
    EXPECT_EQ(std::count(afterPort2.begin(), afterPort2.end(), portSelect), 1);

    // Out of range for a two-port model: refused before anything is sent.
    const Outcome port3 = runTarvexctl({QStringLiteral("port"), QStringLiteral("3")});
    EXPECT_EQ(port3.exitCode, 1);
    EXPECT_EQ(port3.err, "tarvexctl: Tarvex mini has 2 ports; port 3 does not exist\n");
    const auto afterPort3 = control.writes();
    EXPECT_TRUE(std::none_of(afterPort3.begin() + std::ptrdiff_t(afterPort2.size()), afterPort3.end(),
                             [](const Bytes &w) { return w.size() >= 3 && w[1] == 0x03 && w[2] == 0x0B; }));
    EXPECT_TRUE(iface0.writes().empty());
}

// An empty list is an answer; a command that needs a switch fails without one.
TEST(TarvexctlOnHidraw, NoChip)
{
    HidTestbed bed;
    const Outcome list = runTarvexctl({QStringLiteral("list")});
    EXPECT_EQ(list.exitCode, 0);
    EXPECT_EQ(list.out, "No Tarvex switch attached.\n");
    const Outcome status = runTarvexctl({QStringLiteral("status")});
    EXPECT_EQ(status.exitCode, 1);
    EXPECT_EQ(status.err, "tarvexctl: No Tarvex switch attached.\n");
}
