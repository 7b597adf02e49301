// `tarvexctl status`: model, firmware, active port and port names of the switch in use, or
// of each switch with --all or while the tray switches all switches together.
#pragma once

#include "cli/CliCommand.h"

#include <QCoreApplication>

class StatusCommand : public CliCommand
{
    Q_DECLARE_TR_FUNCTIONS(StatusCommand)

public:
    QString name() const override { return QStringLiteral("status"); }
    QString synopsis() const override { return QStringLiteral("status"); }
    QString summary() const override
    {
        return tr("model, firmware, active port and port names of the selected switch");
    }
    int run(CliContext &context, const QStringList &arguments) override;
};
