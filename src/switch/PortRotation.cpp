// Port commands and rotation; see PortRotation.h.
#include "switch/PortRotation.h"

#include "switch/DefaultsStore.h"
#include "switch/DeviceGate.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"

#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <utility>

std::int32_t gActiveMachine = 0;
std::int32_t gActiveUSBPort = 0;

namespace {

QString serialOf(const IOWarriorListNodeStruct *node)
{
    return QString::fromUtf8(node->serialNumber ? node->serialNumber : "0");
}

} // namespace

PortRotation::PortRotation(AddressedSwitches &addressing, QObject *parent)
    : QObject(parent), mAddressing(addressing)
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

IOWarriorListNodeStruct *PortRotation::singleTarget() const
{
    // The tray's choice means the selected switch here even when it has since been turned to
    // "together": a rotation keeps the switches it started with.
    const AddressedSwitches::Scope scope = mAddressing.scope() == AddressedSwitches::Scope::Choice
                                               ? AddressedSwitches::Scope::Selected
                                               : mAddressing.scope();
    const auto decision = mAddressing.decide(scope);
    return decision.targets.isEmpty() ? nullptr : decision.targets.first().node;
}

int PortRotation::send(IOWarriorListNodeStruct *node, int machinePort, int usbPort, bool tellRefusal)
{
    if (node == nullptr)
        return ENODEV;
    const int status = SwitchProtocol::selectPort(node, machinePort, usbPort);
    if (status == 0)
        emit portSelected(serialOf(node), machinePort, usbPort);
    else if (tellRefusal && SwitchProtocol::isBusyStatus(status))
        emit refused(status);
    return status;
}

QList<AddressedSwitches::Result> PortRotation::sendPort(int port)
{
    stop();
    const AddressedSwitches::Decision decision = mAddressing.decide();
    if (!decision.together) {
        send(decision.targets.isEmpty() ? nullptr : decision.targets.first().node, port - 1, port - 1, true);
        return {};
    }
    const auto results = mAddressing.selectPort(decision.targets, port, true);
    for (const auto &r : results) {
        if (r.ok())
            emit portSelected(r.serial, port - 1, port - 1);
    }
    emit skipped(AddressedSwitches::failureTexts(results));
    return results;
}

void PortRotation::selectPort(int port)
{
    QPointer<PortRotation> self(this);
    DeviceGate::instance().runOrDefer([self, port] {
        if (self)
            self->sendPort(port);
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
    mTogether = mAddressing.decide().together;
    mPositions.clear();
    IOWarriorController *registry = mAddressing.registry();
    if (mTogether) {
        startTogether();
    } else if (IOWarriorListNodeStruct *node = singleTarget(); registry != nullptr && node != nullptr) {
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

void PortRotation::startTogether()
{
    IOWarriorController *registry = mAddressing.registry();
    if (registry == nullptr)
        return;
    // Each switch rotates from its own active port over its own ports; one that cannot say
    // where it is stays out of this rotation rather than be moved blindly.
    QStringList reasons;
    for (const auto &target : mAddressing.decide().targets) {
        int status = 0;
        const auto record = SwitchProtocol::query(*registry, target.node, SwitchProtocol::QueryActivePort, &status);
        Position position;
        if (record) {
            position.machine = position.usb = std::int32_t(std::int8_t(record->reply[4]));
            position.ports = mAddressing.portCount(target, &status);
        }
        if (status != 0) {
            reasons << AddressedSwitches::failureText(target.serial, status);
            continue;
        }
        mPositions.insert(target.serial, position);
    }
    if (!mPositions.isEmpty()) {
        gActiveMachine = mPositions.first().machine;
        gActiveUSBPort = mPositions.first().usb;
    }
    if (!reasons.isEmpty())
        emit skipped(reasons);
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

int PortRotation::startPosition(const QString &serial) const
{
    return (mTogether ? mPositions.value(serial).usb : gActiveUSBPort) & 0xFF;
}

int PortRotation::position(const QString &serial) const
{
    return (mTogether ? mPositions.value(serial).machine : gActiveMachine) & 0xFF;
}

void PortRotation::stopAndFollow()
{
    if (!isRunning())
        return;
    stop();
    // The USB connection follows to the computer the switch shows now.
    if (!mTogether) {
        send(singleTarget(), gActiveMachine & 0xFF, gActiveMachine & 0xFF, true);
        return;
    }
    QStringList reasons;
    for (const auto &target : mAddressing.decide(AddressedSwitches::Scope::All).targets) {
        const auto position = mPositions.constFind(target.serial);
        if (position == mPositions.cend())
            continue;
        const int port = position->machine & 0xFF;
        if (const int status = send(target.node, port, port, false); status != 0)
            reasons << AddressedSwitches::failureText(target.serial, status);
    }
    if (!reasons.isEmpty())
        emit skipped(reasons);
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
    if (mTogether) {
        stepTogether();
        return;
    }
    const std::int32_t shown = gActiveMachine;
    // With no port count known (0) the counter would run past every real port.
    if (mNumPorts > 0 && std::uint32_t(gActiveMachine) < mNumPorts - 1)
        ++gActiveMachine;
    else
        gActiveMachine = 0;
    const int machine = gActiveMachine & 0xFF;
    const int usb = gActiveUSBPort & 0xFF;
    IOWarriorListNodeStruct *node = singleTarget();
    const int status = send(node, machine, usb, true);
    if (status == 0) {
        emit stepped(serialOf(node), machine, usb);
    } else if (SwitchProtocol::isBusyStatus(status)) {
        // Steps behind another program's firmware transfer would only pile up refusals.
        gActiveMachine = shown;
        stop();
    }
}

void PortRotation::stepTogether()
{
    QStringList reasons;
    for (const auto &target : mAddressing.decide(AddressedSwitches::Scope::All).targets) {
        // A switch plugged in after the start is left where it is until the user switches.
        auto position = mPositions.find(target.serial);
        if (position == mPositions.end())
            continue;
        const std::int32_t next =
            position->ports > 0 && std::uint32_t(position->machine) < std::uint32_t(position->ports - 1)
                ? position->machine + 1
                : 0;
        const int usb = position->usb & 0xFF;
        const int status = send(target.node, next & 0xFF, usb, false);
        if (SwitchProtocol::isBusyStatus(status)) {
            // Only this switch stops, where it is; the others go on.
            reasons << AddressedSwitches::failureText(target.serial, status);
            mPositions.erase(position);
            continue;
        }
        // A failed write is said; the counter goes on, as for one switch.
        position->machine = next;
        if (status == 0)
            emit stepped(target.serial, next & 0xFF, usb);
        else
            reasons << AddressedSwitches::failureText(target.serial, status);
    }
    if (!mPositions.isEmpty()) {
        gActiveMachine = mPositions.first().machine;
        gActiveUSBPort = mPositions.first().usb;
    }
    if (!reasons.isEmpty())
        emit skipped(reasons);
    if (mPositions.isEmpty())
        stop();
}
