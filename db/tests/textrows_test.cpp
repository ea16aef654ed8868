#include "db/textrows.h"

#include "db/statement.h"
#include "dbfixture.h"

TEST_F(CodeDbTest, textRowsKeepEveryValueAsTheEngineGaveIt) {
    addCode("A001", "霍亂");
    conn.exec("INSERT INTO ICD10 (ICD10_NO, ICD10_CNAME, ICD10_ENAME) VALUES ('A000', NULL, '')");
    // A value holding a NUL is kept whole.
    db::Statement(conn, "INSERT INTO ICD10 (ICD10_NO, ICD10_CNAME) VALUES (?1, ?2)")
        .run({"A002", std::string_view("a\0b", 3)});
    db::Query q(conn);
    q.setText("SELECT ICD10_NO, ICD10_CNAME, ICD10_ENAME FROM ICD10 ORDER BY ICD10_NO");
    q.open();
    db::TextRows rows(2);
    const int columns[] = {0, 1};
    for (; !q.eof(); q.next())
        rows.append(q, columns);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows.at(0, 0), "A000");
    EXPECT_EQ(rows.at(0, 1), ""); // NULL
    EXPECT_EQ(rows.at(1, 0), "A001");
    EXPECT_EQ(rows.at(1, 1), "霍亂");
    EXPECT_EQ(rows.at(2, 1), std::string_view("a\0b", 3));
    EXPECT_GT(rows.bytes(), 0U);

    // A failing append leaves the rows as they were.
    const int wrong[] = {0, 9};
    q.open();
    EXPECT_THROW(rows.append(q, wrong), db::Error);
    EXPECT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows.at(2, 0), "A002");
    rows.clear(1);
    EXPECT_EQ(rows.size(), 0U);
    EXPECT_EQ(rows.columns(), 1U);
}
