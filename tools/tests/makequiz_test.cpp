// The make-quiz command as a teacher runs it: its options, its messages, and
// the file it writes or leaves alone.

#include "tools/icdtool/commands.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "quiz/bankmaker.h"
#include "testsupport/testsupport.h"

namespace fs = std::filesystem;

namespace {

const std::string kSampleDb = (fs::path(ICD_BINARY_DIR) / "bin" / "icd10_2023.mdb").string();

struct ToolRun {
    int status = 0;
    std::string out, err;
    std::string thrown; // the message of an error the command threw (main prints it)
};

ToolRun MakeQuiz(const icdtool::Args& args) {
    ToolRun r;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    try {
        r.status = icdtool::MakeQuiz(args);
    } catch (const std::exception& e) {
        r.status = 1;
        r.thrown = e.what();
    }
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
}

} // namespace

TEST(MakeQuiz, badOptionsAreRefusedInChineseAndWriteNothing) {
    testsupport::TempDir dir;
    const std::string out = dir.file("qa.txt");
    const std::vector<std::pair<icdtool::Args, std::string>> cases = {
        {{kSampleDb, out, "--count", "0"}, "題數必須是 1 到 1000 的整數(--count 0)"},
        {{kSampleDb, out, "--count", "1001"}, "題數必須是 1 到 1000 的整數"},
        {{kSampleDb, out, "--count", "ten"}, "題數必須是 1 到 1000 的整數"},
        {{kSampleDb, out, "--codes", "S9#"}, "出題範圍無法辨識"},
        {{kSampleDb, out, "--codes", "T88-S00"}, "出題範圍無法辨識"},
        {{kSampleDb, out, "--kinds", "name,essay"}, "題型無法辨識(--kinds name,essay)"},
        {{kSampleDb, out, "--seed", "-1"}, "亂數種子必須是"},
        {{kSampleDb, out, "--seed"}, "選項 --seed 後面缺少值"},
        {{kSampleDb, out, "--colour", "red"}, "不認得的選項 --colour"},
        {{kSampleDb}, "需要資料庫檔與輸出檔兩個路徑"},
    };
    for (const auto& [args, message] : cases) {
        const ToolRun r = MakeQuiz(args);
        EXPECT_EQ(r.status, 2) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("usage: icdtool make-quiz"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(MakeQuiz({dir.file("missing.mdb"), out}).thrown.rfind("無法讀取代碼資料庫 ", 0), 0u);
    EXPECT_FALSE(fs::exists(out));

    // The help lists the kinds from the kinds table, each with its title, in
    // the order of the table.
    const ToolRun help = MakeQuiz({"--help"});
    std::size_t at = 0;
    for (const quiz::KindInfo& k : quiz::Kinds()) {
        at = help.err.find(" " + std::string(k.name) + " ", at);
        ASSERT_NE(at, std::string::npos) << k.name;
        EXPECT_EQ(help.err.find(std::string(k.title), at),
                  help.err.find_first_not_of(' ', at + k.name.size() + 1))
            << k.name;
    }
}

TEST(MakeQuiz, tooFewCodesSaysSoAndWritesWhatItCanTheSameEachTime) {
    if (!fs::exists(kSampleDb)) GTEST_SKIP() << "sample database not built";
    testsupport::TempDir dir;
    const ToolRun first =
        MakeQuiz({kSampleDb, dir.file("a.txt"), "--codes", "s93.0", "--count", "50", "--seed", "5"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out.rfind("已寫入", 0), 0u) << first.out;
    EXPECT_NE(first.out.find("出題範圍:S930,共"), std::string::npos) << first.out;
    EXPECT_NE(first.err.find("注意:範圍內可出題的代碼不足,要求50題,只寫出"), std::string::npos) << first.err;
    const ToolRun second =
        MakeQuiz({kSampleDb, dir.file("b.txt"), "--count", "50", "--seed", "5", "--codes", "s93.0"});
    ASSERT_EQ(second.status, 0);
    const std::string bytes = testsupport::ReadFile(dir.file("a.txt"));
    EXPECT_FALSE(bytes.empty());
    EXPECT_EQ(bytes, testsupport::ReadFile(dir.file("b.txt")));

    // Nothing to ask: the command fails and an existing bank stays as it was.
    testsupport::WriteFile(dir.file("a.txt"), "old bank");
    const ToolRun none = MakeQuiz({kSampleDb, dir.file("a.txt"), "--codes", "W99"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("範圍內沒有可出題的代碼,未寫入"), std::string::npos) << none.err;
    EXPECT_EQ(testsupport::ReadFile(dir.file("a.txt")), "old bank");
    EXPECT_FALSE(fs::exists(dir.file("a.txt.tmp")));
}
