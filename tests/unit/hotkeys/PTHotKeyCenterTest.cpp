// PTHotKeyCenter over a fake service: the registration rules, the single event handler, that a
// press invokes the action once while a release does nothing, and suspending every grab while
// a key combination is captured.
#include "FakeHotKeyService.h"
#include "RecordingTarget.h"

#include "PTHotKeys/FixedUsKeyboardLayout.h"
#include "PTHotKeys/PTHotKey.h"
#include "PTHotKeys/PTHotKeyCenter.h"
#include "PTHotKeys/PTKeyCodeTranslator.h"
#include "PTHotKeys/UnavailableHotKeyService.h"

#include <gtest/gtest.h>

namespace {

const PTKeyCombo kCmd1(0x12, 0x0100);
const PTKeyCombo kCmdShift2(0x13, 0x0300);

class PTHotKeyCenterTest : public ::testing::Test
{
protected:
    PTHotKeyCenterTest()
    {
        auto fake = std::make_unique<FakeHotKeyService>();
        service = fake.get();
        center = std::make_unique<PTHotKeyCenter>(std::move(fake));
        hotKey.setIdentifier("Port 1");
        hotKey.setTarget(&target);
        hotKey.setAction("switchToPort1");
        rotate.setTarget(&target);
        rotate.setAction("rotate");
    }

    FakeHotKeyService *service = nullptr;
    std::unique_ptr<PTHotKeyCenter> center;
    RecordingTarget target;
    PTHotKey hotKey;
    PTHotKey rotate{"Rotate", PTKeyCombo(0x0F, 0x0100)};
};

} // namespace

TEST_F(PTHotKeyCenterTest, NothingToRegisterIsSuccessWithoutAskingTheService)
{
    for (const PTKeyCombo &combo : {PTKeyCombo::clearKeyCombo(), PTKeyCombo(0x12, 0)}) {
        hotKey.setKeyCombo(combo);
        EXPECT_TRUE(center->registerHotKey(&hotKey));
    }
    EXPECT_TRUE(center->registerHotKey(nullptr));
    center->unregisterHotKey(&hotKey);
    center->unregisterHotKey(nullptr);
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_EQ(service->registerCalls + service->unregisterCalls + service->handlerInstalls, 0);
    EXPECT_FALSE(center->isEventHandlerInstalled());
}

TEST_F(PTHotKeyCenterTest, PressInvokesOnceReleaseNothingAndReRegistrationReplaces)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_EQ(service->grabbed(), (Combos{{0x12, 0x0100}}));
    EXPECT_EQ(service->unregisterCalls, 1);

    ASSERT_TRUE(service->press(0x12, 0x0100));
    ASSERT_TRUE(service->release(0x12, 0x0100));
    ASSERT_EQ(target.calls.size(), 1);
    EXPECT_EQ(target.calls[0], qMakePair(QString("switchToPort1"), static_cast<QObject *>(&hotKey)));

    // A new combination takes effect only once registered again.
    hotKey.setKeyCombo(kCmdShift2);
    EXPECT_TRUE(service->press(0x12, 0x0100));
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_FALSE(service->press(0x12, 0x0100));
    EXPECT_TRUE(service->press(0x13, 0x0300));
    EXPECT_EQ(target.calls.size(), 3);

    // Clearing it removes the registration.
    hotKey.setKeyCombo(PTKeyCombo::clearKeyCombo());
    EXPECT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_TRUE(service->registrations.isEmpty());
}

TEST_F(PTHotKeyCenterTest, RefusalReturnsFalseAndTheOldRegistrationIsGone)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    service->refused.append({0x13, 0x0300});
    hotKey.setKeyCombo(kCmdShift2);
    EXPECT_FALSE(center->registerHotKey(&hotKey));
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_TRUE(service->registrations.isEmpty());
    EXPECT_EQ(center->lastRegistrationStatus(), HotKeyService::kStatusXBadAccess);
    EXPECT_FALSE(center->lastRegistrationFailure().isEmpty());
    EXPECT_EQ(center->hotKeyWithIdentifier("Port 1"), nullptr);
}

TEST_F(PTHotKeyCenterTest, HandlerIsInstalledOnceAndLookupFindsOnlyRegisteredHotKeys)
{
    PTHotKey port2("Port 2", PTKeyCombo::clearKeyCombo());
    hotKey.setKeyCombo(kCmd1);
    for (PTHotKey *key : {&hotKey, &rotate, &port2})
        ASSERT_TRUE(center->registerHotKey(key));
    EXPECT_EQ(center->hotKeyWithIdentifier("Rotate"), &rotate);
    EXPECT_EQ(center->hotKeyWithIdentifier("Port 1"), &hotKey);
    EXPECT_EQ(center->hotKeyWithIdentifier("Port 2"), nullptr);
    EXPECT_EQ(center->hotKeyWithIdentifier(QString()), nullptr);

    center->unregisterHotKey(&hotKey);
    center->unregisterHotKey(&rotate);
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_TRUE(center->isEventHandlerInstalled());
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_EQ(service->handlerInstalls, 1);
}

TEST_F(PTHotKeyCenterTest, StaleEventsGoneHotKeysAndGoneTargetsInvokeNothing)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    const HotKeyID id = service->registrations.first().id;
    EXPECT_EQ(id.signature, 0x5054486Bu);

    HotKeyEvent event{HotKeyService::kEventClassKeyboard, HotKeyService::kEventHotKeyPressed, id,
                      -9870};
    EXPECT_EQ(center->sendCarbonEvent(event), -9870); // the ID could not be read
    // Queued before the hot key was unregistered; a new registration gets a new id.
    event.idStatus = 0;
    center->unregisterHotKey(&hotKey);
    EXPECT_EQ(center->sendCarbonEvent(event), 0);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_EQ(center->sendCarbonEvent(event), 0);
    EXPECT_TRUE(target.calls.isEmpty());

    // A destroyed hot key leaves no registration; a destroyed target is not called.
    auto temporary = std::make_unique<PTHotKey>("Port 3", PTKeyCombo(0x14, 0x0100));
    ASSERT_TRUE(center->registerHotKey(temporary.get()));
    temporary.reset();
    EXPECT_FALSE(service->press(0x14, 0x0100));
    EXPECT_EQ(center->allHotKeys(), QList<PTHotKey *>{&hotKey});
    auto shortLived = std::make_unique<RecordingTarget>();
    hotKey.setTarget(shortLived.get());
    shortLived.reset();
    EXPECT_TRUE(service->press(0x12, 0x0100));
    hotKey.setTarget(nullptr);
    hotKey.invoke();
    EXPECT_TRUE(target.calls.isEmpty());
}

TEST_F(PTHotKeyCenterTest, SuspendedHotKeysHoldNoGrabsAndComeBackAsTheyWere)
{
    hotKey.setKeyCombo(kCmdShift2);
    ASSERT_TRUE(center->registerHotKey(&rotate));
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    const Combos before = service->grabbed();

    center->suspendAll();
    center->suspendAll(); // nested: the grabs come back with the last resume
    EXPECT_EQ(service->unregisterCalls, 2);
    EXPECT_TRUE(service->registrations.isEmpty());
    // Still this program's hot keys: only the grabs are given back.
    EXPECT_EQ(center->allHotKeys().size(), 2);
    EXPECT_EQ(center->hotKeyWithIdentifier("Port 1"), &hotKey);
    center->resumeAll();
    EXPECT_TRUE(center->isSuspended());
    EXPECT_TRUE(service->registrations.isEmpty());

    center->resumeAll();
    EXPECT_FALSE(center->isSuspended());
    EXPECT_EQ(service->grabbed(), before); // the same grabs, made in the same order
    EXPECT_TRUE(service->press(0x13, 0x0300));
    EXPECT_TRUE(service->press(0x0F, 0x0100));
    ASSERT_EQ(target.calls.size(), 2);
    EXPECT_EQ(target.calls[0].second, &hotKey);
    EXPECT_EQ(target.calls[1].second, &rotate);
}

TEST_F(PTHotKeyCenterTest, ChangesWhileSuspendedTakeEffectAtResume)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    auto temporary = std::make_unique<PTHotKey>("Port 3", PTKeyCombo(0x14, 0x0100));
    ASSERT_TRUE(center->registerHotKey(temporary.get()));
    PTHotKey added("Port 2", kCmdShift2);
    PTHotKey cleared("Port 4", PTKeyCombo::clearKeyCombo());
    center->suspendAll();
    const int callsBefore = service->registerCalls;

    EXPECT_TRUE(center->registerHotKey(&added));
    EXPECT_TRUE(center->registerHotKey(&cleared));
    EXPECT_TRUE(center->registerHotKey(&added)); // again: still one registration
    center->unregisterHotKey(&hotKey);
    temporary.reset();
    EXPECT_EQ(service->registerCalls, callsBefore);
    EXPECT_EQ(center->allHotKeys(), QList<PTHotKey *>{&added});

    center->resumeAll();
    EXPECT_EQ(service->grabbed(), (Combos{{0x13, 0x0300}}));
    EXPECT_EQ(center->allHotKeys(), QList<PTHotKey *>{&added});
}

TEST_F(PTHotKeyCenterTest, GrabRefusedAtResumeIsReportedAndDropped)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_TRUE(center->registerHotKey(&rotate));
    QList<QPair<PTHotKey *, int>> lost;
    QObject::connect(center.get(), &PTHotKeyCenter::registrationLost,
                     [&](PTHotKey *key, int status) { lost.append({key, status}); });

    center->suspendAll();
    service->refused.append({0x12, 0x0100}); // another program took it meanwhile
    center->resumeAll();
    EXPECT_EQ(lost, (QList<QPair<PTHotKey *, int>>{{&hotKey, HotKeyService::kStatusXBadAccess}}));
    EXPECT_EQ(center->allHotKeys(), QList<PTHotKey *>{&rotate});
    EXPECT_EQ(service->grabbed(), (Combos{{0x0F, 0x0100}}));
    EXPECT_EQ(center->lastRegistrationStatus(), 0); // not the status of a registerHotKey() call

    service->refused.clear();
    EXPECT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_EQ(center->allHotKeys().size(), 2);
}

TEST(PTHotKey, Description)
{
    PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
    EXPECT_EQ(PTHotKey("Port 1", PTKeyCombo(0x12, 0x0100)).description(),
              "<PTHotKey: Port 1, Super+1>");
    EXPECT_EQ(PTHotKey().description(), "<PTHotKey: , (None)>");
    PTKeyCodeTranslator::setLayoutSource(nullptr);
}

TEST(UnavailableHotKeyService, RefusesEveryRegistrationAndSaysSoOnce)
{
    PTHotKeyCenter center(std::make_unique<UnavailableHotKeyService>());
    PTHotKey a("Port 1", PTKeyCombo(0x12, 0x0100));
    PTHotKey b("Port 2", PTKeyCombo(0x13, 0x0100));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(center.registerHotKey(&a));
    EXPECT_FALSE(center.registerHotKey(&b));
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(center.lastRegistrationStatus(), HotKeyService::kStatusUnavailable);
    const auto first = said.find("unavailable");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(said.find("unavailable", first + 1), std::string::npos) << said;
    EXPECT_TRUE(center.allHotKeys().isEmpty());
}
