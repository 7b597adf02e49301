// Port commands and rotation on a simulated switch, without the application: the period
// made usable, the visiting order in exact reports, commands and steps behind the device
// gate. Timer firings are driven by hand.
#include "switch/PortRotation.h"

#include "../../unit/firmware/LockHolder.h"
#include "TestSupport.h"
#include "switch/SwitchProtocol.h"
#include "usb/IOWarriorController.h"

#include <cmath>
#include <limits>

class PortRotationTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<tarvex::SimHidPlatform> mSim;
    std::shared_ptr<tarvex::SimulatedSwitch> mSwitch;
    std::unique_ptr<IOWarriorController> mRegistry;
    std::unique_ptr<PortRotation> mRotation;
    bool mSelected = true; // whether the target lookup finds the switch

    void fire() { QVERIFY(QMetaObject::invokeMethod(mRotation->timer(), "timeout")); }

private slots:
    void init()
    {
        mSim = std::make_unique<tarvex::SimHidPlatform>();
        mSwitch = mSim->plug("00001001", 1);
        IOWarriorSetPlatform(mSim.get());
        QCOMPARE(IOWarriorInit(), 0);
        mRegistry = std::make_unique<IOWarriorController>();
        mRegistry->findAttachedDevices();
        mSelected = true;
        mRotation = std::make_unique<PortRotation>(
            [this] { return mRegistry.get(); },
            [this] { return mSelected ? mRegistry->deviceWithSerial(QStringLiteral("00001001")) : nullptr; });
        mRotation->setPortCount(4);
        DefaultsStore::standard().removeObjectForKey(PortRotation::timeIntervalKey());
        mSwitch->clearLog();
    }
    void cleanup()
    {
        mRotation.reset();
        mRegistry.reset();
        IOWarriorClearInterfaceList();
        IOWarriorSetPlatform(nullptr);
        mSim.reset();
    }

    // A hand-edited period of 0 would fire without pause; 1e308 used to overflow the timer's
    // millisecond count to 0 and turn the rotation into a busy loop.
    void storedPeriodsAreMadeUsable()
    {
        const double inf = std::numeric_limits<double>::infinity();
        const QList<QPair<QJsonValue, double>> rows{{QJsonValue(), 30}, {QStringLiteral("fast"), 30}, {inf, 30},
                                                    {std::nan(""), 30}, {0, 1}, {-5, 1}, {2.5, 2.5},
                                                    {86400.5, 86400}, {1e308, 86400}};
        for (const auto &[stored, seconds] : rows)
            QCOMPARE(PortRotation::clampedInterval(stored), seconds);
        for (const auto &[stored, ms] : QList<QPair<double, int>>{{1e308, 86400000}, {0, 1000}, {12, 12000}}) {
            storeDefault(PortRotation::timeIntervalKey(), stored);
            mRotation->start();
            QCOMPARE(mRotation->timer()->interval(), ms);
        }
        mRotation->setInterval(-1); // a period given by tarvexctl is held to the same bounds
        QCOMPARE(mRotation->interval(), 1.0);
    }

    void rotationVisitsThePortsAndEndsWithAFinalSelect_data()
    {
        QTest::addColumn<int>("ports");
        QTest::addColumn<int>("activePort");
        QTest::addColumn<Selects>("steps");
        QTest::addColumn<Selects>("final");
        QTest::addColumn<int>("count"); // of steps; 0: until stopped
        QTest::newRow("four") << 4 << 1 << Selects{{2, 1}, {3, 1}, {0, 1}, {1, 1}, {2, 1}}
                              << Selects{{2, 2}} << 0;
        QTest::newRow("two") << 2 << 0 << Selects{{1, 0}, {0, 0}, {1, 0}} << Selects{{1, 1}} << 0;
        // No port count known: the counter stays on real ports instead of running past them.
        QTest::newRow("unknown") << 0 << 2 << Selects{{0, 2}, {0, 2}} << Selects{{0, 0}} << 0;
        // A counted rotation ends by itself, without a final select.
        QTest::newRow("counted") << 4 << 0 << Selects{{1, 0}, {2, 0}} << Selects{} << 2;
    }
    void rotationVisitsThePortsAndEndsWithAFinalSelect()
    {
        QFETCH(int, ports);
        QFETCH(int, activePort);
        QFETCH(Selects, steps);
        QFETCH(Selects, final);
        QFETCH(int, count);
        mRotation->setPortCount(std::uint32_t(ports));
        mSwitch->setActivePort(activePort);
        QSignalSpy stepped(mRotation.get(), &PortRotation::stepped);
        QSignalSpy finished(mRotation.get(), &PortRotation::finished);
        count ? mRotation->start(count) : mRotation->toggle();
        QCOMPARE(mRotation->timer()->interval(), 30000);
        mSwitch->clearLog();
        for (int step = 0; step < steps.size(); ++step)
            fire();
        QCOMPARE(portSelects(mSwitch->log()), steps);
        QCOMPARE(mSwitch->log().front().bytes,
                 (Bytes{0x09, 0x03, 0x0B, std::uint8_t(steps[0].first), std::uint8_t(steps[0].second), 0, 0, 0}));
        QCOMPARE(stepped.size(), steps.size());
        QCOMPARE(finished.size(), count ? 1 : 0);
        mSwitch->clearLog();
        if (!count)
            mRotation->toggle(); // stop: the USB connection follows the shown computer
        QVERIFY(!mRotation->isRunning());
        QCOMPARE(portSelects(mSwitch->log()), final);
    }

    void commandsAndStepsWaitBehindTheGate()
    {
        mRotation->start();
        mRotation->selectPort(4); // ends the rotation without its final select
        QVERIFY(!mRotation->isRunning());
        QCOMPARE(portSelects(mSwitch->log()), (Selects{{3, 3}}));
        mSwitch->clearLog();
        mRotation->start();
        DeviceGate::instance().begin(QStringLiteral("test"));
        fire(); // queued, then void: the rotation ends before the gate opens
        mRotation->stop();
        mRotation->selectPort(2);
        mRotation->toggle(); // starts a new rotation after the select
        QVERIFY(portSelects(mSwitch->log()).isEmpty());
        DeviceGate::instance().end();
        QCOMPARE(portSelects(mSwitch->log()), (Selects{{1, 1}}));
        QVERIFY(mRotation->isRunning());
        // Nothing selected: nothing is sent, but the counter goes on.
        mSelected = false;
        mSwitch->clearLog();
        const int before = gActiveMachine;
        mRotation->step();
        mRotation->selectPort(1);
        QVERIFY(mSwitch->log().empty());
        QCOMPARE(gActiveMachine, (before + 1) % 4);
    }

    // Another program writing firmware: nothing is sent, queued or retried, and a rotation
    // ends at its first step, where the switch is.
    void aSwitchHeldElsewhereRefusesCommandsAndEndsTheRotation()
    {
        QSignalSpy refused(mRotation.get(), &PortRotation::refused);
        QSignalSpy selected(mRotation.get(), &PortRotation::portSelected);
        mSwitch->setActivePort(2);
        {
            LockHolder other("00001001", SwitchLock::Purpose::FirmwareTransfer);
            mRotation->selectPort(2);
            mRotation->toggle(); // its active-port question is refused too
            QVERIFY(mRotation->isRunning());
            const int shown = gActiveMachine;
            fire();
            QVERIFY(!mRotation->isRunning());
            QCOMPARE(gActiveMachine, shown);
            QVERIFY(mSwitch->log().empty() && selected.isEmpty());
            QCOMPARE(refused.size(), 3);
            QCOMPARE(SwitchProtocol::statusText(refused[0][0].toInt()),
                     QStringLiteral("the switch is busy: a firmware upgrade is running in another program"));
        }
        mRotation->selectPort(2);
        QCOMPARE(portSelects(mSwitch->log()), (Selects{{1, 1}}));
    }
};

TARVEX_GUI_TEST_MAIN(PortRotationTest, QCoreApplication)

#include "PortRotationTest.moc"
