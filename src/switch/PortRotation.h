// Port commands and timed rotation: the port select a command sends, and the repeating timer
// that shows a switch's computers one after another while its USB connection stays with the
// computer that was active at the start. The switches addressed are AddressedSwitches'
// decision: the selected one, or several that switch together, in lockstep, each from its own
// active port. Every command and step waits behind DeviceGate, so none falls between the
// records of a firmware transfer or into a hot-plug refresh. QtCore only: the tray
// application and tarvexctl share it.
#pragma once

#include "switch/AddressedSwitches.h"
#include "usb/IOWarriorLib.h"

#include <QJsonValue>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <cstdint>
#include <functional>

class QTimer;

// The rotation's position, kept between rotations for the life of the process: the machine
// port last sent (or the active port at the start) and the USB port sent with every step.
// Of the first switch when several rotate together.
extern std::int32_t gActiveMachine;
extern std::int32_t gActiveUSBPort;

class PortRotation : public QObject
{
    Q_OBJECT
public:
    // The switches to talk to are decided afresh for every command: a node lives only until
    // the next rebuild of the device list, and the registry goes at quit. Not owned.
    explicit PortRotation(AddressedSwitches &addressing, QObject *parent = nullptr);
    ~PortRotation() override;

    // The defaults key of the period, its initial value and the bounds of a usable one.
    static QString timeIntervalKey();
    static constexpr double kDefaultInterval = 30;
    static constexpr double kMinimumInterval = 1;
    static constexpr double kMaximumInterval = 86400;
    // A stored period made usable: a value that is not a finite number means the default;
    // anything else is held to the bounds (a longer period would overflow the timer's
    // millisecond count and make the rotation a busy loop, a shorter one flood the switch).
    static double clampedInterval(const QJsonValue &stored);

    // The period a rotation started now would use, in seconds: the one set with
    // setInterval(), else "Time Interval" from the standard defaults.
    double interval() const;
    void setInterval(double seconds);
    // The period of the running rotation; when none runs, the one a start would use.
    double period() const;

    // Ports of the selected switch (2 or 4; 0 while unknown). Bounds the machine port of a
    // rotation of one switch; switches rotating together each go by their own model.
    std::uint32_t portCount() const { return mNumPorts; }
    void setPortCount(std::uint32_t ports) { mNumPorts = ports; }

    // A port command (user port 1-4): ends a running rotation, then selects the port on
    // both sides. Behind the gate.
    void selectPort(int port);
    // The same at once, for code that already waits behind the gate; one result per switch
    // addressed together (none for the selected switch alone: see refused()).
    QList<AddressedSwitches::Result> sendPort(int port);
    // Starts a rotation, or stops the running one with the final select. Behind the gate.
    void toggle();

    // Starts at once: reads the period, asks the switch for its active port and arms the
    // timer; the first step follows one period later. With `steps` > 0 the rotation ends
    // by itself after that many steps, with the final select of stopAndFollow(), and says
    // finished().
    void start(int steps = 0);
    // Ends a running rotation and sends the USB connection to the computer shown now.
    void stopAndFollow();
    // Ends a running rotation without sending anything.
    void stop();
    // One step: the next machine port, sent with the rotation's USB port. A step the switch
    // refuses because another program holds it ends the rotation where the switch is; of
    // switches rotating together, only that switch leaves the rotation.
    void step();

    bool isRunning() const;
    // The switches of the running (or last) rotation of several switches; empty for a
    // rotation of the selected switch alone.
    QStringList rotatingSerials() const { return mPositions.keys(); }
    // Where switch `serial` stood at the start (its USB port) and the machine port it was
    // last sent (or stood on), 0-based: of a rotation of several switches, or else the
    // globals of the one switch.
    int startPosition(const QString &serial) const;
    int position(const QString &serial) const;
    // The running rotation's timer, or null.
    QTimer *timer() const;

signals:
    // A port select this object sent was written (commands, steps and the final select).
    void portSelected(const QString &serial, int machinePort, int usbPort);
    // A rotation step was written to the switch.
    void stepped(const QString &serial, int machinePort, int usbPort);
    void runningChanged(bool running);
    // A rotation started with a number of steps has taken its last one.
    void finished();
    // A command, a step or the start's status exchange did not reach the switch because
    // another program holds it (SwitchProtocol::isBusyStatus); nothing was sent. Nothing is
    // queued or retried behind the other program, and a rotation ends at its first such step.
    // Said for the selected switch alone; switches addressed together say skipped().
    void refused(int status);
    // Of switches addressed together, those that did not take a command or left the
    // rotation, one text each saying which and why (AddressedSwitches::failureText). After
    // every port command, with an empty list when all took it.
    void skipped(const QStringList &reasons);

private:
    struct Position {
        std::int32_t machine = 0;
        std::int32_t usb = 0;
        int ports = 0;
    };

    // The selected switch of a rotation or command of one switch.
    IOWarriorListNodeStruct *singleTarget() const;
    int send(IOWarriorListNodeStruct *node, int machinePort, int usbPort, bool tellRefusal);
    void startTogether();
    void stepTogether();
    void timerFired(QTimer *timer);

    AddressedSwitches &mAddressing;
    bool mTogether = false; // the running (or last) rotation is one of several switches
    QMap<QString, Position> mPositions;
    QPointer<QTimer> mRotationTimer;
    std::uint32_t mNumPorts = 0;
    double mInterval = 0; // 0: read the defaults
    int mStepsLeft = 0;   // 0: no limit
};
