#include "app/core/startup.h"

#include <filesystem>
#include <map>

#include <gtest/gtest.h>

#include "db/query.h"
#include "db/writefailure.h"
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
        EXPECT_EQ(m.rfind(prefix + dbFile() + "\n", 0), 0u) << m; // the file is named
        EXPECT_GT(m.size(), prefix.size()) << "the error's text follows the message";
        EXPECT_FALSE(ctx.connection.isOpen());
        // The clinic's file is never changed by a failed attempt.
        EXPECT_EQ(testsupport::ReadFile(dbFile()), bytes);
    }
}

TEST(CannotOpenDatabaseText, namesTheFileSaysWhatIsWrongAndWhatToDoThenTheDetail) {
    const std::string file = "/opt/診所/icd10_2023.mdb";
    struct Case {
        std::string detail;
        db::OpenFailure kind;
        std::string what; // a part of the Chinese reason
        std::string todo; // a part of the advice
    } cases[] = {
        {"file is not a database", db::OpenFailure::NotADatabase, "不是本程式的資料庫", "docs/database.md"},
        {"database disk image is malformed", db::OpenFailure::Damaged, "截斷", "從備份還原"},
        {"database is locked", db::OpenFailure::Locked, "另一個程式", "等那個程式完成"},
        {"unable to open database file", db::OpenFailure::NoPermission, "權限", "讀寫權限"},
        {"檔案是空的，不是資料庫", db::OpenFailure::Other, "", "docs/database.md"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(db::ClassifyOpenFailure(c.detail), c.kind) << c.detail;
        const std::string m = CannotOpenDatabaseText(file, c.detail);
        EXPECT_EQ(m.rfind("無法開啟資料庫:" + file + "\n", 0), 0u) << m;
        EXPECT_NE(m.find(c.what), std::string::npos) << m;
        EXPECT_NE(m.find(c.todo), std::string::npos) << m;
        // The engine's words come last, as they came.
        EXPECT_EQ(m.substr(m.size() - c.detail.size()), c.detail) << m;
        EXPECT_LT(m.find(c.todo), m.find("原始訊息：")) << m;
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

TEST(UserDataDir, followsEachPlatformsRule) {
    auto with = [](std::map<std::string, std::string> env) {
        return [env](const char* name) {
            auto it = env.find(name);
            return it == env.end() ? std::string() : it->second;
        };
    };
    EXPECT_EQ(UserDataDirFrom(PathRules::Posix, with({{"HOME", "/home/lin"}})),
              "/home/lin/.local/share/icd10tcm");
    EXPECT_EQ(UserDataDirFrom(PathRules::Posix, with({{"HOME", "/home/lin"}, {"XDG_DATA_HOME", "/data/林"}})),
              "/data/林/icd10tcm");
    // A relative XDG_DATA_HOME is no place; without a home there is no folder at all.
    EXPECT_EQ(UserDataDirFrom(PathRules::Posix, with({{"HOME", "/home/lin"}, {"XDG_DATA_HOME", "share"}})),
              "/home/lin/.local/share/icd10tcm");
    EXPECT_EQ(UserDataDirFrom(PathRules::Posix, with({})), "");
    EXPECT_EQ(UserDataDirFrom(PathRules::Windows, with({{"LOCALAPPDATA", "C:\\Users\\林\\AppData\\Local"},
                                                        {"HOME", "/home/lin"}})),
              "C:\\Users\\林\\AppData\\Local\\icd10tcm");
    EXPECT_EQ(UserDataDirFrom(PathRules::Windows, with({{"HOME", "/home/lin"}})), "");
}

// An installed program: its folder holds the sample and cannot be written; the
// user's folder is empty at first.
class InstalledProgramTest : public StartUpTest {
protected:
    void SetUp() override {
        fs::create_directory(dir.path() / "lib");
        MakeDatabase(sample(), "範例");
    }
    std::string exe() const { return (dir.path() / "lib" / "icd10tcm").string(); }
    std::string sample() const { return (dir.path() / "lib" / "icd10_2023.mdb").string(); }
    std::string user() const { return (dir.path() / "home" / "icd10tcm").string(); }
    // Only the folder of the program is read-only (a write there would fail).
    bool canWrite(const std::string& folder) const {
        return fs::path(folder) != dir.path() / "lib" && IsWritableFolder(folder);
    }
    static void MakeDatabase(const std::string& path, const std::string& name) {
        db::Connection c;
        c.open(path, true);
        c.exec("CREATE TABLE ICD10 (ICD10_NO TEXT, ICD10_CNAME TEXT); INSERT INTO ICD10 VALUES ('A000', '" +
               name + "')");
    }
    std::string openedName() {
        db::Query q(ctx.connection);
        q.setText("SELECT ICD10_CNAME FROM ICD10");
        q.open();
        return q.field("ICD10_CNAME");
    }
};

TEST_F(InstalledProgramTest, aDatabaseBuiltThereGoesToTheUsersFolderWhichTheNextStartOpensFirst) {
    EXPECT_EQ(DatabaseCandidates(dir.path().string(), user()),
              (std::vector<std::string>{DatabasePathIn(user()), DatabasePathIn(dir.path().string())}));
    ASSERT_TRUE(OpenDatabase(ctx, exe(), user()));
    EXPECT_EQ(ctx.dbPath, sample());
    EXPECT_EQ(ctx.userDataDir, user());
    EXPECT_EQ(openedName(), "範例");

    const auto writable = [this](const std::string& f) { return canWrite(f); };
    const std::string target = NewDatabasePath(ctx.dbPath, ctx.userDataDir, writable);
    EXPECT_EQ(target, DatabasePathIn(user()));
    EXPECT_TRUE(fs::is_directory(user())) << "the check of the user's folder makes it";
    MakeDatabase(target, "完整");
    ASSERT_TRUE(OpenDatabase(ctx, exe(), user()));
    EXPECT_EQ(ctx.dbPath, target);
    EXPECT_EQ(openedName(), "完整");
    // Built again from there: in place.
    EXPECT_EQ(NewDatabasePath(ctx.dbPath, ctx.userDataDir, writable), target);
    EXPECT_EQ(testsupport::ReadFile(sample()).substr(0, 16), std::string("SQLite format 3\0", 16));
}

TEST_F(InstalledProgramTest, aProgramInAFolderItMayWriteKeepsItsDatabaseBesideIt_butNeverOverwritesAJetFile) {
    ASSERT_TRUE(OpenDatabase(ctx, exe(), user()));
    EXPECT_EQ(NewDatabasePath(ctx.dbPath, ctx.userDataDir), sample());
    EXPECT_FALSE(fs::exists(user())) << "nothing made where it is not used";
    // The clinic's Jet file is never written: a new database goes to the user's folder.
    testsupport::WriteFile(sample(), std::string("\0\1\0\0Standard Jet DB\0", 20) + std::string(200, '\0'));
    EXPECT_EQ(NewDatabasePath(sample(), user()), DatabasePathIn(user()));
    // Neither folder can be written, or there is no user's folder: nowhere.
    EXPECT_EQ(NewDatabasePath(sample(), user(), [](const std::string&) { return false; }), "");
    EXPECT_EQ(NewDatabasePath(sample(), ""), "");
}

TEST(WritableFolder, isTriedByMakingAFile) {
    testsupport::TempDir dir;
    EXPECT_TRUE(IsWritableFolder(dir.path().string()));
    EXPECT_TRUE(IsWritableFolder((dir.path() / "新 資料夾" / "icd10tcm").string()));
    EXPECT_TRUE(fs::is_empty(dir.path() / "新 資料夾" / "icd10tcm")) << "the trial file is removed";
    // /proc takes no new files, not even from the superuser.
    if (fs::is_directory("/proc/self")) {
        EXPECT_FALSE(IsWritableFolder("/proc"));
        EXPECT_FALSE(IsWritableFolder("/proc/icd10tcm"));
    }
}
