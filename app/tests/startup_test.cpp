#include "app/core/startup.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "db/query.h"
#include "testsupport/testsupport.h"
#include "testsupport/fakes.h"

using namespace app;
namespace fs = std::filesystem;

TEST(ExeDir, isTheExecutablesFolderWithoutItsTrailingSeparator) {
    EXPECT_EQ(ExeDirOf("/opt/icd/bin/icd10tcm"), "/opt/icd/bin");
    EXPECT_EQ(ExeDirOf("/icd10tcm"), "");                           // the root: its one separator is removed
    EXPECT_EQ(ExeDirOf("/opt/icd/bin//icd10tcm"), "/opt/icd/bin/"); // only one separator goes
    // The file name is joined with the platform's separator ('\\' on Windows).
    const std::string sep(1, static_cast<char>(fs::path::preferred_separator));
    EXPECT_EQ(DatabasePathIn("/opt/icd/bin"), "/opt/icd/bin" + sep + "icd10_2023.mdb");
    EXPECT_EQ(DatabasePathIn(""), sep + "icd10_2023.mdb");
}

class StartUpTest : public ::testing::Test {
protected:
    std::string exe() const { return dir.file("icd10tcm"); }
    std::string dbFile() const { return dir.file("icd10_2023.mdb"); }

    testsupport::TempDir dir;
    testsupport::RecordingMessages messages;
    AppContext ctx{messages, NullDesktop::Instance()};
};

TEST_F(StartUpTest, missingFileNamesTheFullPathAndLeavesTheConnectionClosed) {
    EXPECT_FALSE(OpenDatabase(ctx, exe()));
    EXPECT_EQ(ctx.exeDir, dir.path().string());
    EXPECT_EQ(ctx.dbPath, dbFile());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], "找不到檔案:" + dbFile());
    EXPECT_FALSE(ctx.connection.isOpen());

    // A folder of that name is no database file either.
    fs::create_directory(dbFile());
    messages.shown.clear();
    EXPECT_FALSE(OpenDatabase(ctx, exe()));
    EXPECT_EQ(messages.shown, std::vector<std::string>{"找不到檔案:" + dbFile()});
}

TEST_F(StartUpTest, fileThatIsNoDatabaseGivesTheOpenFailureWithTheEnginesText) {
    const std::string prefix = "無法開啟資料庫:";
    const std::string contents[] = {
        std::string(),                                                                 // empty
        std::string("this is a text file, not a database\n") + std::string(4096, 'x'), // garbage
        std::string("SQLite format 3\0", 16) + std::string(84, '\xff'),        // damaged SQLite header
        std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(200, '\0'), // Jet header, nothing else
    };
    for (const std::string& bytes : contents) {
        testsupport::WriteFile(dbFile(), bytes);
        messages.shown.clear();
        EXPECT_FALSE(OpenDatabase(ctx, exe())) << bytes.size();
        ASSERT_EQ(messages.shown.size(), 1u);
        const std::string& m = messages.shown[0];
        EXPECT_EQ(m.rfind(prefix, 0), 0u) << m;
        EXPECT_GT(m.size(), prefix.size()) << "the error's text follows the message";
        EXPECT_FALSE(ctx.connection.isOpen());
        // The clinic's file is never changed by a failed attempt.
        EXPECT_EQ(testsupport::ReadFile(dbFile()), bytes);
    }
}

TEST_F(StartUpTest, goodFileOpensTheOneConnectionWithoutAMessage) {
    {
        db::Connection c;
        c.open(dbFile(), true);
        c.exec("CREATE TABLE ICD10 (ICD10_NO TEXT COLLATE NOCASE, ICD10_CNAME TEXT);"
               "INSERT INTO ICD10 VALUES ('A000','霍亂')");
    }
    // An earlier connection (another file) is closed first.
    ctx.connection.open(dir.file("other.db"), true);

    EXPECT_TRUE(OpenDatabase(ctx, exe()));
    EXPECT_TRUE(messages.shown.empty());
    ASSERT_TRUE(ctx.connection.isOpen());
    EXPECT_EQ(ctx.connection.path(), dbFile());
    db::Query q(ctx.connection);
    q.setText("SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO='a000'");
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.field("ICD10_CNAME"), "霍亂");
}

TEST_F(StartUpTest, theBundledSampleDatabaseOpens) {
    const fs::path sample = fs::path(ICD_BINARY_DIR) / "bin" / "icd10_2023.mdb";
    if (!fs::exists(sample)) GTEST_SKIP() << "the sample database has not been built at " << sample;
    EXPECT_TRUE(OpenDatabase(ctx, (sample.parent_path() / "icd10tcm").string()));
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front();
    db::Query q(ctx.connection);
    q.setText("SELECT COUNT(*) AS N FROM ICD10");
    q.open();
    EXPECT_GT(std::stoi(q.field("N")), 0);
}

TEST_F(StartUpTest, folderWithChineseNameAndBlanksWorksBothWays) {
    const fs::path folder = dir.path() / "中醫 診所";
    fs::create_directory(folder);
    const std::string exePath = (folder / "icd10tcm").string();
    EXPECT_FALSE(OpenDatabase(ctx, exePath));
    EXPECT_EQ(messages.shown, std::vector<std::string>{"找不到檔案:" + (folder / "icd10_2023.mdb").string()});

    {
        db::Connection c;
        c.open((folder / "icd10_2023.mdb").string(), true);
        c.exec("CREATE TABLE ICD10 (ICD10_NO TEXT)");
    }
    messages.shown.clear();
    EXPECT_TRUE(OpenDatabase(ctx, exePath));
    EXPECT_TRUE(messages.shown.empty());
}
