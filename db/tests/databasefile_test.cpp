#include "db/databasefile.h"

#include <filesystem>

#include "db/statement.h"
#include "dbfixture.h"

using namespace db;

TEST(DatabaseFile, kindIsReadFromTheFileHeader) {
    testsupport::TempDir dir;
    EXPECT_EQ(DetectFileKind(dir.file("none.mdb")), FileKind::Missing);
    testsupport::WriteFile(dir.file("empty.mdb"), "");
    EXPECT_EQ(DetectFileKind(dir.file("empty.mdb")), FileKind::Empty);
    testsupport::WriteFile(dir.file("text.mdb"), "this is not a database at all, just some text");
    EXPECT_EQ(DetectFileKind(dir.file("text.mdb")), FileKind::Unknown);
    Connection c;
    c.open(dir.file("real.mdb"), true);
    c.exec("CREATE TABLE T(a)");
    c.close();
    EXPECT_EQ(DetectFileKind(dir.file("real.mdb")), FileKind::SQLite);
    EXPECT_EQ(ConvertedCopyPath("/x/icd10_2023.mdb"), "/x/icd10_2023.sqlite");
}

TEST(DatabaseFile, badFilesFailToOpenWithAMessage) {
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.file("empty.mdb"), "");
    EXPECT_THROW(PrepareDatabaseFile(dir.file("empty.mdb")), Error);
    testsupport::WriteFile(dir.file("text.mdb"), std::string(4096, 'x'));
    Connection c;
    try {
        c.open(PrepareDatabaseFile(dir.file("text.mdb")));
        FAIL() << "a text file must not open as a database";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("not a database"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(c.isOpen());
    EXPECT_THROW(c.open(dir.file("missing.mdb")), Error);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.mdb"))); // never created by opening
}

TEST(DatabaseFile, aReadOnlyOpenReadsButNeverWritesNorCreates) {
    testsupport::TempDir dir;
    Connection c;
    EXPECT_THROW(c.openReadOnly(dir.file("missing.db")), Error);
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.db")));
    testsupport::WriteFile(dir.file("text.db"), std::string(4096, 'x'));
    EXPECT_THROW(c.openReadOnly(dir.file("text.db")), Error);
    c.open(dir.file("guide.db"), true);
    c.exec("CREATE TABLE T(a); INSERT INTO T VALUES (42)");
    c.close();
    c.openReadOnly(dir.file("guide.db"));
    EXPECT_TRUE(c.isReadOnly());
    Statement read(c, "SELECT a, NULL FROM T");
    ASSERT_TRUE(read.step());
    EXPECT_EQ(read.columnInt(0), 42);
    EXPECT_EQ(read.columnInt(1), 0);
    EXPECT_THROW(c.exec("INSERT INTO T VALUES (1)"), Error);
    EXPECT_EQ(QueryCount(c, "SELECT count(*) FROM T"), 1);
}
