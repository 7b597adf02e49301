// What every tarvexctl command shares: the parsed global options, the platform and the
// registry of attached switches, the choice of the switch to address, and the output and
// error helpers that keep stdout for answers and stderr for one-line errors.
#pragma once

#include "usb/IOWarriorController.h"

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

class DefaultsStore;

namespace tarvex {
class HidPlatform;
}

enum CliExit : int {
    ExitSuccess = 0,
    ExitFailure = 1, // no switch, no answer, no permission, failed transfer
    ExitUsage = 2,   // unknown command, bad or missing argument
};

class CliContext
{
public:
    struct Options {
        bool json = false;
        std::optional<QString> serial; // --serial
        int simulate = 0;              // --simulate[=N]: N simulated switches, 0 for USB
    };

    // The switch a command addresses.
    struct Target {
        QString serial;
        IOWarriorListNodeStruct *node = nullptr;
    };

    CliContext(const QCommandLineParser &parser, Options options);
    ~CliContext();
    CliContext(const CliContext &) = delete;
    CliContext &operator=(const CliContext &) = delete;

    const Options &options() const { return mOptions; }
    bool json() const { return mOptions.json; }
    // For commands with options of their own.
    const QCommandLineParser &parser() const { return mParser; }

    // Sets up the platform (simulated or Linux), initialises the IOWarrior layer and fills
    // the registry. ExitSuccess, or the exit status after the error was reported.
    int openDevices();
    IOWarriorController &registry() { return *mRegistry; }
    QStringList attachedSerials() const;

    // The switch to address: --serial, else "Selected Switch" from the defaults when it is
    // attached, else the only attached switch. Reports the error and sets *exitStatus when
    // there is none to pick.
    std::optional<Target> chooseSwitch(int *exitStatus);

    // Read lazily so that a damaged defaults file is only mentioned when it matters.
    DefaultsStore &defaults();

    // stdout
    void printLine(const QString &text) const;
    void printJson(const QJsonDocument &document) const;
    // stderr: one line "tarvexctl: <message>"; the results are the exit status to return.
    static int fail(const QString &message);
    static int usageError(const QString &message);

private:
    const QCommandLineParser &mParser;
    Options mOptions;
    std::unique_ptr<tarvex::HidPlatform> mPlatform;
    std::unique_ptr<IOWarriorController> mRegistry;
};
