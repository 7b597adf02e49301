// `tarvexctl list`: every attached switch with model, firmware and active port.
#pragma once

#include "cli/CliCommand.h"

class ListCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("list"); }
    QString synopsis() const override { return QStringLiteral("list"); }
    QString summary() const override
    {
        return QStringLiteral("serial, model, firmware and active port of every attached switch");
    }
    int run(CliContext &context, const QStringList &arguments) override;
};
