// `tarvexctl rotate`; see RotateCommand.h.
#include "cli/RotateCommand.h"

#include "cli/CliContext.h"
#include "switch/PortRotation.h"
#include "switch/SwitchProtocol.h"
#include "switch/UnixSignalRelay.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>
#include <cmath>
#include <csignal>

namespace {

const QString kInterval = QStringLiteral("interval");
const QString kCount = QStringLiteral("count");

} // namespace

QString RotateCommand::description() const
{
    return tr("Shows the selected switch's ports one after another, starting after the active "
              "port, while the switch's USB connection stays with the computer that was active "
              "at the start, as the tray application's Rotate does. Each step prints the port "
              "shown. Ctrl-C ends the rotation and lets the USB connection follow to the "
              "computer shown; with --count it ends the same way after N steps.");
}

QList<QCommandLineOption> RotateCommand::options() const
{
    return {
        QCommandLineOption(QStringList{kInterval},
                           QT_TRANSLATE_NOOP("tarvexctl", "rotate: seconds per port, 1 to 86400 "
                                                          "(default: the tray's, else 30)."),
                           QStringLiteral("S")),
        QCommandLineOption(QStringList{kCount},
                           QT_TRANSLATE_NOOP("tarvexctl", "rotate: stop after N steps."),
                           QStringLiteral("N")),
    };
}

int RotateCommand::run(CliContext &context, const QStringList &arguments)
{
    if (!arguments.isEmpty())
        return context.usageError(
            tr("rotate takes no arguments, got \"%1\"").arg(arguments.first()));
    const QCommandLineParser &p = context.parser();
    bool ok = true;
    const double interval = p.isSet(kInterval) ? p.value(kInterval).toDouble(&ok) : 0;
    if (!ok || (p.isSet(kInterval) && !(interval >= PortRotation::kMinimumInterval &&
                                        interval <= PortRotation::kMaximumInterval)))
        return context.usageError(
            tr("--interval wants seconds from 1 to 86400, got \"%1\"").arg(p.value(kInterval)));
    const int count = p.isSet(kCount) ? p.value(kCount).toInt(&ok) : 0;
    if (!ok || (p.isSet(kCount) && count < 1))
        return context.usageError(
            tr("--count wants a number of steps from 1 on, got \"%1\"").arg(p.value(kCount)));

    int status = ExitSuccess;
    const auto target = context.chooseSwitch(&status);
    if (!target)
        return status;
    const auto identifier = context.switchID(*target, &status);
    if (!identifier)
        return status;

    PortRotation rotation([&context] { return &context.registry(); },
                          [node = target->node] { return node; });
    rotation.setPortCount(std::uint32_t(SwitchPortCount(*identifier)));
    if (interval > 0)
        rotation.setInterval(interval);
    const PortNames names = context.portNames();
    const auto described = [&](int port) {
        const QString name = names.name(target->serial, port);
        return name.isEmpty() ? QString::number(port)
                              : QString::number(port) + QStringLiteral(" (") + name + QLatin1Char(')');
    };

    // While a rotation runs, Ctrl-C, SIGTERM and SIGHUP end the event loop instead of the
    // process, so that the final report still goes out. So does a closed stdout (the reader
    // of `tarvexctl rotate | head -3` has gone): the rotation ends with its pipeline.
    QEventLoop loop;
    UnixSignalRelay interrupts;
    if (interrupts.watch({SIGINT, SIGTERM, SIGHUP, SIGPIPE}))
        QObject::connect(&interrupts, &UnixSignalRelay::received, &loop, &QEventLoop::quit);
    QJsonArray shown;
    int firings = 0;
    // A select after the last step is the final one, whichever way the rotation ended.
    bool followed = false;
    QObject::connect(&rotation, &PortRotation::portSelected, [&] { followed = true; });
    QObject::connect(&rotation, &PortRotation::stepped, [&](int machinePort, int) {
        followed = false;
        shown.append(machinePort + 1);
        if (!context.json())
            context.printLine(tr("%1: port %2").arg(target->serial, described(machinePort + 1)));
    });
    QObject::connect(&rotation, &PortRotation::finished, &loop, &QEventLoop::quit);
    rotation.start(count);
    const int startPort = (gActiveUSBPort & 0xFF) + 1;
    if (!context.json())
        context.printLine(tr("%1: rotating every %2 s from port %3; Ctrl-C stops")
                              .arg(target->serial, QString::number(rotation.interval()),
                                   described(startPort)));
    // A step that did not reach the switch ends the rotation: carrying on would hide it.
    QObject::connect(rotation.timer(), &QTimer::timeout, &loop, [&] {
        if (++firings > shown.size()) {
            rotation.stop();
            loop.quit();
        }
    });
    loop.exec();

    // Interrupted: the tray's Rotate ends the same way, the USB connection follows the
    // computer shown. After --count steps the rotation has done so itself.
    rotation.stopAndFollow();
    const bool stepFailed = firings > shown.size();
    int usbPort = startPort;
    if (followed) {
        usbPort = (gActiveMachine & 0xFF) + 1;
        if (!context.json())
            context.printLine(tr("%1: stopped on port %2; its USB connection follows")
                                  .arg(target->serial, described(usbPort)));
    }
    QString error;
    if (stepFailed)
        error = tr("rotation step %1 could not be sent to the switch %2; rotation stopped")
                    .arg(QString::number(firings), target->serial);
    else if (!followed)
        error = tr("the final report could not be sent to the switch %1; its USB connection "
                   "stays on port %2")
                    .arg(target->serial, QString::number(usbPort));
    if (context.json()) {
        QJsonObject document{{QStringLiteral("serial"), target->serial},
                             {QStringLiteral("interval"), rotation.interval()},
                             {QStringLiteral("steps"), shown},
                             {QStringLiteral("usb_port"), usbPort}};
        if (!error.isEmpty())
            document.insert(QStringLiteral("error"), error);
        context.printJson(QJsonDocument(document));
        return error.isEmpty() ? ExitSuccess : ExitFailure;
    }
    return error.isEmpty() ? ExitSuccess : context.fail(error);
}
