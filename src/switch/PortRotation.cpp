// Port commands and rotation; see PortRotation.h.
#include "switch/PortRotation.h"

#include "switch/DefaultsStore.h"
#include "switch/DeviceGate.h"
#include "switch/SwitchProtocol.h"

#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

std::int32_t gActiveMachine = 0;
std::int32_t gActiveUSBPort = 0;

PortRotation::PortRotation(RegistrySource registry, NodeSource target, QObject *parent)
    : QObject(parent), mRegistry(std::move(registry)), mTarget(std::move(target))
{
}

PortRotation::~PortRotation()
{
    stop();
}

QString PortRotation::timeIntervalKey()
{
    return QStringLiteral("Time Interval");
}

double PortRotation::clampedInterval(const QJsonValue &stored)
{
    if (!stored.isDouble() || !std::isfinite(stored.toDouble()))
        return kDefaultInterval;
    return std::clamp(stored.toDouble(), kMinimumInterval, kMaximumInterval);
}

double PortRotation::interval() const
{
    if (mInterval > 0)
        return mInterval;
    return clampedInterval(DefaultsStore::standard().valueForKey(timeIntervalKey()));
}

void PortRotation::setInterval(double seconds)
{
    mInterval = clampedInterval(QJsonValue(seconds));
}

double PortRotation::period() const
{
    // A changed "Time Interval" applies from the next start only.
    return isRunning() ? mRotationTimer->interval() / 1000.0 : interval();
}

QTimer *PortRotation::timer() const
{
    return mRotationTimer.data();
}

bool PortRotation::isRunning() const
{
    return mRotationTimer != nullptr && mRotationTimer->isActive();
}

int PortRotation::send(int machinePort, int usbPort)
{
    IOWarriorListNodeStruct *node = mTarget ? mTarget() : nullptr;
    if (node == nullptr)
        return ENODEV;
    const int status = SwitchProtocol::selectPort(node, machinePort, usbPort);
    if (status == 0)
        emit portSelected(machinePort, usbPort);
    else if (SwitchProtocol::isBusyStatus(status))
        emit refused(status);
    return status;
}

void PortRotation::selectPort(int port)
{
    QPointer<PortRotation> self(this);
    DeviceGate::instance().runOrDefer([self, port] {
        if (!self)
            return;
        self->stop();
        self->send(port - 1, port - 1);
    });
}

void PortRotation::toggle()
{
    QPointer<PortRotation> self(this);
    DeviceGate::instance().runOrDefer([self] {
        if (!self)
            return;
        if (self->isRunning())
            self->stopAndFollow();
        else
            self->start();
    });
}

void PortRotation::start(int steps)
{
    stop();
    auto *timer = new QTimer(this);
    timer->setTimerType(Qt::CoarseTimer);
    // At most 86,400,000 ms: well inside the timer's int.
    timer->setInterval(int(std::lround(interval() * 1000.0)));
    connect(timer, &QTimer::timeout, this, [this, timer] { timerFired(timer); });
    mStepsLeft = std::max(steps, 0);
    timer->start();
    mRotationTimer = timer;
    IOWarriorController *registry = mRegistry ? mRegistry() : nullptr;
    IOWarriorListNodeStruct *node = mTarget ? mTarget() : nullptr;
    if (registry != nullptr && node != nullptr) {
        // Without an answer the previous position stays: better than claiming port 1. While
        // another program holds the switch, the first step is refused and ends the rotation.
        int status = 0;
        const auto record = SwitchProtocol::query(*registry, node, SwitchProtocol::QueryActivePort, &status);
        if (record)
            gActiveMachine = gActiveUSBPort = std::int32_t(std::int8_t(record->reply[4]));
        else if (SwitchProtocol::isBusyStatus(status))
            emit refused(status);
    }
    emit runningChanged(true);
}

void PortRotation::timerFired(QTimer *timer)
{
    QPointer<PortRotation> self(this);
    QPointer<QTimer> guardedTimer(timer);
    DeviceGate::instance().runOrDefer([self, guardedTimer] {
        // A step queued behind a firmware transfer is void if the rotation ended meanwhile.
        if (!self || !guardedTimer || guardedTimer != self->mRotationTimer)
            return;
        self->step();
        // A counted rotation ends as a stopped one does: the USB connection must not stay
        // behind with a computer that is no longer shown.
        if (self->mStepsLeft > 0 && --self->mStepsLeft == 0) {
            self->stopAndFollow();
            emit self->finished();
        }
    });
}

void PortRotation::stopAndFollow()
{
    if (!isRunning())
        return;
    stop();
    // The USB connection follows to the computer the switch shows now.
    send(gActiveMachine & 0xFF, gActiveMachine & 0xFF);
}

void PortRotation::stop()
{
    if (mRotationTimer == nullptr)
        return;
    mRotationTimer->stop();
    mRotationTimer->deleteLater();
    mRotationTimer = nullptr;
    mStepsLeft = 0;
    emit runningChanged(false);
}

void PortRotation::step()
{
    const std::int32_t shown = gActiveMachine;
    // With no port count known (0) the counter would run past every real port.
    if (mNumPorts > 0 && std::uint32_t(gActiveMachine) < mNumPorts - 1)
        ++gActiveMachine;
    else
        gActiveMachine = 0;
    const int machine = gActiveMachine & 0xFF;
    const int usb = gActiveUSBPort & 0xFF;
    const int status = send(machine, usb);
    if (status == 0) {
        emit stepped(machine, usb);
    } else if (SwitchProtocol::isBusyStatus(status)) {
        // Steps behind another program's firmware transfer would only pile up refusals.
        gActiveMachine = shown;
        stop();
    }
}
