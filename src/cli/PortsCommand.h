// `tarvexctl ports`: the port numbers of the switch in use and the names given to them, one
// per line. For bash completion of `port`; not in --help.
#pragma once

#include "cli/CliCommand.h"

class PortsCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("ports"); }
    QString synopsis() const override { return QStringLiteral("ports"); }
    QString summary() const override { return QStringLiteral("port numbers and names"); }
    bool hidden() const override { return true; }
    int run(CliContext &context, const QStringList &arguments) override;
};
