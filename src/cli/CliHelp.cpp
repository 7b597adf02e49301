// Help texts and command suggestions for tarvexctl; see CliHelp.h.
#include "cli/CliHelp.h"

#include "cli/CliCommand.h"
#include "cli/ExchangeFailure.h"

#include <QCommandLineOption>
#include <QRegularExpression>
#include <QStringList>
#include <algorithm>

namespace {

const QString kHelp = QStringLiteral("help");
constexpr int kLabelWidth = 18; // options and commands are described from column 21 on

} // namespace

QString CliHelp::wrap(const QString &text, int indent)
{
    QString result;
    QString line;
    const QString margin(indent, QLatin1Char(' '));
    for (const QString &word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (!line.isEmpty() && indent + line.size() + 1 + word.size() > CliHelp::kWidth) {
            result += margin + line + QLatin1Char('\n');
            line.clear();
        }
        line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
    }
    if (!line.isEmpty())
        result += margin + line + QLatin1Char('\n');
    return result;
}

namespace {

// "  label             text", the text wrapped under itself; a label too wide for its
// column puts the text on the next line.
QString table(const QList<CliHelp::Row> &rows)
{
    QString result;
    for (const CliHelp::Row &row : rows) {
        const QString label = QStringLiteral("  ") + row.label;
        const QString text = CliHelp::wrap(row.text, kLabelWidth + 4);
        if (text.isEmpty())
            result += label + QLatin1Char('\n');
        else if (label.size() > kLabelWidth + 2)
            result += label + QLatin1Char('\n') + text;
        else
            result += label.leftJustified(kLabelWidth + 4) + text.mid(kLabelWidth + 4);
    }
    return result;
}

QList<CliHelp::Row> optionRows(const QList<QCommandLineOption> &options)
{
    QList<CliHelp::Row> rows;
    for (const QCommandLineOption &o : options)
        rows.append(CliHelp::rowFor(o));
    return rows;
}

// Edits between two words, a swap of neighbours counting as one edit.
int distance(const QString &a, const QString &b)
{
    std::vector<std::vector<int>> d(size_t(a.size() + 1), std::vector<int>(size_t(b.size() + 1)));
    for (int i = 0; i <= a.size(); ++i)
        d[size_t(i)][0] = i;
    for (int j = 0; j <= b.size(); ++j)
        d[0][size_t(j)] = j;
    for (int i = 1; i <= a.size(); ++i) {
        for (int j = 1; j <= b.size(); ++j) {
            const size_t x = size_t(i), y = size_t(j);
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[x][y] = std::min({d[x - 1][y] + 1, d[x][y - 1] + 1, d[x - 1][y - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[x][y] = std::min(d[x][y], d[x - 2][y - 2] + 1);
        }
    }
    return d[size_t(a.size())][size_t(b.size())];
}

} // namespace

CliHelp::CliHelp(const std::vector<std::unique_ptr<CliCommand>> &commands, QList<Row> globalOptions)
    : mCommands(commands), mGlobalOptions(std::move(globalOptions))
{
}

CliHelp::Row CliHelp::rowFor(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &n : option.names())
        names << (n.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + n;
    QString label = names.join(QStringLiteral(", "));
    if (!option.valueName().isEmpty())
        label += QLatin1Char(' ') + option.valueName();
    // Descriptions are marked for translation where the option is made.
    return {label,
            QCoreApplication::translate("tarvexctl", option.description().toUtf8().constData())};
}

QString CliHelp::programHelp() const
{
    QList<Row> commands;
    QList<QCommandLineOption> commandOptions;
    for (const auto &c : mCommands) {
        if (c->hidden())
            continue;
        commands.append({c->synopsis(), c->summary()});
        commandOptions += c->options();
    }
    commands.append({tr("help [COMMAND]"), tr("this help, or the usage of COMMAND")});

    QString text = tr("Usage: tarvexctl [OPTIONS] COMMAND [ARGUMENTS]") + QLatin1Char('\n') +
                   tr("Controls Tarvex video switches from a terminal.") + QStringLiteral("\n\n") +
                   tr("Commands:") + QLatin1Char('\n') + table(commands) + QLatin1Char('\n') +
                   tr("Options:") + QLatin1Char('\n') +
                   table(mGlobalOptions + optionRows(commandOptions));
    const QStringList paragraphs = {
        tr("The switch used is the one given with --serial, else the one selected in the tray "
           "application, else the only attached one."),
        tr("Exit status: 0 success, 1 failure (no switch, no answer, no permission), 2 usage "
           "error."),
        tr("When a switch cannot be opened for lack of permission: %1.")
            .arg(ExchangeFailure::permissionRemedy()),
    };
    for (const QString &p : paragraphs)
        text += QLatin1Char('\n') + wrap(p, 0);
    return text;
}

QString CliHelp::commandHelp(const CliCommand &command) const
{
    QString text = tr("Usage: tarvexctl [OPTIONS] %1").arg(command.synopsis()) + QLatin1Char('\n');
    if (text.size() > kWidth + 1)
        text = tr("Usage: tarvexctl [OPTIONS]") + QLatin1Char('\n') + wrap(command.synopsis(), 2);
    text += QLatin1Char('\n');
    for (const QString &p : command.description().split(QLatin1Char('\n')))
        text += wrap(p, 0);
    const QList<QCommandLineOption> own = command.options();
    if (!own.isEmpty())
        text += QLatin1Char('\n') + tr("Options:") + QLatin1Char('\n') + table(optionRows(own));
    QStringList common;
    for (const Row &r : mGlobalOptions)
        common << r.label;
    text += QLatin1Char('\n') + wrap(tr("Options of every command: %1 (see tarvexctl --help).")
                                         .arg(common.join(QStringLiteral("; "))),
                                     0);
    return text;
}

std::optional<QString> CliHelp::helpFor(const QString &name) const
{
    if (name.isEmpty())
        return programHelp();
    if (name == kHelp)
        return tr("Usage: tarvexctl help [COMMAND]") + QStringLiteral("\n\n") +
               wrap(tr("Prints the help, or with COMMAND the usage of that command, like "
                       "\"tarvexctl COMMAND --help\"."),
                    0);
    for (const auto &c : mCommands) {
        if (c->name() == name)
            return commandHelp(*c);
    }
    return std::nullopt;
}

QString CliHelp::suggestionFor(const QString &word) const
{
    QStringList names;
    for (const auto &c : mCommands) {
        if (!c->hidden())
            names << c->name();
    }
    names << kHelp;
    if (const QString n = nearest(word, names); !n.isEmpty())
        return tr("did you mean \"%1\"?").arg(n);
    return tr("the commands are %1").arg(names.join(QStringLiteral(", ")));
}

QString CliHelp::nearestOption(const QString &option) const
{
    QStringList names;
    for (const Row &r : mGlobalOptions) {
        for (const QString &word : r.label.split(QRegularExpression(QStringLiteral("[ ,\\[]"))))
            if (word.startsWith(QLatin1String("--")))
                names << word;
    }
    for (const auto &c : mCommands) {
        for (const QCommandLineOption &o : c->options())
            names << QStringLiteral("--") + o.names().constLast();
    }
    return nearest(option, names);
}

QString CliHelp::nearest(const QString &word, const QStringList &names)
{
    QString found;
    int best = 3; // more than two slips away is another word, not a typo
    for (const QString &n : names) {
        const int d = distance(word.toLower(), n);
        if (d < best && d < word.size()) {
            best = d;
            found = n;
        }
    }
    return found;
}
