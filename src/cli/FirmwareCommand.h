// `tarvexctl firmware check|upgrade`: asks the firmware server about the switch in use and,
// for upgrade, writes the offered image (or one from --file) into it after asking.
#pragma once

#include "cli/CliCommand.h"

class FirmwareCheckAnswer;

class FirmwareCommand : public CliCommand
{
public:
    QString name() const override { return QStringLiteral("firmware"); }
    QString synopsis() const override
    {
        return QStringLiteral("firmware check|upgrade [--url URL | --file IMAGE] [--yes]");
    }
    QString summary() const override
    {
        return QStringLiteral("ask for newer firmware; write it into the switch");
    }
    QList<QCommandLineOption> options() const override;
    int run(CliContext &context, const QStringList &arguments) override;

private:
    int check(CliContext &context);
    int upgrade(CliContext &context);
};
