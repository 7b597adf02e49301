// Platform set-up, switch choice and output for tarvexctl; see CliContext.h.
#include "cli/CliContext.h"

#include "cli/ExchangeFailure.h"
#include "switch/DefaultsStore.h"
#include "switch/StandardDescriptors.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorLib.h"
#include "usb/linux/LinuxHidPlatform.h"
#include "usb/sim/SimHidPlatform.h"

#include <QJsonObject>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// The output mode is the process's: errors found before any context exists (a bad option)
// must come out in it too.
bool gJsonOutput = false;
// With --json, stdout holds exactly one document; an error after the answer's document
// goes to stderr rather than start a second one.
bool gJsonPrinted = false;

// The first failed write of the answer (an errno value): the exit status must not say success.
int gOutputError = 0;

void writeTo(std::FILE *stream, const QByteArray &bytes)
{
    errno = 0;
    const bool written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) ==
                             size_t(bytes.size()) &&
                         std::fflush(stream) == 0;
    if (!written && stream == stdout && gOutputError == 0)
        gOutputError = errno != 0 ? errno : EIO;
}

QString quotedList(const QStringList &words)
{
    QStringList quoted;
    for (const QString &w : words)
        quoted << QLatin1Char('"') + w + QLatin1Char('"');
    return quoted.join(QStringLiteral(", "));
}

} // namespace

QString CliContext::oneLine(const QString &text)
{
    // Names and serials are printed as they are, emoji and all; only what a terminal would
    // act on (control characters, escape sequences, line and paragraph separators) becomes
    // U+FFFD, so a line stays one line and the terminal stays sane.
    QString out;
    out.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        const QChar::Category category = QChar::category(c);
        if (category == QChar::Other_Control || category == QChar::Separator_Line ||
            category == QChar::Separator_Paragraph || category == QChar::Other_Surrogate)
            out += QChar(QChar::ReplacementCharacter);
        else
            out += QString::fromUcs4(&c, 1);
    }
    return out;
}

CliContext::CliContext(const QCommandLineParser &parser, Options options)
    : mParser(parser), mOptions(std::move(options))
{
    setJsonOutput(mOptions.json);
}

CliContext::~CliContext()
{
    // The registry borrows nodes of the layer's list, and the list's interfaces belong to
    // the platform: release them in that order, and leave the layer no dangling platform.
    mRegistry.reset();
    if (mPlatform) {
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
        mPlatform.reset();
    }
}

int CliContext::openDevices()
{
    if (mRegistry)
        return ExitSuccess;
    if (mOptions.simulate)
        mPlatform = tarvex::SimHidPlatform::withDefaultSwitches(*mOptions.simulate);
    else
        mPlatform = std::make_unique<tarvex::LinuxHidPlatform>();
    IOWarriorSetPlatform(mPlatform.get());
    if (IOWarriorInit() < 0)
        return fail(tr("cannot access USB devices (is udev available?)"));
    mRegistry = std::make_unique<IOWarriorController>();
    mRegistry->findAttachedDevices();
    mAddressing = std::make_unique<AddressedSwitches>([this] { return mRegistry.get(); },
                                                      [this]() -> DefaultsStore & { return defaults(); });
    if (mOptions.serial)
        mAddressing->setScope(AddressedSwitches::Scope::Serial, *mOptions.serial);
    else if (mOptions.all)
        mAddressing->setScope(AddressedSwitches::Scope::All);
    mAddressing->setTakesTheOnlySwitch(true);
    return ExitSuccess;
}

QStringList CliContext::attachedSerials() const
{
    return mRegistry ? mRegistry->allDevices().keys() : QStringList();
}

std::optional<CliContext::Target> CliContext::chooseSwitch(int *exitStatus)
{
    const auto decision = decide(mOptions.serial ? AddressedSwitches::Scope::Serial
                                                 : AddressedSwitches::Scope::Selected,
                                 exitStatus);
    if (!decision)
        return std::nullopt;
    return decision->targets.first();
}

std::optional<AddressedSwitches::Decision> CliContext::chooseSwitches(int *exitStatus)
{
    *exitStatus = openDevices();
    if (*exitStatus != ExitSuccess)
        return std::nullopt;
    return decide(mAddressing->scope(), exitStatus);
}

std::optional<AddressedSwitches::Decision> CliContext::decide(AddressedSwitches::Scope scope,
                                                              int *exitStatus)
{
    *exitStatus = openDevices();
    if (*exitStatus != ExitSuccess)
        return std::nullopt;
    const AddressedSwitches::Decision d = mAddressing->decide(scope);
    const QStringList serials = attachedSerials();
    switch (d.gap) {
    case AddressedSwitches::Gap::None:
        return d;
    case AddressedSwitches::Gap::SerialAbsent:
        *exitStatus =
            serials.isEmpty()
                ? fail(tr("no switch with serial \"%1\" is attached (no Tarvex switch attached)")
                           .arg(d.absentSerial))
                : fail(tr("no switch with serial \"%1\" is attached; attached: %2")
                           .arg(d.absentSerial, quotedList(serials)));
        break;
    case AddressedSwitches::Gap::NoneAttached:
        *exitStatus = fail(tr("no Tarvex switch attached"));
        break;
    case AddressedSwitches::Gap::SelectedAbsent:
    case AddressedSwitches::Gap::NoneChosen:
        *exitStatus = fail(tr("%1 switches are attached (%2); choose one with --serial or "
                              "\"tarvexctl select\"")
                               .arg(QString::number(serials.size()), quotedList(serials)));
        break;
    }
    return std::nullopt;
}

std::optional<std::int32_t> CliContext::switchID(const Target &target, int *exitStatus)
{
    int status = 0;
    const auto record =
        SwitchProtocol::query(*mRegistry, target.node, SwitchProtocol::QuerySwitchID, &status);
    if (!record) {
        *exitStatus = failExchange(target.serial, status);
        return std::nullopt;
    }
    return std::int32_t(SwitchProtocol::switchIDFromRecord(*record));
}

int CliContext::checkPortExists(const Target &target, int port)
{
    // The model decides which ports exist; without its answer nothing is sent.
    int status = ExitSuccess;
    const std::optional<std::int32_t> identifier = switchID(target, &status);
    if (!identifier)
        return status;
    const int ports = SwitchPortCount(*identifier);
    if (port < 1 || port > ports)
        return fail(tr("%1 has %2 ports; port %3 does not exist")
                        .arg(GetSwitchName(*identifier), QString::number(ports),
                             QString::number(port)));
    return ExitSuccess;
}

DefaultsStore &CliContext::defaults()
{
    return DefaultsStore::standard();
}

void CliContext::printLine(const QString &text) const
{
    writeTo(stdout, (oneLine(text) + QLatin1Char('\n')).toUtf8());
}

void CliContext::printText(const QString &text) const
{
    writeTo(stdout, text.toUtf8());
}

void CliContext::printJson(const QJsonDocument &document) const
{
    writeTo(stdout, document.toJson(QJsonDocument::Indented));
    gJsonPrinted = true;
}

int CliContext::finishSeveral(QJsonObject document, const QStringList &failures) const
{
    if (json()) {
        if (!failures.isEmpty())
            document.insert(QStringLiteral("error"), failures.join(QStringLiteral("; ")));
        printJson(QJsonDocument(document));
        return failures.isEmpty() ? ExitSuccess : ExitFailure;
    }
    int status = ExitSuccess;
    for (const QString &failure : failures)
        status = fail(failure);
    return status;
}

int CliContext::answerPort(const QString &serial, int port, const QString &name,
                           const QString &line) const
{
    if (json())
        printJson(QJsonDocument(QJsonObject{
            {QStringLiteral("serial"), serial},
            {QStringLiteral("port"), port},
            {QStringLiteral("port_name"), name.isEmpty() ? QJsonValue() : QJsonValue(name)}}));
    else
        printLine(line);
    return ExitSuccess;
}

int CliContext::failExchange(const QString &serial, int status)
{
    return fail(ExchangeFailure::text(serial, status));
}

int CliContext::fail(const QString &message)
{
    return report(message, ExitFailure);
}

int CliContext::finish(int exitStatus)
{
    int error = gOutputError;
    if (error == 0 && !StandardDescriptors::flushedCleanly(stdout, &error))
        gOutputError = error;
    if (error == 0)
        return exitStatus;
    // A reader that went away (`tarvexctl rotate | head -3`) knows it did; anything else
    // (a full disk, a closed stdout) is said, since the answer is lost.
    if (error != EPIPE)
        writeTo(stderr, (QStringLiteral("tarvexctl: ") +
                         tr("cannot write the answer: %1")
                             .arg(QString::fromLocal8Bit(std::strerror(error))) +
                         QLatin1Char('\n'))
                            .toUtf8());
    return exitStatus == ExitSuccess ? int(ExitFailure) : exitStatus;
}

int CliContext::usageError(const QString &message)
{
    return report(message + tr(" (see tarvexctl --help)"), ExitUsage);
}

void CliContext::setJsonOutput(bool json)
{
    gJsonOutput = json;
}

int CliContext::report(const QString &message, int exitStatus)
{
    if (gJsonOutput && !gJsonPrinted) {
        writeTo(stdout, QJsonDocument(QJsonObject{{QStringLiteral("error"), message}})
                            .toJson(QJsonDocument::Indented));
        gJsonPrinted = true;
    } else {
        writeTo(stderr,
                (QStringLiteral("tarvexctl: ") + oneLine(message) + QLatin1Char('\n')).toUtf8());
    }
    return exitStatus;
}
