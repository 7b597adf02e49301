// `tarvexctl rotate [--interval S] [--count N]`: the tray application's rotation from a
// terminal, on the same PortRotation: the switch shows its computers one after another while
// its USB connection stays with the computer active at the start. Ctrl-C ends it like the
// tray's Rotate does, with the final report that lets the USB connection follow; --count
// ends it the same way after N steps.
#pragma once

#include "cli/CliCommand.h"

#include <QCoreApplication>

class RotateCommand : public CliCommand
{
    Q_DECLARE_TR_FUNCTIONS(RotateCommand)

public:
    QString name() const override { return QStringLiteral("rotate"); }
    QString synopsis() const override { return tr("rotate [--interval S] [--count N]"); }
    QString summary() const override { return tr("show the ports one after another"); }
    QString description() const override;
    QList<QCommandLineOption> options() const override;
    int run(CliContext &context, const QStringList &arguments) override;
};
