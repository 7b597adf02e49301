// What every tarvexctl command shares: the parsed global options, the platform and the
// registry of attached switches, the choice of the switch to address, and the output and
// error helpers that keep stdout for answers (one JSON document with --json, errors
// included) and stderr for one-line errors.
#pragma once

#include "switch/AddressedSwitches.h"
#include "switch/PortNames.h"
#include "usb/IOWarriorController.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>
#include <optional>

class DefaultsStore;

namespace tarvex
{
class HidPlatform;
}

enum CliExit : int {
    ExitSuccess = 0,
    ExitFailure = 1, // no switch, no answer, no permission, failed transfer
    ExitUsage = 2,   // unknown command, bad or missing argument
};

class CliContext
{
    Q_DECLARE_TR_FUNCTIONS(CliContext)

public:
    struct Options {
        bool json = false;
        std::optional<QString> serial; // --serial
        bool all = false;              // --all
        std::optional<int> simulate;   // --simulate[=N]: N simulated switches instead of USB
    };

    // The switch a command addresses.
    using Target = AddressedSwitches::Target;

    // Sets the output mode of fail() and usageError() too.
    CliContext(const QCommandLineParser &parser, Options options);
    ~CliContext();
    CliContext(const CliContext &) = delete;
    CliContext &operator=(const CliContext &) = delete;

    const Options &options() const { return mOptions; }
    bool json() const { return mOptions.json; }
    // For commands with options of their own.
    const QCommandLineParser &parser() const { return mParser; }

    // Sets up the platform (simulated or Linux), initialises the IOWarrior layer and fills
    // the registry; does nothing when that already happened. ExitSuccess, or the exit status
    // after the error was reported.
    int openDevices();
    IOWarriorController &registry() { return *mRegistry; }
    QStringList attachedSerials() const;

    // The switches the commands address: --serial, --all, else the tray's choice. Valid
    // after openDevices().
    AddressedSwitches &addressing() { return *mAddressing; }
    // Opens the devices and picks the switch to address: --serial, else "Selected Switch"
    // from the defaults when it is attached, else the only attached switch. Reports the
    // error and sets *exitStatus when there is none to pick. For commands that work on one
    // switch at a time, whatever "Switch Together" says.
    std::optional<Target> chooseSwitch(int *exitStatus);
    // The same for commands that can address several switches: every attached switch with
    // --all, or without --serial when the tray's choice is "Switch Together".
    std::optional<AddressedSwitches::Decision> chooseSwitches(int *exitStatus);
    // Asks the target for its model identifier (SwitchPortCount() and GetSwitchName() tell
    // the rest); nothing after a failed exchange was reported, its exit status in *exitStatus.
    std::optional<std::int32_t> switchID(const Target &target, int *exitStatus);
    // Reports, with the exit status, a failed exchange or a `port` (1-based) that the
    // target's model does not have. ExitSuccess when the port exists.
    int checkPortExists(const Target &target, int port);

    // Read lazily so that a damaged defaults file is only mentioned when it matters.
    DefaultsStore &defaults();
    PortNames portNames() { return PortNames(defaults()); }

    // stdout
    void printLine(const QString &text) const;
    // The program's own lines (help), as they are.
    void printText(const QString &text) const;
    void printJson(const QJsonDocument &document) const;
    // Ends a command that addressed several switches: with --json, `document` with every
    // failure joined under "error"; otherwise each failure on stderr. ExitSuccess only when
    // every switch took the command.
    int finishSeveral(QJsonObject document, const QStringList &failures) const;
    // The answer about port `port` of one switch: {"serial", "port", "port_name"} with --json
    // (an unnamed port's name is null), `line` otherwise. ExitSuccess.
    int answerPort(const QString &serial, int port, const QString &name, const QString &line) const;
    // A failed exchange with switch `serial` (an errno value), reported with its reason.
    static int failExchange(const QString &serial, int status);
    // One line "tarvexctl: <message>" on stderr, or {"error": "<message>"} on stdout with
    // --json; the results are the exit status to return.
    static int fail(const QString &message);
    static int usageError(const QString &message);
    // The output mode of fail() and usageError() before a context exists (parse errors).
    static void setJsonOutput(bool json);
    // The program's exit status for a command that ended with `exitStatus`: a failure when
    // any of its answer could not be written to stdout (said on stderr).
    static int finish(int exitStatus);
    // `text` as one line that a terminal shows and does not act on.
    static QString oneLine(const QString &text);

private:
    static int report(const QString &message, int exitStatus);
    std::optional<AddressedSwitches::Decision> decide(AddressedSwitches::Scope scope, int *exitStatus);

    const QCommandLineParser &mParser;
    Options mOptions;
    std::unique_ptr<tarvex::HidPlatform> mPlatform;
    std::unique_ptr<IOWarriorController> mRegistry;
    std::unique_ptr<AddressedSwitches> mAddressing;
};
