// `tarvexctl name N NAME`: gives port N of the switch in use a name ("Work laptop") that
// list, status, the tray menu and `port NAME` use; an empty NAME removes it. While the tray
// switches all switches together, that port of each switch gets the name.
#pragma once

#include "cli/CliCommand.h"

#include <QCoreApplication>

class NameCommand : public CliCommand
{
    Q_DECLARE_TR_FUNCTIONS(NameCommand)

public:
    QString name() const override { return QStringLiteral("name"); }
    QString synopsis() const override { return tr("name N NAME"); }
    QString summary() const override
    {
        return tr("name port N of the selected switch (\"\" removes)");
    }
    QString description() const override;
    int run(CliContext &context, const QStringList &arguments) override;
};
