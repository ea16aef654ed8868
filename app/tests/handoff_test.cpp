#include "app/core/handoff.h"

#include <gtest/gtest.h>

#include "db/query.h"
#include "testsupport/testsupport.h"
#include "testsupport/fakes.h"

using namespace app;

class HandOffTest : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.connection.open(dir.file("icd10_2023.mdb"), true);
        ctx.connection.exec("CREATE TABLE ICD10 (ICD10_NO TEXT COLLATE NOCASE, ICD10_FLAG TEXT);"
                            "INSERT INTO ICD10 VALUES ('S93401A','Y'),('S934','N'),('A00',''),('B001','y')");
    }
    testsupport::TempDir dir;
    testsupport::RecordingMessages messages;
    testsupport::FakeDesktop desktop;
    AppContext ctx{messages, desktop};
};

TEST_F(HandOffTest, finestCodeGoesToTheClipboardAndTheWindowIsRaisedAndRestored) {
    desktop.windows.push_back({7, ConsultationWindowTitle});
    db::Query aux(ctx.connection);
    HandOffFinestCode(ctx, aux, " S93401A ");
    EXPECT_EQ(desktop.clipboard, "|ICD10|S93401A");
    EXPECT_EQ(desktop.actions, (std::vector<std::string>{"front:7", "restore:7"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(HandOffTest, codeThatIsNotFinestGetsTheMessageEvenWithoutTheWindow) {
    db::Query aux(ctx.connection);
    for (auto code : {"S934", "A00", "B001", "NOPE", "x'y"})
        HandOffFinestCode(ctx, aux, code);
    EXPECT_EQ(messages.shown, std::vector<std::string>(5, NotFinestMessage));
    EXPECT_FALSE(desktop.clipboard.has_value());
    EXPECT_EQ(desktop.lookups, 0); // the check comes before the window lookup
}

TEST_F(HandOffTest, finestCodeWithoutTheWindowSaysSoAndLeavesTheClipboardAsItWas) {
    desktop.windows.push_back({7, "醫師問診作業 "}); // not the exact title
    desktop.clipboard = "what the user copied";
    db::Query aux(ctx.connection);
    EXPECT_EQ(HandOffFinestCode(ctx, aux, "S93401A"), HandOffOutcome::NoConsultationWindow);
    EXPECT_EQ(HandOffFinestCode(ctx, aux, "   "), HandOffOutcome::NoCode); // no code: nothing at all
    EXPECT_EQ(desktop.clipboard, "what the user copied");
    EXPECT_TRUE(desktop.actions.empty());
    EXPECT_EQ(messages.shown, std::vector<std::string>{ConsultationMissingMessage});
    EXPECT_EQ(std::string(ConsultationMissingMessage), "找不到「醫師問診作業」視窗，請先開啟看診程式");
}

TEST_F(HandOffTest, consultationWindowOpenedAndClosedBetweenHandOffs_eachHandOffLooksAgain) {
    db::Query aux(ctx.connection);
    // Started after this program: the next hand-off finds it.
    EXPECT_EQ(HandOffFinestCode(ctx, aux, "S93401A"), HandOffOutcome::NoConsultationWindow);
    desktop.windows.push_back({9, ConsultationWindowTitle});
    EXPECT_EQ(HandOffFinestCode(ctx, aux, "S93401A"), HandOffOutcome::HandedOff);
    EXPECT_EQ(desktop.clipboard, "|ICD10|S93401A");
    // Closed while this program runs: the next hand-off says so.
    desktop.windows.back().open = false;
    EXPECT_FALSE(HandOffCodeOrTell(ctx, "A000"));
    EXPECT_EQ(desktop.clipboard, "|ICD10|S93401A");
    EXPECT_EQ(messages.shown,
              (std::vector<std::string>{ConsultationMissingMessage, ConsultationMissingMessage}));
    EXPECT_EQ(desktop.actions, (std::vector<std::string>{"front:9", "restore:9"}));
}
