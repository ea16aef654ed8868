#include "app/core/indexednames.h"

#include <gtest/gtest.h>

#include "db/connection.h"
#include "testsupport/codedb.h"

// The tables the program indexes, against the program's schema: every table
// and column named is one the code database has (a misspelt one would be left
// out without a word, its searches left to the engine), and the code table's
// key gives a total, rising order, so that its ORDER BY statements and code
// prefixes are answered from the index.
TEST(IndexedNames, everyTableAndColumnIsOneOfTheSchema) {
    testsupport::CodeDb db;
    db.code("A00", "霍亂", "Cholera");
    db.code("A01", "傷寒", "Typhoid");
    db.icd9("001", "Cholera", "霍亂");
    app::StartNamesIndex(db.connection);
    ASSERT_TRUE(db.connection.waitForNamesIndex());
    const auto index = db.connection.namesIndex();
    ASSERT_TRUE(index);
    EXPECT_EQ(index->tables().size(), app::IndexedNames().size());
    for (const auto& wanted : app::IndexedNames()) {
        const db::NamesTable* table = index->table(wanted.table);
        ASSERT_TRUE(table) << wanted.table;
        EXPECT_EQ(table->columns.size(), wanted.columns.size()) << wanted.table;
        for (const auto& column : wanted.columns)
            EXPECT_TRUE(table->column(column)) << wanted.table << "." << column;
        if (!wanted.orderColumn.empty()) {
            EXPECT_TRUE(table->orderIsTotal) << wanted.table;
            EXPECT_TRUE(table->keyRises) << wanted.table;
        }
    }
}
