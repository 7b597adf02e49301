// Platform set-up, switch choice and output for tarvexctl; see CliContext.h.
#include "cli/CliContext.h"

#include "switch/DefaultsStore.h"
#include "usb/IOWarriorLib.h"
#include "usb/linux/LinuxHidPlatform.h"
#include "usb/sim/SimHidPlatform.h"

#include <cstdio>

namespace {

void writeTo(std::FILE *stream, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// A line stays one line, and the terminal stays sane, whatever a device put into its
// serial text.
QString oneLine(QString text)
{
    for (QChar &c : text) {
        if (!c.isPrint())
            c = QLatin1Char('?');
    }
    return text;
}

} // namespace

CliContext::CliContext(const QCommandLineParser &parser, Options options)
    : mParser(parser), mOptions(std::move(options))
{
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
    if (mOptions.simulate > 0) {
        mPlatform = tarvex::SimHidPlatform::withDefaultSwitches(mOptions.simulate);
    } else {
        mPlatform = std::make_unique<tarvex::LinuxHidPlatform>();
    }
    IOWarriorSetPlatform(mPlatform.get());
    if (IOWarriorInit() < 0)
        return fail(QStringLiteral("cannot access USB devices (is udev available?)"));
    mRegistry = std::make_unique<IOWarriorController>();
    mRegistry->findAttachedDevices();
    return ExitSuccess;
}

QStringList CliContext::attachedSerials() const
{
    return mRegistry ? mRegistry->allDevices().keys() : QStringList();
}

std::optional<CliContext::Target> CliContext::chooseSwitch(int *exitStatus)
{
    *exitStatus = openDevices();
    if (*exitStatus != ExitSuccess)
        return std::nullopt;

    const QStringList serials = attachedSerials();
    const auto quoted = [&serials] {
        QStringList q;
        for (const QString &s : serials)
            q << QStringLiteral("\"%1\"").arg(s);
        return q.join(QStringLiteral(", "));
    };

    if (mOptions.serial) {
        if (IOWarriorListNodeStruct *node = mRegistry->deviceWithSerial(*mOptions.serial))
            return Target{*mOptions.serial, node};
        *exitStatus = serials.isEmpty()
                          ? fail(QStringLiteral("no switch with serial \"%1\" is attached "
                                                "(no Tarvex switch attached)")
                                     .arg(*mOptions.serial))
                          : fail(QStringLiteral("no switch with serial \"%1\" is attached; "
                                                "attached: %2")
                                     .arg(*mOptions.serial, quoted()));
        return std::nullopt;
    }
    if (serials.isEmpty()) {
        *exitStatus = fail(QStringLiteral("No Tarvex switch attached."));
        return std::nullopt;
    }
    // The tray application's choice, when that switch is here.
    const QString selected = defaults().stringForKey(QStringLiteral("Selected Switch"));
    if (!selected.isNull()) {
        if (IOWarriorListNodeStruct *node = mRegistry->deviceWithSerial(selected))
            return Target{selected, node};
    }
    if (serials.size() == 1)
        return Target{serials.first(), mRegistry->deviceWithSerial(serials.first())};
    *exitStatus = fail(QStringLiteral("%1 switches are attached (%2); choose one with --serial")
                           .arg(serials.size())
                           .arg(quoted()));
    return std::nullopt;
}

DefaultsStore &CliContext::defaults()
{
    return DefaultsStore::standard();
}

void CliContext::printLine(const QString &text) const
{
    writeTo(stdout, (oneLine(text) + QLatin1Char('\n')).toUtf8());
}

void CliContext::printJson(const QJsonDocument &document) const
{
    writeTo(stdout, document.toJson(QJsonDocument::Indented));
}

int CliContext::fail(const QString &message)
{
    writeTo(stderr, (QStringLiteral("tarvexctl: ") + oneLine(message) + QLatin1Char('\n')).toUtf8());
    return ExitFailure;
}

int CliContext::usageError(const QString &message)
{
    writeTo(stderr, (QStringLiteral("tarvexctl: ") + oneLine(message) +
                     QStringLiteral(" (see tarvexctl --help)\n"))
                        .toUtf8());
    return ExitUsage;
}
