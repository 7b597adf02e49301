// Shared fixture for the usb tests: a simulated bus wired into the IOWarrior layer, and
// captures of what the layer prints on stderr and logs in "tarvex.hid".
#pragma once

#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using Bytes = std::array<std::uint8_t, 8>;

// What `run` printed on file descriptor 2, where the layer's fixed-format diagnostics go.
template <typename F>
std::string stderrOf(F &&run)
{
    testing::internal::CaptureStderr();
    run();
    return testing::internal::GetCapturedStderr();
}

// The "tarvex.hid" lines logged while `run` ran with the category's debug level on.
template <typename F>
std::vector<std::string> traceOf(F &&run)
{
    static std::vector<std::string> *lines = nullptr;
    std::vector<std::string> captured;
    lines = &captured;
    QLoggingCategory::setFilterRules(QStringLiteral("tarvex.hid.debug=true"));
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &context, const QString &text) {
            if (qstrcmp(context.category, "tarvex.hid") == 0)
                lines->push_back(text.toStdString());
        });
    run();
    qInstallMessageHandler(previous);
    QLoggingCategory::setFilterRules(QString());
    return captured;
}

class UsbLayerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        IOWarriorSetPlatform(&sim);
        ASSERT_EQ(IOWarriorInit(), 0);
    }
    void TearDown() override
    {
        QCoreApplication::processEvents();
        IOWarriorClearInterfaceList();
        IOWarriorSetDeviceCallback(nullptr, nullptr);
        IOWarriorSetDeviceAddedCallback(nullptr, nullptr);
        IOWarriorSetDeviceRemovedCallback(nullptr, nullptr);
        IOWarriorSetPlatform(nullptr);
    }

    static std::vector<IOWarriorListNodeStruct *> nodes()
    {
        std::vector<IOWarriorListNodeStruct *> result;
        for (IOWarriorListNodeStruct *node = gIOWarriorList; node; node = node->next)
            result.push_back(node);
        return result;
    }
    // The handle of the index-th interface after a count (a rebuild when the list is dirty).
    static IOWarriorHIDDeviceInterface *interfaceAt(int index)
    {
        IOWarriorCountInterfaces();
        IOWarriorListNodeStruct *node = IOWarriorInterfaceListNodeAtIndex(index);
        return node ? node->hidInterface : nullptr;
    }

    tarvex::SimHidPlatform sim;
};
