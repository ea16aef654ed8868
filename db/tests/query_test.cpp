#include "dbfixture.h"

using db::Query;

TEST_F(CodeDbTest, linesAreJoinedWithCrLfAndReadRowsInOrder) {
    addCode("A001", "霍亂");
    addCode("A000", "古典型霍亂");
    Query q(conn);
    q.add("SELECT * FROM ICD10 WHERE");
    q.add("ICD10_NO LIKE 'A00%'");
    q.add("ORDER BY ICD10_NO");
    EXPECT_EQ(q.text(), "SELECT * FROM ICD10 WHERE\r\nICD10_NO LIKE 'A00%'\r\nORDER BY ICD10_NO\r\n");
    q.open();
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.field("icd10_no"), "A000"); // names are case-insensitive
    EXPECT_EQ(q.field("ICD10_CNAME"), "古典型霍亂");
    q.next();
    EXPECT_EQ(q.field("ICD10_NO"), "A001");
    q.next();
    EXPECT_TRUE(q.eof());
    q.next(); // harmless past the end
    EXPECT_TRUE(q.eof());
}

TEST_F(CodeDbTest, emptyAndNullValuesReadAsEmptyText) {
    conn.exec("INSERT INTO ICD10 (ICD10_NO, ICD10_CNAME, ICD10_2023FLAG) VALUES ('B001', NULL, '')");
    Query q(conn);
    q.setText("SELECT * FROM ICD10");
    q.open();
    EXPECT_EQ(q.field("ICD10_CNAME"), "");
    EXPECT_EQ(q.field("ICD10_2023FLAG"), "");
    EXPECT_EQ(q.field("ICD10_2023NEW"), "");
    EXPECT_THROW(q.field("NO_SUCH_COLUMN"), db::Error);
}

TEST_F(CodeDbTest, engineErrorsCarryTheEngineMessageAndLeaveTheQueryClosed) {
    Query q(conn);
    q.setText("SELECT ICD10_RANKING FROM ICD10");
    try {
        q.open();
        FAIL() << "a missing column must raise";
    } catch (const db::Error& e) {
        EXPECT_NE(std::string(e.what()).find("no such column: ICD10_RANKING"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(q.isOpen());
    q.setText("SELECT * FROM ICD10 WHERE ()");
    EXPECT_THROW(q.open(), db::Error);
    // A second statement smuggled after the first is refused, never run.
    q.setText("SELECT * FROM ICD10; DROP TABLE ICD10");
    EXPECT_THROW(q.open(), db::Error);
    EXPECT_NO_THROW(codes("SELECT * FROM ICD10"));
}

TEST_F(CodeDbTest, commandsChangeRowsAndAlterTheSchema) {
    addCode("A000", "霍亂");
    Query q(conn);
    q.setText("ALTER TABLE ICD10 add COLUMN ICD10_RANKING VARCHAR(6)");
    q.execute();
    q.setText("UPDATE icd10 SET ICD10_RANKING='五百大' WHERE ICD10_NO LIKE 'A00%' ");
    EXPECT_EQ(q.execute(), 1);
    EXPECT_EQ(codes("SELECT ICD10_RANKING FROM ICD10"), std::vector<std::string>{"五百大"});
}

TEST_F(CodeDbTest, transactionRollsBackUnlessCommitted) {
    {
        db::Transaction t(conn);
        addCode("A000", "霍亂");
    }
    EXPECT_TRUE(codes("SELECT * FROM ICD10").empty());
    {
        db::Transaction t(conn);
        addCode("A000", "霍亂");
        t.commit();
    }
    EXPECT_EQ(codes("SELECT * FROM ICD10").size(), 1u);
}

TEST_F(CodeDbTest, anotherConnectionCanUseTheSameFileAtTheSameTime) {
    addCode("A000", "霍亂");
    db::Connection other;
    other.open(path); // no exclusive lock: a second connection opens and reads
    Query mine(conn);
    mine.setText("SELECT * FROM ICD10");
    mine.open();
    db::Query theirs(other);
    theirs.setText("SELECT count(*) AS N FROM ICD10");
    theirs.open();
    EXPECT_EQ(theirs.field("N"), "1");
    theirs.close();
    mine.close();
    other.exec("INSERT INTO ICD10 (ICD10_NO) VALUES ('A001')");
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10 ORDER BY ICD10_NO"),
              (std::vector<std::string>{"A000", "A001"}));
}

// A long statement (a recursive count to a million) is stopped from its
// progress handler; the connection, and a later statement, work as before.
TEST_F(CodeDbTest, interruptFromTheProgressHandlerStopsOnlyTheRunningStatement) {
    const std::string longCount =
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000) "
        "SELECT count(*) FROM n";
    addCode("A00", "霍亂");
    int calls = 0;
    std::string nested;
    conn.setProgressHandler([&] {
        ++calls;
        // The engine must not be entered from here: such a statement is refused.
        Query inner(conn);
        inner.setText("SELECT 1");
        try {
            inner.open();
        } catch (const db::Error& e) {
            nested = e.what();
        }
        if (calls == 3) conn.interrupt();
    });
    Query q(conn);
    q.setText(longCount);
    EXPECT_THROW(q.open(), db::Interrupted);
    EXPECT_FALSE(q.isOpen());
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(nested.empty());
    EXPECT_FALSE(conn.isRunning());

    // Asked when nothing runs, it is void: it never stops the next statement.
    conn.setProgressHandler({});
    conn.interrupt();
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10"), std::vector<std::string>{"A00"});
    q.open();
    EXPECT_EQ(q.value(0), "1000000");
    // Commands stop the same way.
    conn.setProgressHandler([&] { conn.interrupt(); });
    EXPECT_THROW(conn.exec(longCount), db::Interrupted);
    conn.setProgressHandler({});
    EXPECT_EQ(codes("SELECT count(*) FROM ICD10"), std::vector<std::string>{"1"});
}

// Closing the connection, or opening another file on it, from the progress
// handler is refused as a statement is: the statement that called the handler
// still runs on it, and runs to its end.
TEST_F(CodeDbTest, theProgressHandlerCannotCloseOrReopenTheConnection) {
    addCode("A00", "霍亂");
    int calls = 0, refused = 0;
    conn.setProgressHandler([&] {
        if (++calls > 1) return;
        try {
            conn.close();
        } catch (const db::Error&) {
            ++refused;
        }
        try {
            conn.open(path);
        } catch (const db::Error&) {
            ++refused;
        }
    });
    Query q(conn);
    q.setText("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
              "SELECT count(*) FROM n");
    q.open();
    EXPECT_EQ(q.value(0), "100000");
    EXPECT_EQ(refused, 2);
    EXPECT_TRUE(conn.isOpen());
    conn.setProgressHandler({});
    EXPECT_EQ(codes("SELECT ICD10_NO FROM ICD10"), std::vector<std::string>{"A00"});
    q.close();
    conn.close();
    EXPECT_FALSE(conn.isOpen());
}
