// `tarvexctl port N|NAME`: switches the switch in use to port N (1-based, as in the menu) or
// to the port the user named NAME; with --all, or while the tray switches all switches
// together, each attached switch, with one result per switch.
#pragma once

#include "cli/CliCommand.h"

#include <QCoreApplication>

class PortCommand : public CliCommand
{
    Q_DECLARE_TR_FUNCTIONS(PortCommand)

public:
    QString name() const override { return QStringLiteral("port"); }
    QString synopsis() const override { return tr("port N|NAME"); }
    QString summary() const override { return tr("switch the selected switch to port N"); }
    QString description() const override;
    int run(CliContext &context, const QStringList &arguments) override;
};
