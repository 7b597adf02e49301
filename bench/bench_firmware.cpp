// How close a firmware transfer comes to the pace the switch sets: a 64 KiB image written
// into a simulated switch with the real clock, wall time divided by the pauses the switch
// requires (goal: at most 1.05). Also shows how often the event loop turned meanwhile.
// Prints figures only; never fails on timing.
#include "SRecordTestImages.h"
#include "switch/DefaultsStore.h"
#include "switch/FirmwareTransfer.h"
#include "switch/PreciseTransferClock.h"
#include "usb/IOWarriorController.h"
#include "usb/IOWarriorLib.h"
#include "usb/sim/SimHidPlatform.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int imageBytes = argc > 1 ? std::max(16, QString::fromLocal8Bit(argv[1]).toInt()) : 64 * 1024;

    const QString text = SRecordTestImages::image(imageBytes / 16);
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);

    // The pauses the switch requires: per record 0.1 ms after the header, 1 ms after each
    // six-character chunk, 2 ms before and 2 ms after the status read; 2 s after the restart;
    // 3 x 1 ms in the version query that follows.
    double mandatedMs = 2000.0 + 3.0;
    int records = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype chunks = (lines[i].size() + 5) / 6;
        mandatedMs += 0.1 + double(chunks) + 4.0;
        ++records;
    }

    QTemporaryDir dir;
    tarvex::SimHidPlatform sim;
    auto sw = sim.plug("00001001", 1, 1, 4);
    sw->setVersionAfterRestart(1, 5);
    IOWarriorSetPlatform(&sim);
    IOWarriorInit();
    IOWarriorController registry;
    registry.findAttachedDevices();
    QCoreApplication::processEvents();
    DefaultsStore defaults(dir.filePath(QStringLiteral("defaults.json")));
    defaults.setObjectForKey(QStringLiteral("Selected Switch"), QStringLiteral("00001001"));
    FirmwareTransfer transfer(registry, defaults);

    // Event-loop turns during the transfer and the longest stretch without one, seen by a
    // 5 ms timer (a busy zero-interval timer would itself slow the transfer's wake-ups).
    QElapsedTimer sinceTurn;
    qint64 longestGapUs = 0;
    long turns = 0;
    QTimer ticker;
    ticker.setInterval(5);
    ticker.setTimerType(Qt::PreciseTimer);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (!transfer.isRunning())
            return;
        ++turns;
        longestGapUs = std::max(longestGapUs, sinceTurn.nsecsElapsed() / 1000);
        sinceTurn.restart();
    });
    ticker.start();

    // What the machine itself adds to every 1 ms sleep right now (other processes, timer
    // wake-up), so the transfer's own overhead can be told apart from the machine's.
    double oversleepUs = 0;
    {
        PreciseTransferClock clock;
        clock.beginTransfer();
        constexpr int kSamples = 1000;
        for (int i = 0; i < kSamples; ++i) {
            const auto deadline = clock.now() + std::chrono::milliseconds(1);
            clock.sleepUntil(deadline);
            oversleepUs += double(std::chrono::duration_cast<std::chrono::nanoseconds>(clock.now() - deadline).count()) / 1000.0;
        }
        clock.endTransfer();
        oversleepUs /= kSamples;
    }

    QElapsedTimer wall;
    wall.start();
    sinceTurn.start();
    const FirmwareOutcome outcome = transfer.upgradeAndWait(text);
    const double wallMs = double(wall.nsecsElapsed()) / 1e6;

    std::printf("bench_firmware: %d-byte image, %d records, outcome: %s\n", imageBytes, records,
                qPrintable(outcome.text().isEmpty() ? QStringLiteral("(no alert)") : outcome.text()));
    std::printf("  wall time        %10.1f ms\n", wallMs);
    std::printf("  mandated pauses  %10.1f ms\n", mandatedMs);
    std::printf("  ratio            %10.4f  (goal <= 1.05)\n", wallMs / mandatedMs);
    // Nine sleeps per record end in a wake-up (the 0.1 ms after the header is spun).
    const double machineMs = mandatedMs + 9.0 * records * oversleepUs / 1000.0;
    std::printf("  machine wake-up  %10.1f us per sleep -> %.4f of the quotient is the machine's\n",
                oversleepUs, machineMs / mandatedMs);
    std::printf("  5 ms timer fired %10ld times, longest gap %.1f ms\n", turns, double(longestGapUs) / 1000.0);
    IOWarriorClearInterfaceList();
    IOWarriorSetPlatform(nullptr);
    return outcome.succeeded() ? 0 : 1;
}
