#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "tests/support/test_support.h"

using namespace platform;

TEST(MessageBox, HookAnswersAndRecords) {
    testsupport::MessageRecorder recorder;
    recorder.answers.push_back(kIdNo);
    EXPECT_EQ(kIdNo, ShowMessage("Really?", "Vastrel 2", kMbYesNo | kMbIconQuestion));
    EXPECT_EQ(kIdOk, ShowMessage("Done", "Vastrel 2", kMbOk | kMbIconInformation, MsgOwner::None));
    ASSERT_EQ(2u, recorder.messages.size());
    EXPECT_EQ("Really?", recorder.messages[0].text);
    EXPECT_EQ("Vastrel 2", recorder.messages[0].caption);
    EXPECT_EQ(kMbYesNo | kMbIconQuestion, recorder.messages[0].style);
    EXPECT_EQ(MsgOwner::None, recorder.messages[1].owner);
    EXPECT_EQ(nullptr, recorder.messages[1].ownerWindow);
}

TEST(MessageBox, DefaultAnswerIsTheDefaultButton) {
    EXPECT_EQ(kIdOk, DefaultAnswer(kMbOk));
    EXPECT_EQ(kIdYes, DefaultAnswer(kMbYesNo));
    EXPECT_EQ(kIdNo, DefaultAnswer(kMbYesNo | kMbDefButton2));
    EXPECT_EQ(kIdCancel, DefaultAnswer(kMbOkCancel | kMbDefButton2));
}
