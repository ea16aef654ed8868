#include "db/jetimport.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "db/codeindexes.h"
#include "db/databasefile.h"
#include "db/filelock.h"
#include "dbfixture.h"

using namespace db;
namespace fs = std::filesystem;

namespace {

fs::path JetDir() {
    return testsupport::SharedDataDir() / "mdb";
}

#define REQUIRE_JET_FILES()                                                                                  \
    do {                                                                                                     \
        ICD_REQUIRE_SHARED_DATA();                                                                           \
        if (!fs::is_directory(JetDir())) GTEST_SKIP() << "no Jet test files in " << JetDir();                \
        if (!JetReaderAvailable())                                                                           \
            GTEST_SKIP() << "no Jet reader here (on Windows: the Access ODBC driver)";                       \
    } while (0)

std::string One(Connection& c, const std::string& sql) {
    Query q(c);
    q.setText(sql);
    q.open();
    return q.eof() ? std::string("<no row>") : q.value(0);
}

// Table name => row count of a converted copy.
std::map<std::string, int> Tables(Connection& c) {
    std::map<std::string, int> out;
    Query q(c);
    q.setText("SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite%' ORDER BY name");
    q.open();
    std::vector<std::string> names;
    for (; !q.eof(); q.next())
        names.push_back(q.value(0));
    for (const auto& n : names)
        out[n] = std::stoi(One(c, "SELECT count(*) FROM \"" + n + "\""));
    return out;
}

bool LeftoversIn(const fs::path& dir, const std::string& except) {
    for (const auto& e : fs::directory_iterator(dir))
        if (e.path().filename() != except) return true;
    return false;
}

} // namespace

TEST(JetImport, everyTestFileConvertsWithItsTablesAndRows) {
    REQUIRE_JET_FILES();
    const std::map<std::string, std::map<std::string, int>> expected = {
        {"jackcess_indexTestV2000.mdb", {{"Table1", 4}, {"Table2", 3}, {"Table3", 4}}},
        {"jackcess_testUnicodeCompV2003.mdb", {{"Table", 8}}},
        {"jackcess_testV2000.mdb", {{"Table1", 2}, {"Table2", 0}, {"Table3", 0}, {"Table4", 0}}},
        {"mdbreader_V1997_test.mdb", {{"Table1", 2}, {"Table2", 0}, {"Table3", 0}, {"Table4", 0}}},
        {"mdbreader_V2000_empty.mdb", {}},
        {"mdbreader_V2000_numeric.mdb", {{"test", 1}}},
        {"mdbtools_DateTestDatabase.mdb", {{"DateTest", 6}}},
    };
    for (const auto& [file, tables] : expected) {
        SCOPED_TRACE(file);
        testsupport::TempDir dir;
        const std::string jet = (JetDir() / file).string();
        const std::string before = testsupport::ReadFile(jet);
        ConvertJetToSqlite(jet, dir.file("copy.sqlite"));
        EXPECT_EQ(testsupport::ReadFile(jet), before) << "the Jet file must never be written";
        EXPECT_EQ(DetectFileKind(dir.file("copy.sqlite")), FileKind::SQLite);
        EXPECT_FALSE(LeftoversIn(dir.path(), "copy.sqlite")) << "temporary files left behind";
        Connection c;
        c.open(dir.file("copy.sqlite"));
        EXPECT_EQ(Tables(c), tables);
    }
}

TEST(JetImport, unicodeCompressedTextArrivesAsUtf8AndComparesWithoutCase) {
    REQUIRE_JET_FILES();
    testsupport::TempDir dir;
    ConvertJetToSqlite((JetDir() / "jackcess_testUnicodeCompV2003.mdb").string(), dir.file("u.sqlite"));
    Connection c;
    c.open(dir.file("u.sqlite"));
    EXPECT_EQ(One(c, "SELECT Unicode FROM \"Table\" WHERE ID=5"), "漢字仮名交じり文");
    EXPECT_EQ(One(c, "SELECT Unicode FROM \"Table\" WHERE ID=3"), "Мир");
    EXPECT_EQ(One(c, "SELECT Unicode FROM \"Table\" WHERE ID=2"), "ääkkösiä");
    // Text columns are NOCASE, as Jet compares.
    EXPECT_EQ(One(c, "SELECT ID FROM \"Table\" WHERE Unicode='ONLY ASCII CHARS'"), "1");
    EXPECT_EQ(One(c, "SELECT ID FROM \"Table\" WHERE Unicode LIKE '%漢字%'"), "5");
}

TEST(JetImport, columnTypesKeepTheirValues) {
    REQUIRE_JET_FILES();
    for (const char* file : {"jackcess_testV2000.mdb", "mdbreader_V1997_test.mdb"}) {
        SCOPED_TRACE(file);
        testsupport::TempDir dir;
        ConvertJetToSqlite((JetDir() / file).string(), dir.file("t.sqlite"));
        Connection c;
        c.open(dir.file("t.sqlite"));
        EXPECT_EQ(One(c, "SELECT B||'|'||C||'|'||D||'|'||E||'|'||I FROM Table1 WHERE A='ABCDEFG'"),
                  "hijklmnop|2|222|333333333|1");
        EXPECT_EQ(One(c, "SELECT typeof(E)||' '||typeof(F)||' '||F FROM Table1 WHERE A='abcdefg'"),
                  "integer real 444.555");
        EXPECT_EQ(One(c, "SELECT G FROM Table1 WHERE A='abcdefg'"), "1974-09-21 00:00:00");
        EXPECT_EQ(One(c, "SELECT H FROM Table1 WHERE A='abcdefg'"), "3.5");
        // The many-column empty table keeps all its columns.
        Query q(c);
        q.setText("SELECT * FROM Table2");
        q.open();
        EXPECT_EQ(q.fieldCount(), 89);
    }
}

TEST(JetImport, jet3TextIsReadAsCp950) {
    REQUIRE_JET_FILES();
    // A Jet 3 file whose text holds Big5 bytes: the test file with two of its
    // letters replaced by the Big5 codes of 中 (A4 A4) and 文 (A4 E5).
    std::string bytes = testsupport::ReadFile(JetDir() / "mdbreader_V1997_test.mdb");
    auto a = bytes.find("abcdefg");
    auto h = bytes.find("hijklmnop");
    ASSERT_NE(a, std::string::npos);
    ASSERT_NE(h, std::string::npos);
    bytes.replace(a, 2, "\xA4\xA4");
    bytes.replace(h, 2, "\xA4\xE5");
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.file("big5.mdb"), bytes);
    ConvertJetToSqlite(dir.file("big5.mdb"), dir.file("big5.sqlite"));
    Connection c;
    c.open(dir.file("big5.sqlite"));
    EXPECT_EQ(One(c, "SELECT A||' '||B FROM Table1 WHERE D=222"), "中cdefg 文jklmnop");
}

TEST(JetImport, passwordProtectedFileIsRefusedAndLeavesNothing) {
    REQUIRE_JET_FILES();
    for (const auto& e : fs::directory_iterator(JetDir())) {
        std::string head = testsupport::ReadFile(e.path()).substr(0, 4096);
        EXPECT_EQ(JetHasPassword(head), e.path().filename() == "mdbreader_V2000_with-password.mdb")
            << e.path();
    }
    testsupport::TempDir dir;
    try {
        ConvertJetToSqlite((JetDir() / "mdbreader_V2000_with-password.mdb").string(), dir.file("p.sqlite"));
        FAIL() << "a password-protected file must be refused";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("密碼"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("with-password.mdb"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(JetImport, damagedFilesGiveAnErrorNeverACrashOrAHalfCopy) {
    REQUIRE_JET_FILES();
    const std::string good = testsupport::ReadFile(JetDir() / "jackcess_testV2000.mdb");
    testsupport::TempDir dir;
    // An older complete copy must survive a failed conversion untouched.
    testsupport::WriteFile(dir.file("out.sqlite"), "old copy");
    std::vector<std::pair<std::string, std::string>> cases = {
        {"cut short after the header", good.substr(0, 4096 * 3)},
        {"header then noise", good.substr(0, 4096) + std::string(4096 * 40, '\x5A')},
        {"catalog pages zeroed", good.substr(0, 4096) + std::string(good.size() - 4096, '\0')},
        {"tiny", good.substr(0, 100)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        testsupport::WriteFile(dir.file("bad.mdb"), bytes);
        EXPECT_THROW(ConvertJetToSqlite(dir.file("bad.mdb"), dir.file("out.sqlite")), Error);
        EXPECT_EQ(testsupport::ReadFile(dir.file("out.sqlite")), "old copy");
        EXPECT_FALSE(fs::exists(dir.file("out.sqlite.part")));
    }
    // One damaged byte in a table page sends the reader round in circles (in
    // this build; what the reader does with it depends on memory it has not
    // set, so under a sanitizer it may get through). It is stopped when it
    // makes no progress, and the conversion never hangs.
    std::string loops = good;
    loops[122773] = 17;
    testsupport::WriteFile(dir.file("loops.mdb"), loops);
    const auto start = std::chrono::steady_clock::now();
    try {
        ConvertJetToSqlite(dir.file("loops.mdb"), dir.file("loops.sqlite"), 2);
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("損壞"), std::string::npos) << e.what();
        EXPECT_FALSE(fs::exists(dir.file("loops.sqlite")));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(15));
    EXPECT_FALSE(fs::exists(dir.file("loops.sqlite.part")));

    EXPECT_THROW(ConvertJetToSqlite(dir.file("missing.mdb"), dir.file("out.sqlite")), Error);
    testsupport::WriteFile(dir.file("text.mdb"), std::string(8192, 'x'));
    EXPECT_THROW(ConvertJetToSqlite(dir.file("text.mdb"), dir.file("out.sqlite")), Error);
}

TEST(JetImport, aCopyThatCannotBeWrittenSaysSo) {
    REQUIRE_JET_FILES();
    testsupport::TempDir dir;
    try {
        ConvertJetToSqlite((JetDir() / "jackcess_testV2000.mdb").string(),
                           dir.file("no/such/folder/copy.sqlite"));
        FAIL() << "the copy cannot be written there";
    } catch (const Error& e) {
        // What failed and what to do in Chinese, then the detail.
        EXPECT_EQ(std::string(e.what()).rfind("無法寫入 Jet 資料庫的轉換副本", 0), 0u) << e.what();
        EXPECT_NE(std::string(e.what()).find("(無法轉換 Jet 資料庫"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("無法寫入轉換後的副本"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(JetImport, prepareConvertsOnceAndAgainOnlyWhenTheJetFileIsNewer) {
    REQUIRE_JET_FILES();
    testsupport::TempDir dir;
    const std::string jet = dir.file("icd10_2023.mdb");
    fs::copy_file(JetDir() / "jackcess_testUnicodeCompV2003.mdb", jet);
    fs::permissions(jet, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove); // the Jet file may well be read-only
    const std::string copy = PrepareDatabaseFile(jet);
    EXPECT_EQ(copy, dir.file("icd10_2023.sqlite"));
    {
        Connection c;
        c.open(copy);
        EXPECT_EQ(One(c, "SELECT count(*) FROM \"Table\""), "8");
        c.exec("CREATE TABLE Marker(x)"); // gone if the copy is made again
    }
    EXPECT_EQ(PrepareDatabaseFile(jet), copy);
    {
        Connection c;
        c.open(copy);
        EXPECT_EQ(One(c, "SELECT count(*) FROM sqlite_master WHERE name='Marker'"), "1");
    }
    fs::last_write_time(jet, fs::last_write_time(copy) + std::chrono::seconds(5));
    EXPECT_EQ(PrepareDatabaseFile(jet), copy);
    Connection c;
    c.open(copy);
    EXPECT_EQ(One(c, "SELECT count(*) FROM sqlite_master WHERE name='Marker'"), "0");
    EXPECT_EQ(One(c, "SELECT count(*) FROM \"Table\""), "8");
}

// Two copies of the program started together: the second waits while the first
// converts (it holds the lock beside the copy), then finds the copy made.
TEST(JetImport, prepareWaitsForAConversionUnderWayInAnotherProgram) {
    REQUIRE_JET_FILES();
    testsupport::TempDir dir;
    const std::string jet = dir.file("icd10_2023.mdb");
    fs::copy_file(JetDir() / "jackcess_testUnicodeCompV2003.mdb", jet);
    FileLock other(dir.file("icd10_2023.sqlite.lock"));
    other.lock();
    std::atomic<bool> done{false};
    std::string copy;
    std::thread second([&] {
        copy = PrepareDatabaseFile(jet);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_FALSE(done);
    EXPECT_FALSE(fs::exists(dir.file("icd10_2023.sqlite.part")));
    other.unlock();
    second.join();
    Connection c;
    c.open(copy);
    EXPECT_EQ(One(c, "SELECT count(*) FROM \"Table\""), "8");
}

TEST_F(CodeDbTest, optimizeIndexesTheCodeTablesSoPrefixAndRangeUseTheIndex) {
    // A converted clinic file arrives without indexes, maybe with a duplicate code.
    conn.exec("DROP INDEX ICD10_NO_IDX; DROP INDEX CM_ICD9_IDX; DROP INDEX CM_ICD10_IDX");
    addCode("S934", "踝扭傷", "N");
    addCode("S93401A", "右踝扭傷，初期照護");
    addCode("S93401A", "duplicate");
    std::vector<std::string> made = OptimizeCodeDatabase(conn);
    EXPECT_EQ(made, (std::vector<std::string>{"ICD10_NO_IDX", "CM_ICD9_IDX", "CM_ICD10_IDX"}));
    EXPECT_TRUE(OptimizeCodeDatabase(conn).empty()) << "indexes are made once";
    auto plan = [&](const std::string& sql) {
        Query q(conn);
        q.setText("EXPLAIN QUERY PLAN " + sql);
        q.open();
        std::string all;
        for (; !q.eof(); q.next())
            all += q.field("detail") + "\n";
        return all;
    };
    EXPECT_NE(plan("SELECT * FROM ICD10 WHERE ICD10_NO LIKE  's93%' ORDER BY ICD10_NO").find("ICD10_NO_IDX"),
              std::string::npos);
    EXPECT_NE(plan("SELECT * FROM ICD10 WHERE ICD10_NO >=  'C60' AND ICD10_NO<='C63ZZZZZ' ORDER BY ICD10_NO")
                  .find("ICD10_NO_IDX (ICD10_NO>? AND ICD10_NO<?)"),
              std::string::npos);
    EXPECT_NE(plan("SELECT * FROM CM WHERE ICD9_NO LIKE '845.0%' ORDER BY ICD10_NO ").find("CM_ICD9_IDX"),
              std::string::npos);
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO LIKE 's93%' ORDER BY ICD10_NO"),
              (std::vector<std::string>{"S934", "S93401A", "S93401A"}));
}
