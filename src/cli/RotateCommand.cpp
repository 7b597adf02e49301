// `tarvexctl rotate`; see RotateCommand.h.
#include "cli/RotateCommand.h"

#include "cli/CliContext.h"
#include "switch/PortRotation.h"
#include "switch/SwitchProtocol.h"
#include "switch/UnixSignalRelay.h"

#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QMap>
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
              "computer shown; with --count it ends the same way after N steps.\n"
              "With --all, or when the tray switches all switches together, every attached "
              "switch rotates, in step, each from its own active port.");
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
    const auto decision = context.chooseSwitches(&status);
    if (!decision)
        return status;
    PortRotation rotation(context.addressing());
    if (!decision->together) {
        // The bound of a rotation of one switch; switches rotating together ask for their own.
        const auto identifier = context.switchID(decision->targets.first(), &status);
        if (!identifier)
            return status;
        rotation.setPortCount(std::uint32_t(SwitchPortCount(*identifier)));
    }
    if (interval > 0)
        rotation.setInterval(interval);
    const PortNames names = context.portNames();
    const auto described = [&](const QString &serial, int port) {
        const QString name = names.name(serial, port);
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
    // Per switch: the ports shown, and whether a select came after the last step (the final
    // one, whichever way the rotation ended).
    struct Track {
        QJsonArray shown;
        bool followed = false;
    };
    QMap<QString, Track> tracks;
    int firings = 0;
    int steps = 0;
    QStringList errors;
    QObject::connect(&rotation, &PortRotation::portSelected,
                     [&](const QString &serial) { tracks[serial].followed = true; });
    QObject::connect(&rotation, &PortRotation::stepped, [&](const QString &serial, int machinePort) {
        Track &t = tracks[serial];
        t.followed = false;
        t.shown.append(machinePort + 1);
        ++steps;
        if (!context.json())
            context.printLine(tr("%1: port %2").arg(serial, described(serial, machinePort + 1)));
    });
    // A switch that could not take a step: carrying on would hide it.
    QObject::connect(&rotation, &PortRotation::skipped, [&](const QStringList &reasons) {
        errors << reasons;
        if (!reasons.isEmpty())
            loop.quit();
    });
    QObject::connect(&rotation, &PortRotation::finished, &loop, &QEventLoop::quit);
    rotation.start(count);

    QStringList serials = decision->together ? rotation.rotatingSerials()
                                             : QStringList{decision->targets.first().serial};
    for (const QString &serial : serials) {
        const auto position = rotation.startPosition(serial);
        tracks[serial].followed = false;
        if (!context.json())
            context.printLine(tr("%1: rotating every %2 s from port %3; Ctrl-C stops")
                                  .arg(serial, QString::number(rotation.interval()),
                                       described(serial, position + 1)));
    }
    // A step that did not reach the switch ends the rotation: carrying on would hide it.
    QObject::connect(rotation.timer(), &QTimer::timeout, &loop, [&] {
        ++firings;
        if (!decision->together && steps < firings) {
            rotation.stop();
            loop.quit();
        }
    });
    if (errors.isEmpty() && !serials.isEmpty())
        loop.exec();

    // Interrupted: the tray's Rotate ends the same way, the USB connection follows the
    // computer shown. After --count steps the rotation has done so itself.
    rotation.stopAndFollow();
    if (!decision->together && steps < firings)
        errors << tr("rotation step %1 could not be sent to the switch %2; rotation stopped")
                      .arg(QString::number(firings), serials.first());
    QJsonArray entries;
    for (const QString &serial : serials) {
        const Track &t = tracks[serial];
        int usbPort = rotation.startPosition(serial) + 1;
        QString error;
        if (t.followed) {
            usbPort = rotation.position(serial) + 1;
            if (!context.json())
                context.printLine(tr("%1: stopped on port %2; its USB connection follows")
                                      .arg(serial, described(serial, usbPort)));
        } else if (errors.isEmpty()) {
            error = tr("the final report could not be sent to the switch %1; its USB connection "
                       "stays on port %2")
                        .arg(serial, QString::number(usbPort));
            errors << error;
        }
        QJsonObject entry{{QStringLiteral("serial"), serial},
                          {QStringLiteral("interval"), rotation.interval()},
                          {QStringLiteral("steps"), t.shown},
                          {QStringLiteral("usb_port"), usbPort}};
        if (!error.isEmpty())
            entry.insert(QStringLiteral("error"), error);
        entries.append(entry);
    }
    if (decision->together && serials.isEmpty() && errors.isEmpty())
        errors << tr("no switch could start the rotation");
    return context.finishSeveral(decision->together
                                     ? QJsonObject{{QStringLiteral("interval"), rotation.interval()},
                                                   {QStringLiteral("switches"), entries}}
                                     : entries.first().toObject(),
                                 errors);
}
