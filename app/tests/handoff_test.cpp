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

TEST_F(HandOffTest, finestCodeWithoutTheWindowDoesNothingAtAll) {
    desktop.windows.push_back({7, "醫師問診作業 "}); // not the exact title
    db::Query aux(ctx.connection);
    HandOffFinestCode(ctx, aux, "S93401A");
    HandOffFinestCode(ctx, aux, "   ");
    EXPECT_FALSE(desktop.clipboard.has_value());
    EXPECT_TRUE(desktop.actions.empty());
    EXPECT_TRUE(messages.shown.empty());
}
