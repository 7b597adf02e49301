// The switches a command addresses; see AddressedSwitches.h.
#include "switch/AddressedSwitches.h"

#include "switch/DefaultsStore.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"

#include <cerrno>
#include <utility>

AddressedSwitches::AddressedSwitches(RegistrySource registry, DefaultsSource defaults)
    : mRegistry(std::move(registry)), mDefaults(std::move(defaults))
{
}

QString AddressedSwitches::selectedSwitchKey()
{
    return QStringLiteral("Selected Switch");
}

QString AddressedSwitches::switchTogetherKey()
{
    return QStringLiteral("Switch Together");
}

bool AddressedSwitches::together() const
{
    // A file from before the choice existed has no key: it means what it meant then.
    const QJsonValue stored = defaults().objectForKey(switchTogetherKey());
    return stored.isBool() && stored.toBool();
}

void AddressedSwitches::setScope(Scope scope, const QString &serial)
{
    mScope = scope;
    mSerial = serial;
}

AddressedSwitches::Decision AddressedSwitches::decide(Scope scope) const
{
    Decision d;
    IOWarriorController *devices = registry();
    if (devices == nullptr) {
        d.gap = Gap::NoneAttached;
        return d;
    }
    const auto &attached = devices->allDevices();
    if (scope == Scope::Choice && together())
        scope = Scope::All;
    if (scope == Scope::All) {
        d.together = true;
        // The registry's map keeps its keys sorted: the fixed order of every command.
        for (auto it = attached.cbegin(); it != attached.cend(); ++it)
            d.targets.append({it.key(), it.value()});
        if (d.targets.isEmpty())
            d.gap = Gap::NoneAttached;
        return d;
    }
    const QString wanted = scope == Scope::Serial ? mSerial : defaults().stringForKey(selectedSwitchKey());
    if (IOWarriorListNodeStruct *node = devices->deviceWithSerial(wanted)) {
        d.targets.append({wanted, node});
        return d;
    }
    if (scope == Scope::Serial) {
        d.gap = Gap::SerialAbsent;
        d.absentSerial = mSerial;
    } else if (mTakeOnly && attached.size() == 1) {
        d.targets.append({attached.firstKey(), attached.first()});
    } else if (attached.isEmpty()) {
        d.gap = Gap::NoneAttached;
        d.absentSerial = wanted;
    } else {
        d.gap = wanted.isNull() ? Gap::NoneChosen : Gap::SelectedAbsent;
        d.absentSerial = wanted;
    }
    if (!d.targets.isEmpty())
        d.gap = Gap::None;
    return d;
}

int AddressedSwitches::portCount(const Target &target, int *status, QString *model)
{
    if (status != nullptr)
        *status = 0;
    if (const auto known = mModels.constFind(target.serial); known != mModels.cend()) {
        if (model != nullptr)
            *model = known->name;
        return known->ports;
    }
    IOWarriorController *devices = registry();
    int result = ENODEV;
    if (devices != nullptr) {
        if (const auto record =
                SwitchProtocol::query(*devices, target.node, SwitchProtocol::QuerySwitchID, &result)) {
            const auto identifier = std::int32_t(SwitchProtocol::switchIDFromRecord(*record));
            rememberPortCount(target.serial, SwitchPortCount(identifier), GetSwitchName(identifier));
            return portCount(target, status, model);
        }
    }
    if (status != nullptr)
        *status = result;
    return 0;
}

void AddressedSwitches::rememberPortCount(const QString &serial, int ports, const QString &model)
{
    if (ports > 0)
        mModels.insert(serial, {ports, model});
}

QList<AddressedSwitches::Result> AddressedSwitches::selectPort(const QList<Target> &targets, int port,
                                                              bool checkPorts)
{
    QList<Result> results;
    for (const Target &target : targets) {
        Result r;
        r.serial = target.serial;
        r.port = port;
        if (checkPorts) {
            // Without the model's answer nothing is sent: a port it lacks would do who knows what.
            r.ports = portCount(target, &r.status, &r.model);
            if (r.status == 0 && (port < 1 || port > r.ports))
                r.status = kMissingPortStatus;
        }
        if (r.status == 0)
            r.status = SwitchProtocol::selectPort(target.node, port - 1, port - 1);
        results.append(r);
    }
    return results;
}

QString AddressedSwitches::failureText(const Result &result)
{
    if (result.status == kMissingPortStatus)
        return tr("%1 %2 has no port %3").arg(result.model, result.serial).arg(result.port);
    return failureText(result.serial, result.status);
}

QString AddressedSwitches::failureText(const QString &serial, int status)
{
    return tr("%1: %2").arg(serial, SwitchProtocol::statusText(status));
}

QStringList AddressedSwitches::failureTexts(const QList<Result> &results)
{
    QStringList texts;
    for (const Result &r : results) {
        if (!r.ok())
            texts << failureText(r);
    }
    return texts;
}
