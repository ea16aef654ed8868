#include "db/statement.h"

#include "dbfixture.h"

using db::Statement;

TEST_F(CodeDbTest, boundValuesAreStoredAsTheyStandQuotesAndAll) {
    Statement add(conn, "INSERT INTO ICD9 (ICD9_NO, ICD9_NAME, ICD9_NAME2) VALUES (?1, ?2, ?3)");
    EXPECT_FALSE(add.readOnly());
    EXPECT_EQ(add.run({"724.2", "腰痛", "Lumbago"}), 1);
    EXPECT_EQ(add.run({"845.0", "踝' OR 1=1 --", ""}), 1); // a quote is data, not SQL
    Statement find(conn, "SELECT ICD9_NO, ICD9_NAME FROM ICD9 WHERE ICD9_NAME2 = ?1 ORDER BY ICD9_NO");
    EXPECT_TRUE(find.readOnly());
    find.bind({""});
    ASSERT_TRUE(find.step());
    EXPECT_EQ(find.column(0), "845.0");
    EXPECT_EQ(find.column(1), "踝' OR 1=1 --");
    EXPECT_FALSE(find.step());
    EXPECT_THROW(find.column(0), db::Error); // no current row after the end
    // Bound again, the same statement runs anew.
    find.bind({"LUMBAGO"}); // text columns ignore case
    ASSERT_TRUE(find.step());
    EXPECT_EQ(find.column(0), "724.2");
}

TEST_F(CodeDbTest, statementErrorsThrowTheEngineMessageAndLeaveItUsable) {
    EXPECT_THROW(Statement(conn, "SELECT * FROM NO_SUCH_TABLE"), db::Error);
    EXPECT_THROW(Statement(conn, "SELECT 1; DROP TABLE ICD10"), db::Error); // one statement only
    conn.exec("CREATE TABLE U (K TEXT UNIQUE)");
    Statement add(conn, "INSERT INTO U VALUES (?1)");
    add.run({"a"});
    try {
        add.run({"a"});
        FAIL() << "a duplicate must raise";
    } catch (const db::Error& e) {
        EXPECT_NE(std::string(e.what()).find("UNIQUE"), std::string::npos) << e.what();
    }
    EXPECT_EQ(add.run({"b"}), 1);
    EXPECT_THROW(add.run({"c", "d"}), db::Error); // a wrong number of values is refused
    EXPECT_EQ(db::QueryCount(conn, "SELECT count(*) FROM U"), 2);
}

TEST_F(CodeDbTest, singleValueQueriesFailInsteadOfReadingZero) {
    addCode("A000", "霍亂");
    EXPECT_EQ(db::QueryValue(conn, "SELECT ICD10_CNAME FROM ICD10 WHERE ICD10_NO='A000'"), "霍亂");
    EXPECT_EQ(db::QueryCount(conn, "SELECT count(*) FROM ICD10"), 1);
    EXPECT_THROW(db::QueryCount(conn, "SELECT count(*) FROM NO_SUCH_TABLE"), db::Error);
    EXPECT_THROW(db::QueryValue(conn, "SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO='Z99'"), db::Error);
    EXPECT_THROW(db::QueryCount(conn, "SELECT ICD10_CNAME FROM ICD10"), db::Error);
}
