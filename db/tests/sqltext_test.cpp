#include "db/sqltext.h"

#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/query.h"

TEST(SqlText, literalsAndNamesDoubleTheirOwnQuoteOnly) {
    EXPECT_EQ(db::SqlLiteral("O'Brien"), "'O''Brien'");
    EXPECT_EQ(db::SqlLiteral("''"), "''''''");
    EXPECT_EQ(db::SqlLiteral(""), "''");
    EXPECT_EQ(db::SqlLiteral("a\"b"), "'a\"b'");
    EXPECT_EQ(db::SqlIdentifier("ICD10"), "\"ICD10\"");
    EXPECT_EQ(db::SqlIdentifier("a\"b'c"), "\"a\"\"b'c\"");
}

TEST(SqlText, aQuotedValueReadsBackAsTypedAndNeverEndsTheStatement) {
    db::Connection c;
    c.open(":memory:", true);
    for (const std::string v : {"O'Brien", "'; DROP TABLE t; --", "'", "頭痛'"}) {
        db::Query q(c);
        q.setText("SELECT " + db::SqlLiteral(v) + " AS v, " + db::SqlLiteral(v) + " = " + db::SqlLiteral(v) +
                  " AS same");
        q.open();
        EXPECT_EQ(q.field("v"), v);
        EXPECT_EQ(q.field("same"), "1");
    }
    c.exec("CREATE TABLE " + db::SqlIdentifier("odd\"name") + " (" + db::SqlIdentifier("x'y") + " TEXT)");
    c.exec("INSERT INTO \"odd\"\"name\" VALUES ('z')");
}
