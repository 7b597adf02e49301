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
        hotKey.setName("Port 1");
        hotKey.setTarget(&target);
        hotKey.setAction("switchToPort1");
    }

    FakeHotKeyService *service = nullptr;
    std::unique_ptr<PTHotKeyCenter> center;
    RecordingTarget target;
    PTHotKey hotKey;
};

} // namespace

TEST_F(PTHotKeyCenterTest, ClearCombinationHasNothingToRegister)
{
    EXPECT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_EQ(service->registerCalls, 0);
    EXPECT_EQ(service->handlerInstalls, 0);
    EXPECT_FALSE(center->isEventHandlerInstalled());
    EXPECT_TRUE(center->registerHotKey(nullptr));
    hotKey.setKeyCombo(PTKeyCombo(0x12, 0)); // a key without modifiers is never registered
    EXPECT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_EQ(service->registerCalls, 0);
}

TEST_F(PTHotKeyCenterTest, PressInvokesOnceAndReleaseDoesNothing)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_TRUE(service->press(0x12, 0x0100));
    ASSERT_EQ(target.calls.size(), 1);
    EXPECT_EQ(target.calls[0].first, "switchToPort1");
    EXPECT_EQ(target.calls[0].second, &hotKey);
    ASSERT_TRUE(service->release(0x12, 0x0100));
    EXPECT_EQ(target.calls.size(), 1);
    ASSERT_TRUE(service->press(0x12, 0x0100));
    EXPECT_EQ(target.calls.size(), 2);
}

TEST_F(PTHotKeyCenterTest, RegisteringAgainReplacesTheRegistration)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_EQ(center->allHotKeys().size(), 1);
    EXPECT_EQ(service->registrations.size(), 1);
    EXPECT_EQ(service->unregisterCalls, 1);

    // A new combination takes effect only once registered again.
    hotKey.setKeyCombo(kCmdShift2);
    EXPECT_TRUE(service->press(0x12, 0x0100));
    EXPECT_EQ(target.calls.size(), 1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_FALSE(service->press(0x12, 0x0100));
    EXPECT_TRUE(service->press(0x13, 0x0300));
    EXPECT_EQ(target.calls.size(), 2);
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
    EXPECT_FALSE(service->press(0x12, 0x0100));
    EXPECT_EQ(center->lastRegistrationStatus(), HotKeyService::kStatusXBadAccess);
    EXPECT_FALSE(center->lastRegistrationFailure().isEmpty());
    EXPECT_EQ(center->hotKeyWithIdentifier("Port 1"), nullptr);
}

TEST_F(PTHotKeyCenterTest, ClearingARegisteredHotKeyRemovesIt)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    hotKey.setKeyCombo(PTKeyCombo::clearKeyCombo());
    EXPECT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_TRUE(service->registrations.isEmpty());
}

TEST_F(PTHotKeyCenterTest, UnregisteringAnUnregisteredHotKeyDoesNothing)
{
    center->unregisterHotKey(&hotKey);
    center->unregisterHotKey(nullptr);
    EXPECT_EQ(service->unregisterCalls, 0);
}

TEST_F(PTHotKeyCenterTest, HandlerIsInstalledOnceAndStays)
{
    PTHotKey rotate("Rotate", PTKeyCombo(0x0F, 0x0100));
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_TRUE(center->registerHotKey(&rotate));
    EXPECT_EQ(service->handlerInstalls, 1);
    center->unregisterHotKey(&hotKey);
    center->unregisterHotKey(&rotate);
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_TRUE(center->isEventHandlerInstalled());
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_EQ(service->handlerInstalls, 1);
}

TEST_F(PTHotKeyCenterTest, HotKeyWithIdentifierFindsOnlyRegisteredHotKeys)
{
    PTHotKey rotate("Rotate", PTKeyCombo(0x0F, 0x0100));
    PTHotKey port2("Port 2", PTKeyCombo::clearKeyCombo());
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_TRUE(center->registerHotKey(&rotate));
    ASSERT_TRUE(center->registerHotKey(&port2));
    EXPECT_EQ(center->hotKeyWithIdentifier("Rotate"), &rotate);
    EXPECT_EQ(center->hotKeyWithIdentifier("Port 1"), &hotKey);
    EXPECT_EQ(center->hotKeyWithIdentifier("Port 2"), nullptr);
    EXPECT_EQ(center->hotKeyWithIdentifier(QString()), nullptr);
}

TEST_F(PTHotKeyCenterTest, EventsForGoneRegistrationsOrUnreadableIdsInvokeNothing)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    const HotKeyID id = service->registrations.first().id;
    EXPECT_EQ(id.signature, 0x5054486Bu);
    EXPECT_NE(id.id, 0u);

    HotKeyEvent event;
    event.eventClass = HotKeyService::kEventClassKeyboard;
    event.kind = HotKeyService::kEventHotKeyPressed;
    event.hotKeyID = id;
    event.idStatus = -9870;
    EXPECT_EQ(center->sendCarbonEvent(event), -9870);
    EXPECT_TRUE(target.calls.isEmpty());

    // Queued before the hot key was unregistered: it must not reach anybody.
    event.idStatus = 0;
    center->unregisterHotKey(&hotKey);
    EXPECT_EQ(center->sendCarbonEvent(event), 0);
    EXPECT_TRUE(target.calls.isEmpty());

    // A new registration gets a new id, so the old event still finds nothing.
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_NE(service->registrations.first().id.id, id.id);
    EXPECT_EQ(center->sendCarbonEvent(event), 0);
    EXPECT_TRUE(target.calls.isEmpty());
}

TEST_F(PTHotKeyCenterTest, DestroyedHotKeyLeavesNoRegistration)
{
    auto temporary = std::make_unique<PTHotKey>("Port 3", PTKeyCombo(0x14, 0x0100));
    ASSERT_TRUE(center->registerHotKey(temporary.get()));
    temporary.reset();
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_TRUE(service->registrations.isEmpty());
    EXPECT_FALSE(service->press(0x14, 0x0100));
}

TEST_F(PTHotKeyCenterTest, TargetGoneOrMissingMeansNoAction)
{
    auto shortLived = std::make_unique<RecordingTarget>();
    hotKey.setTarget(shortLived.get());
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    shortLived.reset();
    EXPECT_TRUE(service->press(0x12, 0x0100)); // no crash, nothing to call
    hotKey.setTarget(nullptr);
    hotKey.invoke();
    hotKey.setTarget(&target);
    hotKey.setAction("rotate");
    hotKey.invoke();
    ASSERT_EQ(target.calls.size(), 1);
    EXPECT_EQ(target.calls[0].first, "rotate");
}

namespace {

QList<QPair<qint32, qint32>> grabbed(const FakeHotKeyService &service)
{
    QList<QPair<qint32, qint32>> combos;
    for (const auto &registration : service.registrations)
        combos.append({registration.keyCode, registration.modifiers});
    return combos;
}

} // namespace

TEST_F(PTHotKeyCenterTest, SuspendedHotKeysHoldNoGrabsAndComeBackAsTheyWere)
{
    PTHotKey rotate("Rotate", PTKeyCombo(0x0F, 0x0100));
    rotate.setTarget(&target);
    rotate.setAction("rotate");
    hotKey.setKeyCombo(kCmdShift2);
    ASSERT_TRUE(center->registerHotKey(&rotate));
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    const auto before = grabbed(*service);

    center->suspendAll();
    EXPECT_TRUE(center->isSuspended());
    EXPECT_TRUE(service->registrations.isEmpty());
    EXPECT_FALSE(service->press(0x13, 0x0300));
    // Still this program's hot keys: only the grabs are given back.
    EXPECT_EQ(center->allHotKeys().size(), 2);
    EXPECT_EQ(center->hotKeyWithIdentifier("Port 1"), &hotKey);

    center->resumeAll();
    EXPECT_FALSE(center->isSuspended());
    EXPECT_EQ(grabbed(*service), before); // the same grabs, made in the same order
    EXPECT_TRUE(service->press(0x13, 0x0300));
    EXPECT_TRUE(service->press(0x0F, 0x0100));
    ASSERT_EQ(target.calls.size(), 2);
    EXPECT_EQ(target.calls[0].second, &hotKey);
    EXPECT_EQ(target.calls[1].second, &rotate);
    EXPECT_EQ(center->lastRegistrationStatus(), 0);
}

TEST_F(PTHotKeyCenterTest, NestedSuspensionsEndWithTheLast)
{
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    center->suspendAll();
    center->suspendAll();
    EXPECT_EQ(service->unregisterCalls, 1);
    center->resumeAll();
    EXPECT_TRUE(center->isSuspended());
    EXPECT_TRUE(service->registrations.isEmpty());
    center->resumeAll();
    EXPECT_EQ(grabbed(*service), (QList<QPair<qint32, qint32>>{{0x12, 0x0100}}));
    EXPECT_EQ(service->registerCalls, 2);
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
    EXPECT_EQ(grabbed(*service), (QList<QPair<qint32, qint32>>{{0x13, 0x0300}}));
    EXPECT_EQ(center->allHotKeys(), QList<PTHotKey *>{&added});
}

TEST_F(PTHotKeyCenterTest, GrabRefusedAtResumeIsReportedAndDropped)
{
    PTHotKey rotate("Rotate", PTKeyCombo(0x0F, 0x0100));
    hotKey.setKeyCombo(kCmd1);
    ASSERT_TRUE(center->registerHotKey(&hotKey));
    ASSERT_TRUE(center->registerHotKey(&rotate));
    QList<QPair<PTHotKey *, int>> lost;
    QObject::connect(center.get(), &PTHotKeyCenter::registrationLost,
                     [&](PTHotKey *key, int status) { lost.append({key, status}); });

    center->suspendAll();
    service->refused.append({0x12, 0x0100}); // another program took it meanwhile
    center->resumeAll();
    ASSERT_EQ(lost.size(), 1);
    EXPECT_EQ(lost[0].first, &hotKey);
    EXPECT_EQ(lost[0].second, HotKeyService::kStatusXBadAccess);
    EXPECT_EQ(center->allHotKeys(), QList<PTHotKey *>{&rotate});
    EXPECT_EQ(grabbed(*service), (QList<QPair<qint32, qint32>>{{0x0F, 0x0100}}));
    // Not the status of a registerHotKey() call.
    EXPECT_EQ(center->lastRegistrationStatus(), 0);

    // Once the other program lets go, registering it again works as always.
    service->refused.clear();
    EXPECT_TRUE(center->registerHotKey(&hotKey));
    EXPECT_EQ(center->allHotKeys().size(), 2);
}

TEST(PTHotKey, DescriptionAndDefaults)
{
    PTKeyCodeTranslator::setLayoutSource(std::make_unique<FixedUsKeyboardLayout>());
    PTHotKey hotKey("Port 1", PTKeyCombo(0x12, 0x0100));
    EXPECT_EQ(hotKey.description(), QString::fromUtf16(u"<PTHotKey: Port 1, \u23181>"));
    PTHotKey blank;
    EXPECT_TRUE(blank.identifier().isNull());
    EXPECT_TRUE(blank.keyCombo().isClearCombo());
    EXPECT_EQ(blank.target(), nullptr);
    EXPECT_EQ(blank.description(), "<PTHotKey: , (None)>");
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
