// `tarvexctl port N`: switches the switch in use to port N (1-based, as in the menu).
#pragma once

#include "cli/CliCommand.h"

class PortCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("port"); }
    QString synopsis() const override { return QStringLiteral("port N"); }
    QString summary() const override
    {
        return QStringLiteral("switch the selected switch to port N");
    }
    int run(CliContext &context, const QStringList &arguments) override;
};
