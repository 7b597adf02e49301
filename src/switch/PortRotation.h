// Port commands and timed rotation for one switch: the port select a command sends, and the
// repeating timer that shows the switch's computers one after another while its USB
// connection stays with the computer that was active at the start. Every command and step
// waits behind DeviceGate, so none falls between the records of a firmware transfer or into
// a hot-plug refresh. QtCore only: the tray application and tarvexctl share it.
#pragma once

#include "usb/IOWarriorLib.h"

#include <QJsonValue>
#include <QObject>
#include <QPointer>

#include <cstdint>
#include <functional>

class IOWarriorController;
class QTimer;

// The rotation's position, kept between rotations for the life of the process: the machine
// port last sent (or the active port at the start) and the USB port sent with every step.
extern std::int32_t gActiveMachine;
extern std::int32_t gActiveUSBPort;

class PortRotation : public QObject
{
    Q_OBJECT
public:
    // The registry and the switch to talk to are looked up afresh for every command: a node
    // lives only until the next rebuild of the device list, and the registry goes at quit.
    using RegistrySource = std::function<IOWarriorController *()>;
    using NodeSource = std::function<IOWarriorListNodeStruct *()>;

    PortRotation(RegistrySource registry, NodeSource target, QObject *parent = nullptr);
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

    // Ports of the selected switch (2 or 4; 0 while unknown). Bounds the machine port.
    std::uint32_t portCount() const { return mNumPorts; }
    void setPortCount(std::uint32_t ports) { mNumPorts = ports; }

    // A port command (user port 1-4): ends a running rotation, then selects the port on
    // both sides. Behind the gate.
    void selectPort(int port);
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
    // refuses because another program holds it ends the rotation where the switch is.
    void step();

    bool isRunning() const;
    // The running rotation's timer, or null.
    QTimer *timer() const;

signals:
    // A port select this object sent was written (commands, steps and the final select).
    void portSelected(int machinePort, int usbPort);
    // A rotation step was written to the switch.
    void stepped(int machinePort, int usbPort);
    void runningChanged(bool running);
    // A rotation started with a number of steps has taken its last one.
    void finished();
    // A command, a step or the start's status exchange did not reach the switch because
    // another program holds it (SwitchProtocol::isBusyStatus); nothing was sent. Nothing is
    // queued or retried behind the other program, and a rotation ends at its first such step.
    void refused(int status);

private:
    int send(int machinePort, int usbPort);
    void timerFired(QTimer *timer);

    RegistrySource mRegistry;
    NodeSource mTarget;
    QPointer<QTimer> mRotationTimer;
    std::uint32_t mNumPorts = 0;
    double mInterval = 0; // 0: read the defaults
    int mStepsLeft = 0;   // 0: no limit
};
