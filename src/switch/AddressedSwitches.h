// Which switches a command goes to, decided in one place for the tray, the hot keys, the
// rotation and tarvexctl: the selected switch, the one tarvexctl names with --serial, or every
// attached switch when "Switch Together" is on or tarvexctl says --all. A port command then
// goes to each addressed switch in a fixed order (by serial number), each under its own lock,
// and each gives its own result: a switch that lacks the port or is held by another program
// is left out without keeping the others from switching. QtCore only.
#pragma once

#include "usb/IOWarriorLib.h"

#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QString>
#include <functional>

class DefaultsStore;
class IOWarriorController;

class AddressedSwitches
{
    Q_DECLARE_TR_FUNCTIONS(AddressedSwitches)

public:
    enum class Scope {
        Choice,   // the tray's choice: every attached switch when "Switch Together" is on, else the selected one
        Selected, // the selected switch even when the choice is on (firmware: one switch at a time)
        Serial,   // the switch with the given serial (tarvexctl --serial)
        All,      // every attached switch (tarvexctl --all)
    };

    // Why a decision addresses no switch.
    enum class Gap { None, NoneAttached, SerialAbsent, SelectedAbsent, NoneChosen };

    struct Target {
        QString serial;
        IOWarriorListNodeStruct *node = nullptr;
    };

    struct Decision {
        QList<Target> targets; // ordered by serial number
        // Several switches were asked for (the choice or --all), however many are attached:
        // the answer is then one result per switch.
        bool together = false;
        Gap gap = Gap::None;
        QString absentSerial; // the serial asked for or stored, when it is not attached
    };

    // One switch's answer to a port command.
    struct Result {
        QString serial;
        int port = 0;   // 1-based, as asked
        int status = 0; // 0, kMissingPortStatus, or the exchange's status (errno or busy)
        int ports = 0;  // the model's ports, when it answered
        QString model;
        bool ok() const { return status == 0; }
    };
    // The model has no such port (a Tarvex mini has two); nothing was sent. Outside the
    // errno values and the lock's busy statuses.
    static constexpr int kMissingPortStatus = 0x10100;

    using RegistrySource = std::function<IOWarriorController *()>;
    using DefaultsSource = std::function<DefaultsStore &()>;

    // The defaults hold the tray's choice; they are read at every decision that needs them
    // (not before: tarvexctl --serial has no use for a damaged file), so a choice made in
    // another program counts at once.
    AddressedSwitches(RegistrySource registry, DefaultsSource defaults);

    static QString selectedSwitchKey(); // "Selected Switch"
    static QString switchTogetherKey(); // "Switch Together"

    IOWarriorController *registry() const { return mRegistry ? mRegistry() : nullptr; }
    DefaultsStore &defaults() const { return mDefaults(); }
    // Whether "Switch Together" is on; absent or anything but true means off.
    bool together() const;

    // What this object's commands address: a scope (and the serial of Scope::Serial) set once
    // by the program, Scope::Choice by default. With `onlyWhenUnchosen`, no choice stored (or
    // a stored switch that is gone) and one switch attached addresses that one, as tarvexctl
    // has always done.
    void setScope(Scope scope, const QString &serial = {});
    void setTakesTheOnlySwitch(bool onlyWhenUnchosen) { mTakeOnly = onlyWhenUnchosen; }
    Scope scope() const { return mScope; }
    Decision decide() const { return decide(mScope); }
    Decision decide(Scope scope) const;

    // The number of ports of the switch (2 or 4), asked once per serial number and kept: a
    // serial's model does not change. 0 when it did not answer, with the status in *status.
    int portCount(const Target &target, int *status = nullptr, QString *model = nullptr);
    // What the program already learned, so that no command has to ask.
    void rememberPortCount(const QString &serial, int ports, const QString &model);

    // Sends port `port` (1-based) to each target. With `checkPorts`, a switch whose model
    // lacks the port gets nothing and says so (kMissingPortStatus).
    QList<Result> selectPort(const QList<Target> &targets, int port, bool checkPorts);

    // "Tarvex mini 00001002 has no port 3", "00001002: the switch is busy: …": why one switch
    // did not take a command (translated).
    static QString failureText(const Result &result);
    // "00001002: <why>" for an exchange with the switch that failed with `status`.
    static QString failureText(const QString &serial, int status);
    // The failures among `results`, one text each.
    static QStringList failureTexts(const QList<Result> &results);

private:
    struct Model {
        int ports = 0;
        QString name;
    };

    RegistrySource mRegistry;
    DefaultsSource mDefaults;
    Scope mScope = Scope::Choice;
    QString mSerial;
    bool mTakeOnly = false;
    QHash<QString, Model> mModels;
};
