// tarvexctl: the Tarvex switches from a terminal. Parses the global options, picks the
// command from the table below and hands it a CliContext; answers help and version itself.
#include "TarvexVersion.h"
#include "cli/CliCommand.h"
#include "cli/CliContext.h"
#include "cli/CliHelp.h"
#include "cli/FirmwareCommand.h"
#include "cli/ListCommand.h"
#include "cli/NameCommand.h"
#include "cli/PortCommand.h"
#include "cli/PortsCommand.h"
#include "cli/RotateCommand.h"
#include "cli/SelectCommand.h"
#include "cli/SerialsCommand.h"
#include "cli/StatusCommand.h"
#include "cli/Utf8Locale.h"
#include "switch/StandardDescriptors.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QStringList>
#include <QTranslator>
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
    commands.push_back(std::make_unique<SelectCommand>());
    commands.push_back(std::make_unique<PortCommand>());
    commands.push_back(std::make_unique<NameCommand>());
    commands.push_back(std::make_unique<RotateCommand>());
    commands.push_back(std::make_unique<FirmwareCommand>());
    commands.push_back(std::make_unique<SerialsCommand>());
    commands.push_back(std::make_unique<PortsCommand>());
    return commands;
}

// What the parser cannot see for itself. QCommandLineParser has no options with an optional
// value: "--simulate=N" is taken out here and the parser sees a plain "--simulate". --json
// is noticed here too, so that even a bad option is reported in JSON. Returns false for a
// bad N.
bool prescan(QStringList &arguments, CliContext::Options *options, QString *error)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &arg = arguments.at(i);
        if (arg == QLatin1String("--"))
            break;
        if (arg == QLatin1String("--serial")) {
            ++i; // its value is a serial, whatever it looks like
            continue;
        }
        if (arg == QLatin1String("--json"))
            options->json = true;
        if (arg == QLatin1String("--simulate"))
            options->simulate = 2;
        if (!arg.startsWith(QLatin1String("--simulate=")))
            continue;
        const QString value = arg.mid(int(qstrlen("--simulate=")));
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 0 || n > kMaxSimulatedSwitches) {
            *error =
                QCoreApplication::translate(
                    "tarvexctl", "--simulate wants a number of switches from 0 to %1, got \"%2\"")
                    .arg(QString::number(kMaxSimulatedSwitches), value);
            return false;
        }
        options->simulate = n;
        arguments[i] = QStringLiteral("--simulate");
    }
    return true;
}

// What the parser refused, in the words of every other error: the option with its dashes,
// and the nearest option that exists.
QString optionError(const QCommandLineParser &parser, const CliHelp &help)
{
    const auto dashed = [](const QString &name) {
        return (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
    };
    if (const QStringList unknown = parser.unknownOptionNames(); !unknown.isEmpty()) {
        const QString option = dashed(unknown.first());
        const QString nearest = help.nearestOption(option);
        return nearest.isEmpty()
                   ? QCoreApplication::translate("tarvexctl", "unknown option \"%1\"").arg(option)
                   : QCoreApplication::translate("tarvexctl",
                                                 "unknown option \"%1\"; did you mean \"%2\"?")
                         .arg(option, nearest);
    }
    // The parser names the option in quotes: "Missing value after '--url'."
    const QString text = parser.errorText();
    const QString option =
        QRegularExpression(QStringLiteral("'([^']*)'")).match(text).captured(1);
    if (text.startsWith(QLatin1String("Missing value")))
        return QCoreApplication::translate("tarvexctl", "%1 needs a value").arg(option);
    if (text.startsWith(QLatin1String("Unexpected value")))
        return QCoreApplication::translate("tarvexctl", "%1 takes no value")
            .arg(option.section(QLatin1Char('='), 0, 0));
    QString message = text;
    if (message.endsWith(QLatin1Char('.')))
        message.chop(1);
    return message.isEmpty() ? message : message.front().toLower() + message.mid(1);
}

// tarvexctl speaks the tray application's language, from the same table.
void loadTranslations(QCoreApplication &app, QTranslator &translator)
{
    if (translator.load(QLocale(), QStringLiteral("tarvexcc"), QStringLiteral("_"),
                        QStringLiteral(":/i18n")))
        app.installTranslator(&translator);
}

int runCommandLine()
{
    const auto commands = makeCommands();

    QCommandLineParser parser;
    const QCommandLineOption helpOption(
        QStringList{QStringLiteral("h"), QStringLiteral("help")},
        QT_TRANSLATE_NOOP("tarvexctl", "Print this help; after a command, its usage."));
    const QCommandLineOption versionOption(
        QStringList{QStringLiteral("v"), QStringLiteral("version")},
        QT_TRANSLATE_NOOP("tarvexctl", "Print the version."));
    const QCommandLineOption serialOption(
        QStringList{QStringLiteral("serial")},
        QT_TRANSLATE_NOOP("tarvexctl", "Address the switch with serial number S."),
        QStringLiteral("S"));
    const QCommandLineOption allOption(
        QStringList{QStringLiteral("all")},
        QT_TRANSLATE_NOOP("tarvexctl", "Address every attached switch (port, rotate, status, "
                                       "list), whatever the tray's choice."));
    const QCommandLineOption simulateOption(
        QStringList{QStringLiteral("simulate")},
        QT_TRANSLATE_NOOP("tarvexctl",
                          "Use N simulated switches (0 to 16, default 2) instead of USB."));
    const QCommandLineOption jsonOption(
        QStringList{QStringLiteral("json")},
        QT_TRANSLATE_NOOP("tarvexctl", "Print the answer, errors included, as JSON."));
    const QList<QCommandLineOption> globalOptions = {helpOption,     versionOption, serialOption,
                                                     simulateOption, allOption,     jsonOption};
    for (const QCommandLineOption &o : globalOptions)
        parser.addOption(o);
    for (const auto &c : commands) {
        for (const QCommandLineOption &o : c->options())
            parser.addOption(o);
    }
    QList<CliHelp::Row> globalRows;
    for (const QCommandLineOption &o : globalOptions)
        globalRows.append(CliHelp::rowFor(o));
    globalRows[3].label += QStringLiteral("[=N]"); // the value the parser is not told about
    const CliHelp help(commands, globalRows);

    CliContext::Options options;
    QStringList arguments = QCoreApplication::arguments();
    QString prescanError;
    const bool prescanned = prescan(arguments, &options, &prescanError);
    CliContext::setJsonOutput(options.json);
    if (!prescanned)
        return CliContext::usageError(prescanError);
    if (!parser.parse(arguments))
        return CliContext::usageError(optionError(parser, help));
    if (parser.isSet(serialOption)) {
        options.serial = parser.value(serialOption);
        if (options.serial->isEmpty())
            return CliContext::usageError(
                QCoreApplication::translate("tarvexctl", "--serial needs a serial number"));
    }
    options.all = parser.isSet(allOption);
    if (options.all && options.serial)
        return CliContext::usageError(QCoreApplication::translate(
            "tarvexctl", "--all and --serial exclude each other"));
    CliContext context(parser, options);
    const auto printHelp = [&context](const QString &text) {
        if (context.json())
            context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("help"), text}}));
        else
            context.printText(text);
        return int(ExitSuccess);
    };

    if (parser.isSet(versionOption)) {
        if (context.json())
            context.printJson(QJsonDocument(
                QJsonObject{{QStringLiteral("version"), QStringLiteral(TARVEX_VERSION)}}));
        else
            context.printLine(QStringLiteral("tarvexctl " TARVEX_VERSION));
        return ExitSuccess;
    }
    QStringList words = parser.positionalArguments();
    if (words.isEmpty()) {
        if (parser.isSet(helpOption))
            return printHelp(help.programHelp());
        return CliContext::usageError(QCoreApplication::translate("tarvexctl", "no command given"));
    }
    const QString name = words.takeFirst();
    // "--simulate 3 list": the parser cannot know that 3 was meant for --simulate.
    bool isNumber = false;
    name.toUInt(&isNumber);
    if (const int at = int(arguments.indexOf(name));
        isNumber && at > 0 && arguments.at(at - 1) == QLatin1String("--simulate"))
        return CliContext::usageError(
            QCoreApplication::translate("tarvexctl",
                                        "give the number of simulated switches as --simulate=%1")
                .arg(name));
    if (name == QLatin1String("help")) {
        if (words.size() > 1)
            return CliContext::usageError(
                QCoreApplication::translate("tarvexctl", "help takes at most one command name"));
        if (const auto text = help.helpFor(words.value(0)))
            return printHelp(*text);
        return CliContext::usageError(
            QCoreApplication::translate("tarvexctl", "unknown command \"%1\"; %2")
                .arg(words.first(), help.suggestionFor(words.first())));
    }
    for (const auto &c : commands) {
        if (c->name() != name)
            continue;
        if (parser.isSet(helpOption))
            return printHelp(help.commandHelp(*c));
        // Naming ports and writing firmware go to one switch at a time.
        if (options.all && !QStringList{QStringLiteral("port"), QStringLiteral("rotate"),
                                        QStringLiteral("status"), QStringLiteral("list")}
                                 .contains(name))
            return CliContext::usageError(QCoreApplication::translate(
                                              "tarvexctl", "--all works with port, rotate, "
                                                           "status and list, not with %1")
                                              .arg(name));
        return c->run(context, words);
    }
    return CliContext::usageError(
        QCoreApplication::translate("tarvexctl", "unknown command \"%1\"; %2")
            .arg(name, help.suggestionFor(name)));
}

} // namespace

int main(int argc, char *argv[])
{
    StandardDescriptors::ensureOpen();
    Utf8Locale::ensure();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarvexctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARVEX_VERSION));
    QTranslator translator;
    loadTranslations(app, translator);
    return CliContext::finish(runCommandLine());
}
