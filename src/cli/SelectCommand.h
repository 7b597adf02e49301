// `tarvexctl select SERIAL|MODEL`: makes an attached switch the selected one, as the tray
// menu's switch list does, so that later commands (and the tray) address it without --serial.
#pragma once

#include "cli/CliCommand.h"

#include <QCoreApplication>

class SelectCommand : public CliCommand
{
    Q_DECLARE_TR_FUNCTIONS(SelectCommand)

public:
    QString name() const override { return QStringLiteral("select"); }
    QString synopsis() const override { return tr("select SERIAL|MODEL"); }
    QString summary() const override { return tr("make a switch the selected one"); }
    QString description() const override;
    int run(CliContext &context, const QStringList &arguments) override;
};
