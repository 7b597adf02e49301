// One sub-command of tarvexctl ("list", "port N", ...). A new command is a subclass in its
// own file pair plus one line in the command table of main.cpp.
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

class CliContext;

class CliCommand
{
public:
    virtual ~CliCommand() = default;

    // The word that selects the command on the command line.
    virtual QString name() const = 0;
    // How it is called, for --help: "port N".
    virtual QString synopsis() const = 0;
    // One line for --help.
    virtual QString summary() const = 0;
    // What "tarvexctl help COMMAND" says beyond the synopsis; one paragraph per line,
    // wrapped when printed.
    virtual QString description() const { return summary(); }
    // Left out of --help: a command for other programs (bash completion), not for people.
    virtual bool hidden() const { return false; }
    // Options only this command understands; they are accepted on the whole command line
    // and read back through CliContext::parser().
    virtual QList<QCommandLineOption> options() const { return {}; }

    // Runs with the words that follow the command's name. Returns the exit status
    // (CliExit); every failure has been reported through the context by then.
    virtual int run(CliContext &context, const QStringList &arguments) = 0;
};
