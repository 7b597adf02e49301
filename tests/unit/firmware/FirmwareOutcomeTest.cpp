// The outcome table: which record status gets which alert, and the endings the switch
// cannot report itself.
#include "switch/FirmwareOutcome.h"

#include <gtest/gtest.h>

using Kind = FirmwareOutcome::Kind;

TEST(FirmwareOutcome, RecordStatusTable)
{
    const auto finished = FirmwareOutcome::forRecordStatus(0);
    EXPECT_EQ(finished.kind(), Kind::Finished);
    EXPECT_TRUE(finished.succeeded() && finished.isInformational());
    EXPECT_EQ(finished.title(), QStringLiteral("Firmware Upgrade"));
    EXPECT_EQ(finished.text(), QStringLiteral("Firmware Upgrade finished"));
    for (int status : {2, 3, 4, 5, 6, 10}) {
        const auto outcome = FirmwareOutcome::forRecordStatus(status);
        EXPECT_EQ(outcome.kind(), Kind::Refused);
        EXPECT_FALSE(outcome.succeeded() || outcome.isInformational());
        EXPECT_EQ(outcome.title(), QStringLiteral("Firmware Upgrade"));
        EXPECT_EQ(outcome.text(), QStringLiteral("Firmware Upgrade Error %1").arg(status));
    }
    // Unlisted refusals are silent, yet never a success.
    for (int status : {1, 7, 8, 9, 11, 127, -1, -128}) {
        const auto outcome = FirmwareOutcome::forRecordStatus(status);
        EXPECT_EQ(outcome.kind(), Kind::RefusedSilently) << status;
        EXPECT_FALSE(outcome.hasAlert() || outcome.succeeded());
    }
    const auto noAnswer = FirmwareOutcome::forRecordStatus(FirmwareOutcome::kNoAnswerStatus);
    EXPECT_EQ(noAnswer.kind(), Kind::NoAnswer);
    EXPECT_EQ(noAnswer.text(), QStringLiteral("Firmware Upgrade failed: the switch did not answer"));
    EXPECT_FALSE(noAnswer.succeeded());
}

TEST(FirmwareOutcome, EndingsWithoutASwitchVerdict)
{
    const auto damaged = FirmwareOutcome::damaged(QStringLiteral("line 3: checksum"));
    EXPECT_EQ(damaged.kind(), Kind::Damaged);
    EXPECT_EQ(damaged.text(), QStringLiteral("The firmware image is damaged. Nothing was written to the switch."));
    EXPECT_EQ(damaged.detail(), QStringLiteral("line 3: checksum"));
    EXPECT_FALSE(damaged.succeeded());
    EXPECT_FALSE(FirmwareOutcome::notConnected().hasAlert());
    EXPECT_FALSE(FirmwareOutcome::notConnected().succeeded());
    EXPECT_FALSE(FirmwareOutcome::busy().succeeded());
}
