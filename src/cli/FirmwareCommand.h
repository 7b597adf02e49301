// `tarvexctl firmware check|upgrade`: asks the firmware server about the switch in use and,
// for upgrade, writes the offered image (or one from --file) into it after asking.
#pragma once

#include "cli/CliCommand.h"

#include <QCoreApplication>

class FirmwareCommand : public CliCommand
{
    Q_DECLARE_TR_FUNCTIONS(FirmwareCommand)

public:
    QString name() const override { return QStringLiteral("firmware"); }
    QString synopsis() const override
    {
        return QStringLiteral("firmware check|upgrade [--url URL | --file IMAGE] [--yes]");
    }
    QString summary() const override { return tr("ask for newer firmware; write it into the switch"); }
    QString description() const override;
    QList<QCommandLineOption> options() const override;
    int run(CliContext &context, const QStringList &arguments) override;

private:
    int check(CliContext &context);
    int upgrade(CliContext &context);
};
