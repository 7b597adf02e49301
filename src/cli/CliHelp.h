// What tarvexctl says about itself: the help with every command and option, one command's
// usage, and the nearest command or option to a mistyped one. Everything fits 80 columns.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

class CliCommand;
class QCommandLineOption;

class CliHelp
{
    Q_DECLARE_TR_FUNCTIONS(CliHelp)

public:
    static constexpr int kWidth = 80;

    // An option as --help shows it: "--serial S" and what it does.
    struct Row {
        QString label;
        QString text;
    };

    // Lines of at most kWidth columns filled with the words of `text`, each starting with
    // `indent` spaces. A word too long for any line gets a line of its own.
    static QString wrap(const QString &text, int indent);
    // "--serial S" and the option's description, translated.
    static Row rowFor(const QCommandLineOption &option);

    // `globalOptions`: the options every command understands, as shown in the help.
    CliHelp(const std::vector<std::unique_ptr<CliCommand>> &commands, QList<Row> globalOptions);

    QString programHelp() const;
    QString commandHelp(const CliCommand &command) const;
    // The help of the command called `name`, or of the whole program for an empty name;
    // nothing for an unknown name.
    std::optional<QString> helpFor(const QString &name) const;
    // "did you mean "list"?" for a word one or two typing slips away from a command name
    // (a swapped pair counts as one), else the list of the commands.
    QString suggestionFor(const QString &word) const;
    // The option ("--simulate") one or two slips away from `option` ("--simlate"), or "".
    QString nearestOption(const QString &option) const;

private:
    static QString nearest(const QString &word, const QStringList &names);

    const std::vector<std::unique_ptr<CliCommand>> &mCommands;
    QList<Row> mGlobalOptions;
};
