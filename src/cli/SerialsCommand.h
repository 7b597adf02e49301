// `tarvexctl serials`: the serial numbers of the attached switches, one per line and nothing
// else, without asking the switches anything. For bash completion; not in --help.
#pragma once

#include "cli/CliCommand.h"

class SerialsCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("serials"); }
    QString synopsis() const override { return QStringLiteral("serials"); }
    QString summary() const override { return QStringLiteral("attached serial numbers"); }
    bool hidden() const override { return true; }
    int run(CliContext &context, const QStringList &arguments) override;
};
