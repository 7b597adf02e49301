// `tarvexctl status`: model, firmware and active port of the switch in use.
#pragma once

#include "cli/CliCommand.h"

class StatusCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("status"); }
    QString synopsis() const override { return QStringLiteral("status"); }
    QString summary() const override
    {
        return QStringLiteral("model, firmware and active port of the selected switch");
    }
    int run(CliContext &context, const QStringList &arguments) override;
};
