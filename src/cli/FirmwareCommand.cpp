// `tarvexctl firmware`; see FirmwareCommand.h.
#include "cli/FirmwareCommand.h"

#include "cli/CliContext.h"
#include "cli/FirmwareProgressPrinter.h"
#include "switch/FirmwareCheckAnswer.h"
#include "switch/FirmwareTransfer.h"
#include "switch/SRecordImage.h"
#include "switch/net/FirmwareUpdateCheck.h"

#include <QFile>
#include <QJsonObject>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

const QString kURL = QStringLiteral("url");
const QString kFile = QStringLiteral("file");
const QString kYes = QStringLiteral("yes");

// Text from a server or a file goes to a terminal: nothing in it may steer the terminal.
QString printable(const QString &text)
{
    QString out;
    for (QChar c : text)
        out += (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format) ? QChar(0xFFFD) : c;
    return out.left(200);
}

QString answerError(const FirmwareCheckAnswer &answer)
{
    if (answer.kind() == FirmwareCheckAnswer::Kind::NotConnected)
        return QStringLiteral("Not connected");
    return QStringLiteral("Couldn't open Firmware file! (%1)").arg(answer.reason());
}

// Interrupting a transfer would leave the switch half-written: hang-ups, Ctrl-C and a closed
// pipe are held off while it runs.
class SignalShield
{
public:
    SignalShield()
    {
        for (int i = 0; i < 4; ++i)
            mSaved[i] = std::signal(kSignals[i], SIG_IGN);
    }
    ~SignalShield()
    {
        for (int i = 0; i < 4; ++i)
            std::signal(kSignals[i], mSaved[i]);
    }

private:
    static constexpr int kSignals[4] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};
    void (*mSaved[4])(int);
};

} // namespace

QList<QCommandLineOption> FirmwareCommand::options() const
{
    return {
        QCommandLineOption(QStringList{kURL},
                           QStringLiteral("firmware: ask this check address instead of the configured one."),
                           QStringLiteral("URL")),
        QCommandLineOption(QStringList{kFile},
                           QStringLiteral("firmware upgrade: take the answer text from IMAGE instead of the server."),
                           QStringLiteral("IMAGE")),
        QCommandLineOption(QStringList{kYes}, QStringLiteral("firmware upgrade: write without asking.")),
    };
}

int FirmwareCommand::run(CliContext &context, const QStringList &arguments)
{
    if (arguments.size() != 1)
        return context.usageError(QStringLiteral("firmware wants \"check\" or \"upgrade\""));
    const QCommandLineParser &p = context.parser();
    if (p.isSet(kURL) && p.value(kURL).isEmpty())
        return context.usageError(QStringLiteral("--url needs an address"));
    if (arguments.first() == QLatin1String("check")) {
        if (p.isSet(kFile) || p.isSet(kYes))
            return context.usageError(QStringLiteral("firmware check takes only --url"));
        return check(context);
    }
    if (arguments.first() == QLatin1String("upgrade")) {
        if (p.isSet(kURL) && p.isSet(kFile))
            return context.usageError(QStringLiteral("give either --url or --file, not both"));
        return upgrade(context);
    }
    return context.usageError(
        QStringLiteral("unknown firmware command \"%1\"; use check or upgrade").arg(arguments.first()));
}

int FirmwareCommand::check(CliContext &context)
{
    int status = context.openDevices();
    if (status != ExitSuccess)
        return status;
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;

    FirmwareUpdateCheck checker(context.registry(), context.defaults());
    checker.setTargetSerial(target->serial);
    checker.setCheckURLOverride(context.parser().value(kURL));
    const FirmwareCheckAnswer answer = checker.checkAndWait();
    switch (answer.kind()) {
    case FirmwareCheckAnswer::Kind::UpToDate:
        if (context.json())
            context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("serial"), target->serial},
                                                        {QStringLiteral("upToDate"), true}}));
        else
            context.printLine(QStringLiteral("up-to-date"));
        return ExitSuccess;
    case FirmwareCheckAnswer::Kind::Offer:
        if (context.json())
            context.printJson(QJsonDocument(QJsonObject{{QStringLiteral("serial"), target->serial},
                                                        {QStringLiteral("upToDate"), false},
                                                        {QStringLiteral("offered"), answer.offeredVersion()}}));
        else
            context.printLine(printable(answer.offeredVersion()));
        return ExitSuccess;
    default:
        return context.fail(answerError(answer));
    }
}

int FirmwareCommand::upgrade(CliContext &context)
{
    const QCommandLineParser &p = context.parser();
    const bool assumeYes = p.isSet(kYes);
    const bool canAsk = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    // Refused before anything is asked or read: a script without --yes is a mistake.
    if (!assumeYes && !canAsk)
        return context.usageError(
            QStringLiteral("firmware upgrade asks before writing, but there is no terminal to ask; "
                           "pass --yes to write without asking"));

    int status = context.openDevices();
    if (status != ExitSuccess)
        return status;
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;

    FirmwareCheckAnswer answer = FirmwareCheckAnswer::noAnswer(QString());
    if (p.isSet(kFile)) {
        QFile file(p.value(kFile));
        if (!file.open(QIODevice::ReadOnly))
            return context.fail(QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        const QByteArray body = file.read(FirmwareUpdateCheck::kMaxAnswerBytes + 1);
        if (body.size() > FirmwareUpdateCheck::kMaxAnswerBytes)
            return context.fail(QStringLiteral("%1 is larger than %2 bytes")
                                    .arg(file.fileName())
                                    .arg(FirmwareUpdateCheck::kMaxAnswerBytes));
        answer = FirmwareCheckAnswer::fromBody(body);
        if (answer.kind() == FirmwareCheckAnswer::Kind::NoAnswer)
            return context.fail(QStringLiteral("%1 is not a firmware answer: %2")
                                    .arg(file.fileName(), answer.reason()));
    } else {
        FirmwareUpdateCheck checker(context.registry(), context.defaults());
        checker.setTargetSerial(target->serial);
        checker.setCheckURLOverride(p.value(kURL));
        answer = checker.checkAndWait();
    }
    if (answer.kind() == FirmwareCheckAnswer::Kind::UpToDate) {
        context.printLine(QStringLiteral("up-to-date"));
        return ExitSuccess;
    }
    if (answer.kind() != FirmwareCheckAnswer::Kind::Offer)
        return context.fail(answerError(answer));
    // Checked here too, so nobody is asked about an image that would be refused anyway.
    if (const auto error = SRecordImage::fromText(answer.text()).validationError())
        return context.fail(QStringLiteral("The firmware image is damaged. Nothing was written to "
                                           "the switch. (%1)")
                                .arg(*error));

    const QString version = printable(answer.offeredVersion());
    if (!assumeYes) {
        std::fprintf(stderr,
                     "Write firmware %s into switch %s? The switch restarts afterwards; do not "
                     "unplug it meanwhile. [y/N] ",
                     qPrintable(version), qPrintable(target->serial));
        std::fflush(stderr);
        QTextStream in(stdin);
        const QString reply = in.readLine().trimmed().toLower();
        if (reply != QLatin1String("y") && reply != QLatin1String("yes")) {
            context.printLine(QStringLiteral("Nothing was written."));
            return ExitFailure;
        }
    }

    FirmwareProgressPrinter printer(isatty(STDOUT_FILENO), context.json());
    FirmwareTransfer transfer(context.registry(), context.defaults());
    transfer.setTargetSerial(target->serial);
    transfer.setObserver(&printer);
    FirmwareOutcome outcome = FirmwareOutcome::busy();
    {
        SignalShield shield;
        outcome = transfer.upgradeAndWait(answer.text());
    }
    QString text = outcome.text();
    if (outcome.kind() == FirmwareOutcome::Kind::RefusedSilently)
        text = QStringLiteral("Firmware Upgrade stopped: the switch refused a record (status %1)")
                   .arg(outcome.recordStatus());
    else if (outcome.kind() == FirmwareOutcome::Kind::NotConnected)
        text = QStringLiteral("Not connected");
    if (outcome.kind() == FirmwareOutcome::Kind::Damaged)
        text += QStringLiteral(" (%1)").arg(outcome.detail());

    if (context.json()) {
        context.printJson(QJsonDocument(QJsonObject{
            {QStringLiteral("serial"), target->serial},
            {QStringLiteral("offered"), answer.offeredVersion()},
            {QStringLiteral("succeeded"), outcome.succeeded()},
            {QStringLiteral("recordStatus"), outcome.recordStatus()},
            {QStringLiteral("message"), text},
            {QStringLiteral("firmware"), printer.version()},
        }));
    } else {
        if (!printer.version().isEmpty())
            context.printLine(QStringLiteral("Firmware:  ") + printer.version());
        if (outcome.succeeded())
            context.printLine(text);
    }
    return outcome.succeeded() ? ExitSuccess : (context.json() ? ExitFailure : context.fail(text));
}
