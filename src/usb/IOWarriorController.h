// The registry of attached switches: serial text -> control-interface node (kind 3).
// Refreshed at start and after every plug or unplug; each refresh sends every switch
// the mode set-up report. Nodes are borrowed from the IOWarrior list, never kept.
#pragma once

#include "usb/IOWarriorLib.h"
#include "usb/SwitchStatusRecord.h"

#include <QMap>
#include <QString>
#include <chrono>
#include <functional>

class IOWarriorController
{
public:
    IOWarriorController();
    ~IOWarriorController();
    IOWarriorController(const IOWarriorController &) = delete;
    IOWarriorController &operator=(const IOWarriorController &) = delete;

    // The first instance that was created and is still alive, or null.
    static IOWarriorController *sharedApplication();

    // Lets a higher layer keep the set-up report off a switch that another program is using:
    // each refresh hands the guard the switch's serial and the write, which it runs or not.
    // The switch is listed either way. Null (the default): every switch gets its set-up.
    using SetUpGuard = void (*)(const QString &serial, const std::function<void()> &sendSetUp);
    static void setSetUpGuard(SetUpGuard guard);
    // How the pauses within an exchange are waited; tests run them on virtual time. Null (the
    // default): the calling thread sleeps.
    using Pause = void (*)(std::chrono::microseconds);
    static void setPause(Pause pause);

    void findAttachedDevices();
    IOWarriorListNodeStruct *deviceWithSerial(const QString &serial) const; // null QString -> null
    const QMap<QString, IOWarriorListNodeStruct *> &allDevices() const { return mAttachedDevices; }
    // Query request, query transfer, read of input report 9, each followed by 1 ms.
    // 0 when all three transfers succeeded, -1 when one failed (its status in record.result).
    std::int32_t readValueFromIOWarrior(IOWarriorListNodeStruct *node, SwitchStatusRecord &record);

private:
    QMap<QString, IOWarriorListNodeStruct *> mAttachedDevices;
};
