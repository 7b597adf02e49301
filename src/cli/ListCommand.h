// `tarvexctl list`: every attached switch with model, firmware, active port and port names.
// No switch attached is an answer (an empty list), not a failure.
#pragma once

#include "cli/CliCommand.h"

#include <QCoreApplication>

class ListCommand : public CliCommand
{
    Q_DECLARE_TR_FUNCTIONS(ListCommand)

public:
    QString name() const override { return QStringLiteral("list"); }
    QString synopsis() const override { return QStringLiteral("list"); }
    QString summary() const override
    {
        return tr("serial, model, firmware and active port of every attached switch");
    }
    QString description() const override;
    int run(CliContext &context, const QStringList &arguments) override;
};
