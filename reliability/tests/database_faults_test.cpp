// A code database that is missing, empty, cut short, not a database, lacking a
// table or a column, read-only, or locked by another process; a Jet file that
// cannot be read. Each gives a clear message (the program's own words or the
// engine's), nothing hangs, and no file is written that should not be.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "app/core/startup.h"
#include "db/databasefile.h"
#include "db/query.h"
#include "outline/browser.h"
#include "outline/outlinetexts.h"
#include "reliability/tests/codedb.h"
#include "search/ranking.h"
#include "search/statement.h"
#include "tree/treebuild.h"
#include "tree/treenode.h"
#include "testsupport/fakes.h"

namespace fs = std::filesystem;

namespace {

// The folder holds a fake executable path; the database goes beside it.
struct StartUp {
    testsupport::TempDir dir;
    testsupport::RecordingMessages messages;
    app::AppContext ctx{messages, app::NullDesktop::Instance()};
    std::string exe() const { return dir.file("icd10tcm"); }
    std::string dbPath() const { return dir.file("icd10_2023.mdb"); }
    bool open() { return app::OpenDatabase(ctx, exe()); }
    std::vector<std::string> files() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(dir.path()))
            out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
};

bool StartsWith(const std::string& s, const std::string& head) {
    return s.rfind(head, 0) == 0;
}

// The start-up message of a file that is there but cannot be opened: it names
// the file on its first line and ends with what to do and the detail.
void ExpectCannotOpenMessage(const StartUp& s, const std::string& detailPart) {
    ASSERT_EQ(s.messages.shown.size(), 1u);
    const std::string& m = s.messages.shown[0];
    EXPECT_TRUE(StartsWith(m, app::CannotOpenDatabaseMessage + s.dbPath() + "\n")) << m;
    EXPECT_NE(m.find("原始訊息："), std::string::npos) << m;
    EXPECT_NE(m.find(detailPart, m.find("原始訊息：")), std::string::npos) << m;
}

} // namespace

TEST(DatabaseFileFaults, missingFile_saysWhichFileAndCreatesNothing) {
    StartUp s;
    EXPECT_FALSE(s.open());
    EXPECT_EQ(s.messages.shown, std::vector<std::string>{app::FileNotFoundMessage + s.dbPath()});
    EXPECT_FALSE(s.ctx.connection.isOpen());
    EXPECT_TRUE(s.files().empty());
}

TEST(DatabaseFileFaults, emptyFile_cannotBeOpened_andStaysEmpty) {
    StartUp s;
    testsupport::WriteFile(s.dbPath(), "");
    EXPECT_FALSE(s.open());
    EXPECT_EQ(s.messages.shown,
              std::vector<std::string>{app::CannotOpenDatabaseText(s.dbPath(), "檔案是空的，不是資料庫")});
    EXPECT_FALSE(s.ctx.connection.isOpen());
    EXPECT_EQ(fs::file_size(s.dbPath()), 0u);
    EXPECT_EQ(s.files(), std::vector<std::string>{"icd10_2023.mdb"});
}

TEST(DatabaseFileFaults, folderInTheFilesPlace_cannotBeOpened_andIsLeftAlone) {
    StartUp s;
    fs::create_directory(s.dbPath());
    EXPECT_FALSE(s.open());
    // A folder is no database file: the same message as a missing file.
    EXPECT_EQ(s.messages.shown, std::vector<std::string>{app::FileNotFoundMessage + s.dbPath()});
    EXPECT_FALSE(s.ctx.connection.isOpen());
    EXPECT_TRUE(fs::is_directory(s.dbPath()));
    EXPECT_TRUE(fs::is_empty(s.dbPath()));
}

TEST(DatabaseFileFaults, notADatabase_givesTheEngineMessage_andLeavesTheFileAlone) {
    for (const std::string& bytes :
         {std::string("this is a text file, not a database\n"), std::string(4096, '\xFF'),
          std::string("SQLite format 3") + std::string(200, 'x')}) {
        StartUp s;
        testsupport::WriteFile(s.dbPath(), bytes);
        EXPECT_FALSE(s.open());
        ExpectCannotOpenMessage(s, "not a database");
        EXPECT_NE(s.messages.shown[0].find("不是本程式的資料庫"), std::string::npos);
        EXPECT_EQ(testsupport::ReadFile(s.dbPath()), bytes);
        EXPECT_EQ(s.files(), std::vector<std::string>{"icd10_2023.mdb"});
    }
}

TEST(DatabaseFileFaults, truncatedDatabase_isRefusedAtStartUp_namingTheFileAndTheDamage) {
    StartUp s;
    // A database large enough to span many pages, then cut in half.
    {
        db::Connection c;
        testsupport::CodeDb db(c, s.dbPath());
        reliability::FillSampleRows(db);
        c.exec("BEGIN");
        for (int i = 0; i < 3000; ++i)
            db.code("Z" + std::to_string(10000 + i), "名稱" + std::to_string(i), "name");
        c.exec("COMMIT");
    }
    const std::string whole = testsupport::ReadFile(s.dbPath());
    const std::string cut = whole.substr(0, whole.size() / 2);
    testsupport::WriteFile(s.dbPath(), cut);

    // Its header counts more pages than the file holds: refused at start-up
    // rather than failing later in the middle of a search.
    EXPECT_FALSE(s.open());
    ExpectCannotOpenMessage(s, "malformed");
    EXPECT_NE(s.messages.shown[0].find("截斷"), std::string::npos) << s.messages.shown[0];
    s.ctx.connection.close();
    EXPECT_EQ(testsupport::ReadFile(s.dbPath()), cut);
}

// A database whose ICD10 table is gone, or lacks a column, used by each layer's statements.
class DamagedSchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("icd10_2023.mdb");
        reliability::CreateCodeDb(path);
        conn.open(path);
    }
    std::string searchError(const search::Criteria& c) {
        db::Query result(conn), aux(conn);
        try {
            search::RunSearch(c, result, aux);
        } catch (const db::Error& e) {
            EXPECT_FALSE(result.isOpen());
            return e.what();
        }
        return {};
    }
    std::string treeError(const std::string& typed) {
        db::Query q(conn);
        tree::Tree t;
        try {
            tree::BuildResultTree(t, tree::DisplayKey(typed), typed, q, tree::TreeOutlineLines());
        } catch (const db::Error& e) {
            return e.what();
        }
        return {};
    }
    std::string outlineError() {
        db::Query q(conn);
        outline::OutlineBrowser b(outline::Icd10OutlineLines(), false, q);
        try {
            b.openChapter(1); // the first chapter
            b.openEntry(1);   // its first block
            b.openEntry(1);   // whose first block lists codes from the table
        } catch (const db::Error& e) {
            return e.what();
        }
        return {};
    }

    testsupport::TempDir dir;
    std::string path;
    db::Connection conn;
};

TEST_F(DamagedSchemaTest, withoutTheCodeTable_everyLayerReportsTheEngineMessage) {
    conn.exec("DROP TABLE ICD10");
    const std::string before = reliability::Fingerprint(conn);
    search::Criteria c;
    c.icd10Code = "A00";
    EXPECT_EQ(searchError(c), "no such table: ICD10");
    EXPECT_EQ(treeError("A00"), "no such table: ICD10");
    EXPECT_EQ(treeError("A00-A09"), "no such table: ICD10");
    EXPECT_EQ(outlineError(), "no such table: ICD10");
    EXPECT_EQ(reliability::Fingerprint(conn), before);
}

TEST_F(DamagedSchemaTest, withoutTheTranslationTable_anIcd9SearchReportsTheEngineMessage) {
    conn.exec("DROP TABLE CM");
    search::Criteria c;
    c.icd9Code = "845";
    EXPECT_EQ(searchError(c), "no such table: CM");
    c = {};
    c.icd10Code = "A00"; // searches that do not translate still run
    EXPECT_EQ(searchError(c), "");
}

TEST_F(DamagedSchemaTest, withoutANameColumn_theSearchReportsTheEngineMessage) {
    conn.exec("ALTER TABLE ICD10 DROP COLUMN ICD10_ENAME");
    search::Criteria c;
    c.chineseName = "霍亂";
    EXPECT_EQ(searchError(c), "no such column: ICD10_ENAME");
    c = {};
    c.englishName = "cholera";
    EXPECT_EQ(searchError(c), "no such column: ICD10_ENAME");
}

TEST_F(DamagedSchemaTest, withoutTheNewCodeColumn_treeAndOutlineReportTheMissingColumn) {
    conn.exec("ALTER TABLE ICD10 DROP COLUMN ICD10_2023NEW");
    EXPECT_EQ(treeError("A00"), "找不到欄位: ICD10_2023NEW");
    EXPECT_EQ(outlineError(), "找不到欄位: ICD10_2023NEW");
}

TEST_F(DamagedSchemaTest, rankingWithoutTheUsageTable_failsAndChangesNothing) {
    conn.exec("DROP TABLE btbindn");
    const std::string before = reliability::Fingerprint(conn);
    try {
        search::BuildRanking(conn);
        FAIL() << "the ranking ran without its usage table";
    } catch (const db::Error& e) {
        EXPECT_EQ(std::string(e.what()), "no such table: btbindn");
    }
    // The column it would have added is not there either.
    EXPECT_EQ(reliability::Fingerprint(conn), before);
}

// Runs the work as it is (an ordinary user) or, for the superuser, who reads
// and writes through any permission, in a child process that has given up
// the superuser's rights (the folder opened to it). Returns the work's
// outcome, or "skip: why" when it could not be run so.
std::string AsAnOrdinaryUser(const fs::path& folder, const std::function<std::string()>& work) {
    if (geteuid() != 0) return work();
    if (chmod(folder.c_str(), 0755) != 0) return "skip: the temporary folder cannot be opened to other users";
    int fds[2];
    if (pipe(fds) != 0) return "skip: no pipe";
    const pid_t child = fork();
    if (child < 0) return "skip: no child process";
    if (child == 0) {
        close(fds[0]);
        std::string outcome = "skip: cannot give up the superuser's rights";
        if (setgid(65534) == 0 && setuid(65534) == 0) outcome = work();
        (void)!write(fds[1], outcome.data(), outcome.size());
        _exit(0);
    }
    close(fds[1]);
    std::string outcome;
    char buf[256];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;)
        outcome.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the child process failed";
    return outcome;
}

// Opens the read-only file and runs the ranking on it; returns what happened
// as text ("" when the ranking failed as it should).
std::string RankReadOnlyFile(const std::string& path) {
    try {
        db::Connection conn;
        conn.open(path);
        if (!conn.isReadOnly()) return "the file opened for writing";
        try {
            search::BuildRanking(conn);
            return "the ranking wrote to a read-only file";
        } catch (const db::Error& e) {
            if (std::string(e.what()).find("readonly") == std::string::npos)
                return std::string("unexpected message: ") + e.what();
        }
        return {};
    } catch (const db::Error& e) {
        return std::string("open failed: ") + e.what();
    }
}

TEST(ReadOnlyDatabase, rankingOnAReadOnlyFile_failsWithTheEngineMessageAndChangesNothing) {
    testsupport::TempDir dir;
    const std::string path = dir.file("icd10_2023.mdb");
    reliability::CreateCodeDb(path);
    const std::string bytes = testsupport::ReadFile(path);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    const std::string outcome = AsAnOrdinaryUser(dir.path(), [&] {
        return access(path.c_str(), R_OK) == 0 ? RankReadOnlyFile(path)
                                               : "skip: the temporary folder is closed to other users";
    });
    if (outcome.rfind("skip: ", 0) == 0) {
        chmod(path.c_str(), 0644);
        GTEST_SKIP() << outcome.substr(6);
    }
    EXPECT_EQ(outcome, "");
    chmod(path.c_str(), 0644);
    EXPECT_EQ(testsupport::ReadFile(path), bytes);
}

TEST(ReadOnlyDatabase, databaseTurningReadOnlyHalfWayThroughTheRanking_rollsEverythingBack) {
    testsupport::TempDir dir;
    const std::string path = dir.file("icd10_2023.mdb");
    reliability::CreateCodeDb(path);
    db::Connection conn;
    conn.open(path);
    const std::string before = reliability::Fingerprint(conn);
    int calls = 0;
    try {
        search::BuildRanking(conn, [&](const search::RankingProgress&) {
            // From the first mark on, the connection may no longer write.
            if (++calls == 1) conn.exec("PRAGMA query_only=ON");
        });
        FAIL() << "the ranking went on writing";
    } catch (const db::Error& e) {
        EXPECT_NE(std::string(e.what()).find("readonly"), std::string::npos) << e.what();
    }
    EXPECT_EQ(calls, 1);
    conn.exec("PRAGMA query_only=OFF");
    EXPECT_EQ(reliability::Fingerprint(conn), before);
    // And the same file ranks normally afterwards.
    EXPECT_GT(search::BuildRanking(conn).marks, 0);
}

// Another process holds an exclusive lock on the database.
class LockedDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("icd10_2023.mdb");
        reliability::CreateCodeDb(path);
        before = reliability::FingerprintOf(path);
        holder = std::make_unique<reliability::LockHolder>(path);
        ASSERT_TRUE(holder->locked());
    }
    testsupport::TempDir dir;
    std::string path;
    std::string before;
    std::unique_ptr<reliability::LockHolder> holder;
};

TEST_F(LockedDatabaseTest, searchAndRanking_failAfterTheBusyWait_withTheEngineMessage) {
    db::Connection conn;
    // Opening may already meet the lock (the schema is read at open).
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::string> errors;
    try {
        conn.open(path);
        search::Criteria c;
        c.icd10Code = "A00";
        db::Query result(conn), aux(conn);
        try {
            search::RunSearch(c, result, aux);
            errors.push_back("");
        } catch (const db::Error& e) {
            errors.push_back(e.what());
        }
        try {
            search::BuildRanking(conn);
            errors.push_back("");
        } catch (const db::Error& e) {
            errors.push_back(e.what());
        }
    } catch (const db::Error& e) {
        errors.push_back(e.what());
    }
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    ASSERT_FALSE(errors.empty());
    for (const std::string& e : errors)
        EXPECT_EQ(e, "database is locked");
    // Each failing step waits the busy time (a few seconds), never forever.
    EXPECT_LE(seconds, 30);
    conn.close();
    holder->release();
    // The holder's transaction was never committed; nothing changed.
    EXPECT_EQ(reliability::FingerprintOf(path), before);
}

TEST(DatabaseFileFaults, lockedAtStartUp_saysTheDatabaseCannotBeOpened_afterTheBusyWait) {
    StartUp s;
    reliability::CreateCodeDb(s.dbPath());
    const std::string before = reliability::FingerprintOf(s.dbPath());
    reliability::LockHolder holder(s.dbPath());
    ASSERT_TRUE(holder.locked());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(s.open());
    const auto seconds =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(s.messages.shown,
              std::vector<std::string>{app::CannotOpenDatabaseText(s.dbPath(), "database is locked")});
    EXPECT_LE(seconds, 30);
    holder.release();
    EXPECT_EQ(reliability::FingerprintOf(s.dbPath()), before);
}

TEST(DatabaseFileFaults, unreadableAtStartUp_namesTheFileAndAsksForTheRights) {
    StartUp s;
    reliability::CreateCodeDb(s.dbPath());
    ASSERT_EQ(chmod(s.dbPath().c_str(), 0), 0);
    const std::string outcome = AsAnOrdinaryUser(s.dir.path(), [&]() -> std::string {
        if (access(s.dir.path().c_str(), X_OK) != 0)
            return "skip: the temporary folder is closed to other users";
        if (s.open()) return "an unreadable file opened";
        return s.messages.shown.size() == 1 ? s.messages.shown[0] : "no message";
    });
    chmod(s.dbPath().c_str(), 0644);
    if (outcome.rfind("skip: ", 0) == 0) GTEST_SKIP() << outcome.substr(6);
    EXPECT_TRUE(StartsWith(outcome, app::CannotOpenDatabaseMessage + s.dbPath() + "\n")) << outcome;
    EXPECT_NE(outcome.find("權限"), std::string::npos) << outcome;
    EXPECT_NE(outcome.find("原始訊息：unable to open database file"), std::string::npos) << outcome;
}

TEST(JetFileFaults, passwordProtectedJetFile_isRefusedWithAClearMessage_andNoCopyIsLeft) {
    ICD_REQUIRE_SHARED_DATA();
    StartUp s;
    fs::copy_file(testsupport::SharedDataDir() / "mdb" / "mdbreader_V2000_with-password.mdb", s.dbPath());
    const std::string bytes = testsupport::ReadFile(s.dbPath());
    EXPECT_FALSE(s.open());
    ExpectCannotOpenMessage(s, "密碼");
    EXPECT_EQ(testsupport::ReadFile(s.dbPath()), bytes);
    EXPECT_EQ(s.files(), std::vector<std::string>{"icd10_2023.mdb"});
}

TEST(JetFileFaults, jetFileCutInsideItsHeader_isRefusedWithAClearMessage_andNoCopyIsLeft) {
    StartUp s;
    // The Jet 4 signature, then far less than a page.
    std::string header("\x00\x01\x00\x00Standard Jet DB\x00\x01\x00\x00\x00", 24);
    header += std::string(200, '\x00');
    testsupport::WriteFile(s.dbPath(), header);
    EXPECT_FALSE(s.open());
    ExpectCannotOpenMessage(s, "截斷");
    EXPECT_EQ(testsupport::ReadFile(s.dbPath()), header);
    EXPECT_EQ(s.files(), std::vector<std::string>{"icd10_2023.mdb"});
}

TEST(JetFileFaults, jetFileWithAGoodHeaderAndGarbagePages_isRefusedWithoutTakingTheProgramDown) {
    StartUp s;
    std::string bytes("\x00\x01\x00\x00Standard Jet DB\x00\x01\x00\x00\x00", 24);
    bytes += std::string(4096 - bytes.size(), '\x00');
    for (int i = 0; i < 16 * 4096; ++i)
        bytes += static_cast<char>((i * 7919) & 0xFF);
    testsupport::WriteFile(s.dbPath(), bytes);
    EXPECT_FALSE(s.open());
    ExpectCannotOpenMessage(s, "");
    EXPECT_EQ(testsupport::ReadFile(s.dbPath()), bytes);
    EXPECT_EQ(s.files(), std::vector<std::string>{"icd10_2023.mdb"});
}

TEST(JetFileFaults, realJetFileCutInHalf_isRefusedOrReadWhole_neverHangsOrCrashes) {
    ICD_REQUIRE_SHARED_DATA();
    for (const char* name : {"jackcess_testV2000.mdb", "mdbreader_V1997_test.mdb"}) {
        StartUp s;
        const std::string whole = testsupport::ReadFile(testsupport::SharedDataDir() / "mdb" / name);
        const std::string cut = whole.substr(0, whole.size() / 2);
        testsupport::WriteFile(s.dbPath(), cut);
        const auto start = std::chrono::steady_clock::now();
        const bool opened = s.open();
        const auto seconds =
            std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
                .count();
        EXPECT_LE(seconds, 60) << name;
        RecordProperty(name, s.messages.shown.empty() ? std::string("opened") : s.messages.shown[0]);
        if (opened) {
            // What could be read was copied whole; the copy is a database.
            EXPECT_TRUE(s.messages.shown.empty()) << name;
            EXPECT_EQ(db::DetectFileKind(db::ConvertedCopyPath(s.dbPath())), db::FileKind::SQLite) << name;
        } else {
            ASSERT_EQ(s.messages.shown.size(), 1u) << name;
            EXPECT_TRUE(StartsWith(s.messages.shown[0], app::CannotOpenDatabaseMessage))
                << s.messages.shown[0];
            EXPECT_EQ(s.files(), std::vector<std::string>{"icd10_2023.mdb"}) << name;
        }
        EXPECT_EQ(testsupport::ReadFile(s.dbPath()), cut) << name;
    }
}
