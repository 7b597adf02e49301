// `tarvexctl firmware`; see FirmwareCommand.h.
#include "cli/FirmwareCommand.h"

#include "cli/CliContext.h"
#include "cli/FirmwareProgressPrinter.h"
#include "switch/FirmwareCheckAnswer.h"
#include "switch/FirmwareTransfer.h"
#include "switch/UnixSignalRelay.h"
#include "switch/net/FirmwareUpdateCheck.h"

#include <QFile>
#include <QJsonObject>
#include <QTextStream>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>
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

QString detailOf(const FirmwareCheckAnswer &answer)
{
    return answer.detail().isEmpty() ? QString() : QStringLiteral(" (%1)").arg(printable(answer.detail()));
}

QString answerError(const FirmwareCheckAnswer &answer)
{
    if (answer.kind() == FirmwareCheckAnswer::Kind::NotConnected || answer.isSwitchBusy())
        return answer.reason();
    return FirmwareCommand::tr("firmware check failed: %1").arg(answer.reason()) + detailOf(answer);
}

// "firmware 1.4 installed, 1.5 available": both versions, so a script or a person sees what
// the switch runs and what it would get.
QString versionsLine(const FirmwareCheckAnswer &answer)
{
    if (answer.kind() == FirmwareCheckAnswer::Kind::UpToDate)
        return FirmwareCommand::tr("firmware %1 installed, up-to-date").arg(answer.installedVersion());
    const QString offered = printable(answer.offeredVersion());
    if (offered.isEmpty()) // the server named no version, but its image is complete
        return FirmwareCommand::tr("firmware %1 installed, a new one available").arg(answer.installedVersion());
    return FirmwareCommand::tr("firmware %1 installed, %2 available").arg(answer.installedVersion(), offered);
}

} // namespace

QString FirmwareCommand::description() const
{
    return tr("check asks the firmware server whether newer firmware exists for the switch and "
              "prints both versions. upgrade asks the same (or reads the answer from --file), "
              "asks before writing unless --yes is given, and writes the image into the switch; "
              "do not unplug it meanwhile.\n"
              "An answer that holds no firmware is refused and nothing reaches the switch. A "
              "hang-up, interrupt or termination during the transfer waits for its end. While "
              "another program writes to the switch, nothing is done and the exit status is 1.");
}

QList<QCommandLineOption> FirmwareCommand::options() const
{
    return {
        QCommandLineOption(QStringList{kURL}, tr("firmware: ask this check address instead of the configured one."),
                           QStringLiteral("URL")),
        QCommandLineOption(QStringList{kFile},
                           tr("firmware upgrade: take the answer text from IMAGE instead of the server."),
                           QStringLiteral("IMAGE")),
        QCommandLineOption(QStringList{kYes}, tr("firmware upgrade: write without asking.")),
    };
}

int FirmwareCommand::run(CliContext &context, const QStringList &arguments)
{
    if (arguments.size() != 1)
        return context.usageError(tr("firmware wants \"check\" or \"upgrade\""));
    const QCommandLineParser &p = context.parser();
    if (p.isSet(kURL) && p.value(kURL).isEmpty())
        return context.usageError(tr("--url needs an address"));
    if (arguments.first() == QLatin1String("check")) {
        if (p.isSet(kFile) || p.isSet(kYes))
            return context.usageError(tr("firmware check takes only --url"));
        return check(context);
    }
    if (arguments.first() == QLatin1String("upgrade")) {
        if (p.isSet(kURL) && p.isSet(kFile))
            return context.usageError(tr("give either --url or --file, not both"));
        return upgrade(context);
    }
    return context.usageError(tr("unknown firmware command \"%1\"; use check or upgrade").arg(arguments.first()));
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
    const bool upToDate = answer.kind() == FirmwareCheckAnswer::Kind::UpToDate;
    if (!upToDate && answer.kind() != FirmwareCheckAnswer::Kind::Offer)
        return context.fail(answerError(answer));
    if (context.json())
        context.printJson(QJsonDocument(QJsonObject{
            {QStringLiteral("serial"), target->serial},
            {QStringLiteral("installed"), answer.installedVersion()},
            {QStringLiteral("available"), upToDate ? QJsonValue() : QJsonValue(answer.offeredVersion())},
            {QStringLiteral("up_to_date"), upToDate}}));
    else
        context.printLine(versionsLine(answer));
    return ExitSuccess;
}

int FirmwareCommand::upgrade(CliContext &context)
{
    const QCommandLineParser &p = context.parser();
    const bool assumeYes = p.isSet(kYes);
    const bool canAsk = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    // Refused before anything is asked or read: a script without --yes is a mistake.
    if (!assumeYes && !canAsk)
        return context.usageError(tr("firmware upgrade asks before writing, but there is no terminal to "
                                     "ask; pass --yes to write without asking"));

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
            return context.fail(tr("cannot read %1: %2").arg(file.fileName(), file.errorString()));
        const QByteArray body = file.read(FirmwareUpdateCheck::kMaxAnswerBytes + 1);
        if (body.size() > FirmwareUpdateCheck::kMaxAnswerBytes)
            return context.fail(tr("%1 is larger than %2 bytes")
                                    .arg(file.fileName(),
                                         QString::number(FirmwareUpdateCheck::kMaxAnswerBytes)));
        answer = FirmwareCheckAnswer::fromBody(body);
        if (answer.kind() == FirmwareCheckAnswer::Kind::NoAnswer)
            return context.fail(tr("%1 is not a firmware answer: %2")
                                    .arg(file.fileName(), answer.reason() + detailOf(answer)));
    } else {
        FirmwareUpdateCheck checker(context.registry(), context.defaults());
        checker.setTargetSerial(target->serial);
        checker.setCheckURLOverride(p.value(kURL));
        answer = checker.checkAndWait();
    }
    if (answer.kind() == FirmwareCheckAnswer::Kind::UpToDate) {
        context.printLine(versionsLine(answer));
        return ExitSuccess;
    }
    // Only an answer that holds a complete, valid image gets this far: nobody is asked about
    // an image that would be refused anyway.
    if (answer.kind() != FirmwareCheckAnswer::Kind::Offer)
        return context.fail(answerError(answer));

    const QString version = printable(answer.offeredVersion());
    if (!assumeYes) {
        const QString question = tr("Write firmware %1 into switch %2? The switch restarts afterwards; do "
                                    "not unplug it meanwhile. [y/N] ")
                                     .arg(version, target->serial);
        std::fputs(question.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        QTextStream in(stdin);
        const QString reply = in.readLine().trimmed().toLower();
        if (reply != QLatin1String("y") && reply != QLatin1String("yes")) {
            context.printLine(tr("Nothing was written."));
            return ExitFailure;
        }
    }

    FirmwareProgressPrinter printer(isatty(STDOUT_FILENO), context.json());
    FirmwareTransfer transfer(context.registry(), context.defaults());
    transfer.setTargetSerial(target->serial);
    transfer.setObserver(&printer);
    FirmwareOutcome outcome = FirmwareOutcome::busy();
    {
        // Interrupting a transfer would leave the switch half-written: hang-ups, Ctrl-C and
        // termination wait for its end, and say so once; a closed pipe is ignored.
        UnixSignalRelay deferred;
        deferred.ignore({SIGPIPE});
        bool told = false;
        QObject::connect(&deferred, &UnixSignalRelay::received, [&told] {
            if (std::exchange(told, true))
                return;
            // A progress bar on the terminal has no line end yet: the notice starts a line.
            const QString line = tr("firmware upgrade in progress: tarvexctl exits when it has finished");
            std::fputs(((isatty(STDOUT_FILENO) ? QStringLiteral("\n") : QString()) + line + QLatin1Char('\n'))
                           .toLocal8Bit()
                           .constData(),
                       stderr);
        });
        if (!deferred.watch({SIGINT, SIGTERM, SIGHUP}))
            std::fprintf(stderr, "tarvexctl: %s\n",
                         qPrintable(tr("Ctrl-C will not wait for the transfer's end: %1")
                                        .arg(QString::fromLocal8Bit(std::strerror(errno)))));
        outcome = transfer.upgradeAndWait(answer.text());
    }
    QString text = outcome.text();
    if (outcome.kind() == FirmwareOutcome::Kind::RefusedSilently)
        text = tr("Firmware Upgrade stopped: the switch refused a record (status %1)").arg(outcome.recordStatus());
    else if (outcome.kind() == FirmwareOutcome::Kind::NotConnected)
        text = tr("Not connected");
    if (outcome.kind() == FirmwareOutcome::Kind::Damaged)
        text += QStringLiteral(" (%1)").arg(outcome.detail());

    if (context.json()) {
        QJsonObject result({
            {QStringLiteral("serial"), target->serial},
            {QStringLiteral("offered"), answer.offeredVersion()},
            {QStringLiteral("succeeded"), outcome.succeeded()},
            {QStringLiteral("record_status"), outcome.recordStatus()},
            {QStringLiteral("message"), text},
            {QStringLiteral("firmware"), printer.version()},
        });
        if (!outcome.succeeded()) // as every failure under --json: an "error" member
            result.insert(QStringLiteral("error"), text);
        context.printJson(QJsonDocument(result));
    } else {
        if (!printer.version().isEmpty())
            context.printLine(tr("Firmware:  %1").arg(printer.version()));
        if (outcome.succeeded())
            context.printLine(text);
    }
    return outcome.succeeded() ? ExitSuccess : (context.json() ? ExitFailure : context.fail(text));
}
