// tarvexctl: the Tarvex switches from a terminal. Parses the global options, picks the
// command from the table below and hands it a CliContext.
#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/FirmwareCommand.h"
#include "cli/ListCommand.h"
#include "cli/PortCommand.h"
#include "cli/StatusCommand.h"

#include "TarvexVersion.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <memory>
#include <vector>

namespace {

constexpr int kMaxSimulatedSwitches = 16;

// The command table. A new command is a CliCommand subclass and one line here.
std::vector<std::unique_ptr<CliCommand>> makeCommands()
{
    std::vector<std::unique_ptr<CliCommand>> commands;
    commands.push_back(std::make_unique<ListCommand>());
    commands.push_back(std::make_unique<StatusCommand>());
    commands.push_back(std::make_unique<PortCommand>());
    commands.push_back(std::make_unique<FirmwareCommand>());
    return commands;
}

QString commandHelp(const std::vector<std::unique_ptr<CliCommand>> &commands)
{
    int width = 0;
    for (const auto &c : commands)
        width = std::max(width, int(c->synopsis().size()));
    QString text = QStringLiteral("Controls Tarvex video switches.\n\nCommands:\n");
    for (const auto &c : commands)
        text += QStringLiteral("  ") + c->synopsis().leftJustified(width) + QStringLiteral("  ") +
                c->summary() + QLatin1Char('\n');
    text += QStringLiteral("\nThe switch used is the one given with --serial, else the one "
                           "selected in the tray\napplication, else the only attached one. Exit "
                           "status: 0 success, 1 failure,\n2 usage error.");
    return text;
}

// QCommandLineParser has no options with an optional value: "--simulate=N" is taken out
// here and the parser sees a plain "--simulate". Returns false for a bad N.
bool extractSimulate(QStringList &arguments, int *count, QString *error)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("--serial")) {
            ++i; // its value is a serial, whatever it looks like
            continue;
        }
        if (arg == QLatin1String("--simulate")) {
            *count = 2;
            continue;
        }
        if (!arg.startsWith(QLatin1String("--simulate=")))
            continue;
        const QString value = arg.mid(int(qstrlen("--simulate=")));
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 1 || n > kMaxSimulatedSwitches) {
            *error = QStringLiteral("--simulate wants a number of switches from 1 to %1, got "
                                    "\"%2\"")
                         .arg(kMaxSimulatedSwitches)
                         .arg(value);
            return false;
        }
        *count = n;
        arguments[i] = QStringLiteral("--simulate");
    }
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvexctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVEX_VERSION));

    const auto commands = makeCommands();

    QCommandLineParser parser;
    parser.setApplicationDescription(commandHelp(commands));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption serialOption(QStringList{QStringLiteral("serial")},
                                          QStringLiteral("Address the switch with serial S."),
                                          QStringLiteral("S"));
    const QCommandLineOption simulateOption(
        QStringList{QStringLiteral("simulate")},
        QStringLiteral("--simulate[=N]: use N simulated switches (default 2) instead of USB."));
    const QCommandLineOption jsonOption(QStringList{QStringLiteral("json")},
                                        QStringLiteral("Print the answer as JSON."));
    parser.addOption(serialOption);
    parser.addOption(simulateOption);
    parser.addOption(jsonOption);
    for (const auto &c : commands) {
        for (const QCommandLineOption &o : c->options())
            parser.addOption(o);
    }
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("One of the commands above, with its arguments."),
                                 QStringLiteral("command [arguments]"));

    CliContext::Options options;
    QStringList arguments = QCoreApplication::arguments();
    QString simulateError;
    if (!extractSimulate(arguments, &options.simulate, &simulateError))
        return CliContext::usageError(simulateError);
    if (!parser.parse(arguments))
        return CliContext::usageError(parser.errorText());
    // showHelp() and showVersion() print and exit with status 0.
    if (parser.isSet(helpOption))
        parser.showHelp(ExitSuccess);
    if (parser.isSet(versionOption))
        parser.showVersion();

    options.json = parser.isSet(jsonOption);
    if (parser.isSet(serialOption)) {
        options.serial = parser.value(serialOption);
        if (options.serial->isEmpty())
            return CliContext::usageError(QStringLiteral("--serial needs a serial number"));
    }
    QStringList words = parser.positionalArguments();
    if (words.isEmpty())
        return CliContext::usageError(QStringLiteral("no command given"));
    const QString name = words.takeFirst();
    for (const auto &c : commands) {
        if (c->name() == name) {
            CliContext context(parser, options);
            return c->run(context, words);
        }
    }
    return CliContext::usageError(QStringLiteral("unknown command \"%1\"").arg(name));
}
