// The names index against the engine itself: its LIKE, its rows for a
// statement, and the life of the index beside the file it describes.
#include <atomic>
#include <random>

#include "db/namesform.h"
#include "db/namesindex.h"
#include "db/namesquery.h"
#include "db/statement.h"
#include "dbfixture.h"

using db::NamesIndex;
using db::Query;

namespace {

// The fixture's code tables as the program indexes them.
const std::vector<NamesIndex::IndexedTable> CodeTables = {
    {"ICD10", "ICD10_NO", {"ICD10_NO", "ICD10_CNAME", "ICD10_ENAME"}},
    {"ICD9", "", {"ICD9_NAME", "ICD9_NAME2"}},
};

class NamesIndexTest : public CodeDbTest {
protected:
    // Starts the connection's index and waits for it.
    std::shared_ptr<const NamesIndex> ready() {
        conn.startNamesIndex({CodeTables, {}});
        EXPECT_TRUE(conn.waitForNamesIndex());
        return conn.namesIndex();
    }
    // Every row of a statement, fields joined by '|'.
    static std::vector<std::string> rows(Query& q) {
        std::vector<std::string> out;
        for (; !q.eof(); q.next()) {
            std::string row;
            for (int i = 0; i < q.fieldCount(); ++i)
                row += q.value(i) + "|";
            out.push_back(row);
        }
        return out;
    }
    std::vector<std::string> plain(const std::string& sql) {
        Query q(conn);
        q.setText(sql);
        q.open();
        return rows(q);
    }
    // The rows through the index (which must take the statement) and as the engine gives them.
    void expectSameRows(const std::string& sql) {
        Query q(conn);
        q.setText(sql);
        ASSERT_TRUE(db::TryOpenWithNames(q)) << sql;
        EXPECT_EQ(rows(q), plain(sql)) << sql;
    }
};

// Positions of the rows the engine's LIKE finds, in the index's order (code order).
std::vector<std::uint32_t> EngineMatches(db::Connection& conn, const std::string& column,
                                         const std::string& pattern) {
    db::Statement st(conn, "SELECT n - 1 FROM (SELECT ROW_NUMBER() OVER (ORDER BY ICD10_NO) AS n, " + column +
                               " AS v FROM ICD10) WHERE v LIKE ?1 ORDER BY n");
    st.bind({pattern});
    std::vector<std::uint32_t> out;
    while (st.step())
        out.push_back(static_cast<std::uint32_t>(std::stoul(st.column(0))));
    return out;
}

} // namespace

TEST_F(NamesIndexTest, headerExamples) {
    db.code("A001", "霍亂弧菌", "Cholera due to Vibrio cholerae");
    db.code("A00", "霍亂", "Cholera");
    const auto index = ready();
    ASSERT_TRUE(index);
    const db::NamesTable& t = *index->table("icd10");
    EXPECT_EQ(t.rows(), 2U);
    EXPECT_TRUE(t.orderIsTotal);
    auto match = [&](const char* column, std::string_view pattern) {
        const auto m = NamesIndex::Match(t, *t.column(column), pattern);
        return m ? m->positions() : std::vector<std::uint32_t>{99};
    };
    EXPECT_EQ(match("ICD10_ENAME", "%CHOLERA%"), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(match("ICD10_CNAME", "%霍_弧%"), (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(match("ICD10_CNAME", "霍亂"), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(match("ICD10_NO", "a00%"), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_FALSE(NamesIndex::Match(t, *t.column("ICD10_CNAME"), "%\xE9%"));
    EXPECT_GT(index->bytes(), 0U);
}

// Random values and patterns from letters of either case, the wildcards
// themselves, blanks, quotes and multi-byte characters: the index finds exactly
// the rows the engine's LIKE finds.
TEST_F(NamesIndexTest, randomPatterns_matchExactlyWhatTheEngineMatches) {
    const std::vector<std::string> alphabet = {
        "a", "A", "b", "B", "z", "%", "_", " ", "'", "左", "踝", "é", "É", "1", "\xF0\x9F\x98\x80", "."};
    std::mt19937 random(20261208);
    auto text = [&](int maxLength) {
        std::string s;
        const int n = std::uniform_int_distribution<int>(0, maxLength)(random);
        for (int i = 0; i < n; ++i)
            s += alphabet[std::uniform_int_distribution<std::size_t>(0, alphabet.size() - 1)(random)];
        return s;
    };
    for (int i = 0; i < 300; ++i)
        db.code("C" + std::to_string(1000 + i), text(8), text(8));
    conn.exec("UPDATE ICD10 SET ICD10_CNAME = NULL WHERE ICD10_NO LIKE 'C10%'"); // NULLs never match
    const auto index = ready();
    ASSERT_TRUE(index);
    const db::NamesTable& t = *index->table("ICD10");
    for (int i = 0; i < 1500; ++i) {
        std::string pattern = text(5);
        for (const char* column : {"ICD10_CNAME", "ICD10_ENAME"}) {
            const auto m = NamesIndex::Match(t, *t.column(column), pattern);
            ASSERT_TRUE(m) << pattern;
            ASSERT_EQ(m->positions(), EngineMatches(conn, column, pattern))
                << column << " LIKE '" << pattern << "'";
        }
    }
}

// A code prefix matches one run of the code order, found by halving: exactly
// the rows the engine's LIKE finds.
TEST_F(NamesIndexTest, codePrefixes_holdInOneRunOfTheCodeOrder) {
    for (const char* code :
         {"a00", "A000", "a001", "A01", "b00", "B1_", "B1%", "b1a", "S93401A", "s934", "ß1"})
        db.code(code, "名");
    const auto index = ready();
    const db::NamesTable& t = *index->table("ICD10");
    ASSERT_TRUE(t.keyRises);
    using Run = std::pair<std::size_t, std::size_t>;
    EXPECT_EQ(NamesIndex::KeyPrefixRows(t, "A00%"), Run(0, 3));
    for (const char* prefix : {"", "a", "A0", "a000", "b", "B1", "s9", "S934", "ß", "z", "0", "S93401A"}) {
        const std::string pattern = std::string(prefix) + "%";
        const auto run = NamesIndex::KeyPrefixRows(t, pattern);
        ASSERT_TRUE(run) << pattern;
        std::vector<std::uint32_t> inRun;
        for (std::size_t r = run->first; r < run->second; ++r)
            inRun.push_back(static_cast<std::uint32_t>(r));
        EXPECT_EQ(inRun, EngineMatches(conn, "ICD10_NO", pattern)) << pattern;
    }
    // Wildcards inside the prefix do not make one run.
    EXPECT_FALSE(NamesIndex::KeyPrefixRows(t, "B_a%"));
    EXPECT_FALSE(NamesIndex::KeyPrefixRows(t, "%1"));
}

TEST_F(NamesIndexTest, valuesThatAreNotWellFormed_leaveTheirColumnToTheEngine) {
    // The engine reads "\xC3\xA9\x80" as one character, which "é" does not match.
    db.code("A00", "caf\xC3\xA9\x80", "ok");
    const auto index = ready();
    const db::NamesTable& t = *index->table("ICD10");
    EXPECT_FALSE(NamesIndex::Match(t, *t.column("ICD10_CNAME"), "%é%"));
    EXPECT_TRUE(NamesIndex::Match(t, *t.column("ICD10_ENAME"), "%é%"));
    EXPECT_FALSE(db::WellFormedUtf8("\xE0\x9F\xBF")); // an overlong form the engine reads as U+07FF
    EXPECT_FALSE(db::WellFormedUtf8("\xED\xA0\x80")); // a surrogate
    EXPECT_FALSE(db::WellFormedUtf8("\xEF\xBF\xBF")); // U+FFFF, which the engine reads as U+FFFD
    EXPECT_TRUE(db::WellFormedUtf8("左踝 é \xF0\x9F\x98\x80"));
}

TEST_F(NamesIndexTest, conditionsTheIndexAnswers_giveTheEngineRowsInTheEngineOrder) {
    db.code("S93401A", "右側踝韌帶扭傷,初期照護", "Sprain of right ankle, initial encounter");
    db.code("S93402A", "左側踝韌帶扭傷,初期照護", "Sprain of left ankle, initial encounter");
    db.code("S934", "踝部扭傷", "Sprain of ankle", "N");
    db.code("M2557", "踝關節痛", "Pain in ankle");
    db.code("A00", "霍亂", "Cholera", "N");
    conn.exec("INSERT INTO ICD10 (ICD10_NO, ICD10_CNAME, ICD10_ENAME) VALUES ('B00', NULL, NULL)");
    ready();
    const std::string head = "SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG FROM ICD10 WHERE \r\n";
    for (const char* where : {
             "(  ( (ICD10_CNAME LIKE '%扭傷%')  AND (ICD10_CNAME LIKE '%踝%')  ) )",
             "(ICD10_CNAME LIKE '%扭傷%')\r\nAND\r\n(ICD10_FLAG='Y')",
             "(ICD10_CNAME LIKE '%雙側%' OR ICD10_ENAME LIKE '%ANKLE%')",
             // NULL names: NOT LIKE and NOT (LIKE) leave them out, as the engine does.
             "(ICD10_CNAME LIKE '%優勢側%' OR ICD10_CNAME NOT LIKE '%左%')",
             "NOT (ICD10_CNAME LIKE '%左%' AND ICD10_ENAME LIKE '%a%')",
             "(ICD10_CNAME LIKE '%初期照護' AND (ICD10_NO LIKE '%A' OR ICD10_NO LIKE '%B'))",
             "(ICD10_NO LIKE 'S93%') AND (ICD10_ENAME LIKE '%sprain%')",
             "(ICD10_CNAME LIKE '%左%' OR len(ICD10_NO)=3) AND (ICD10_ENAME LIKE '%a%')",
         }) {
        expectSameRows(head + where + "\r\nORDER BY ICD10_NO\r\n");
        expectSameRows(head + where + "\r\nORDER BY +ICD10_NO\r\n");
    }
    // A code list the engine searches through its own index reads fewer rows
    // than the names allow: that statement stays with the engine.
    Query listed(conn);
    listed.setText(head +
                   "(ICD10_NO IN ('S93401A','A00')) AND (ICD10_CNAME LIKE '%_%')\r\nORDER BY ICD10_NO\r\n");
    EXPECT_FALSE(db::TryOpenWithNames(listed));
    // The ICD-9 table is kept in row order: a statement without ORDER BY.
    db.icd9("845.00", "Sprain of ankle", "踝扭傷");
    db.icd9("719.47", "Pain in ankle", "");
    ready();
    expectSameRows(
        "SELECT ICD9_NO FROM ICD9 WHERE (  ( (ICD9_NAME LIKE '%ankle%')  ) ) OR (  ( (ICD9_NAME2 LIKE "
        "'%ankle%')  ) )  ");
}

TEST_F(NamesIndexTest, answeredConditionsLeaveTheEngineOnlyTheRest) {
    db.code("A00", "霍亂", "Cholera");
    const auto index = ready();
    const auto form =
        db::NamesFormOf(index,
                        "SELECT ICD10_NO FROM ICD10 WHERE (  ( (ICD10_CNAME LIKE '%霍亂%')  ) )\r\n"
                        "AND\r\n(ICD10_FLAG='Y')\r\nORDER BY ICD10_NO\r\n",
                        50000);
    ASSERT_TRUE(form);
    EXPECT_TRUE(form->text.starts_with("SELECT ICD10_NO FROM names_rows("));
    EXPECT_TRUE(form->text.ends_with(") AS names_rows CROSS JOIN ICD10 ON ICD10.rowid = names_rows.names_rid "
                                     "WHERE ((ICD10_FLAG='Y')) ORDER BY names_rows.names_pos"))
        << form->text;
}

// The row list reaches names_rows only bound to its statement, which alone
// keeps it: SQL text cannot name a list.
TEST_F(NamesIndexTest, theRowListIsBoundToItsStatement_andNamedByNothingElse) {
    db.code("A00", "霍亂", "Cholera");
    db.code("A01", "傷寒", "Typhoid");
    db.code("A02", "志賀桿菌病", "Shigellosis");
    const auto index = ready();
    const std::string sql = "SELECT * FROM ICD10 WHERE ICD10_ENAME LIKE '%o%' ORDER BY ICD10_NO";
    auto form = db::NamesFormOf(index, sql, 50000);
    ASSERT_TRUE(form);
    Query q(conn);
    db::OpenNamesForm(q, *form);
    form.reset(); // the statement's binding holds the list now
    EXPECT_EQ(rows(q), plain(sql));
    for (const char* text : {"SELECT names_rid FROM names_rows(1)", "SELECT names_rid FROM names_rows('A00')",
                             "SELECT names_rid FROM names_rows(NULL)"}) {
        q.setText(text);
        try {
            q.open();
            ADD_FAILURE() << text;
        } catch (const db::Error& e) {
            EXPECT_STREQ(e.what(), "names_rows：參數不是名稱索引的代碼清單") << text;
        }
    }
    EXPECT_TRUE(codes("SELECT names_rid FROM names_rows").empty()); // no list: no rows
}

// Only the tables and columns the caller names are indexed, those the
// database has.
TEST_F(NamesIndexTest, theCallersTablesAreIndexed_andNoOthers) {
    db.code("A00", "霍亂", "Cholera");
    db.icd9("845.00", "Sprain of ankle", "踝扭傷");
    conn.startNamesIndex(
        {{{"ICD9", "", {"ICD9_NAME2", "NO_SUCH_COLUMN"}}, {"NO_SUCH_TABLE", "", {"x"}}}, {}});
    ASSERT_TRUE(conn.waitForNamesIndex());
    const auto index = conn.namesIndex();
    ASSERT_EQ(index->tables().size(), 1U);
    const db::NamesTable& t = index->tables().front();
    EXPECT_EQ(t.name, "ICD9");
    ASSERT_EQ(t.columns.size(), 1U);
    EXPECT_EQ(t.columns.front().name, "ICD9_NAME2");
    Query q(conn);
    q.setText("SELECT ICD10_NO FROM ICD10 WHERE ICD10_CNAME LIKE '%霍%' ORDER BY ICD10_NO");
    EXPECT_FALSE(db::TryOpenWithNames(q));
    q.setText("SELECT ICD9_NO FROM ICD9 WHERE ICD9_NAME LIKE '%ankle%'");
    EXPECT_FALSE(db::TryOpenWithNames(q));
    q.setText("SELECT ICD9_NO FROM ICD9 WHERE ICD9_NAME2 LIKE '%踝%'");
    ASSERT_TRUE(db::TryOpenWithNames(q));
    EXPECT_EQ(rows(q), (std::vector<std::string>{"845.00|"}));
}

TEST_F(NamesIndexTest, statementsOfOtherShapes_areSentAsWritten) {
    db.code("A00", "霍亂", "Cholera");
    const auto index = ready();
    const std::string word = "ICD10_CNAME LIKE '%霍亂%'";
    for (const std::string& sql : std::vector<std::string>{
             "SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO LIKE 'A%' ORDER BY ICD10_NO", // no name condition
             "SELECT ICD10_NO FROM ICD10 ORDER BY ICD10_NO",
             "SELECT ICD10_NO FROM ICD10 WHERE " + word + " ORDER BY ICD10_CNAME", // another order
             "SELECT ICD10_NO FROM ICD10 WHERE " + word + " ORDER BY ICD10_NO DESC",
             "SELECT ICD10_NO FROM ICD10 WHERE " + word, // no order: ICD10 is kept in code order
             "SELECT ICD10_NO FROM ICD10 WHERE " + word + " -- note\r\nORDER BY ICD10_NO",
             "SELECT ICD10_NO FROM ICD10 WHERE " + word +
                 " AND ICD10_NO BETWEEN 'A' AND 'B' ORDER BY ICD10_NO",
             "SELECT ICD10_NO FROM ICD10 WHERE " + word + " AND ICD10_NO = ?1 ORDER BY ICD10_NO",
             "SELECT ICD10_NO FROM ICD10 WHERE " + word +
                 " AND ICD10_NO IN (SELECT ICD10_NO FROM CM) ORDER BY ICD10_NO",
             "SELECT ICD10_NO FROM ICD10 WHERE " + word + " ESCAPE '!' ORDER BY ICD10_NO",
             "SELECT count(*) FROM ICD10 WHERE " + word + " ORDER BY ICD10_NO",
             "SELECT DISTINCT ICD10_NO FROM ICD10 WHERE " + word + " ORDER BY ICD10_NO",
             "SELECT ICD10_NO FROM ICD10 JOIN CM USING (ICD10_NO) WHERE " + word + " ORDER BY ICD10_NO",
             "SELECT ICD9_NO FROM CM WHERE ICD9_NO LIKE '%8%'", // a table without an index
             "SELECT ICD10_NO FROM ICD10 WHERE ICD10_CNAME LIKE '%" + std::string(50000, 'x') +
                 "%' ORDER BY ICD10_NO",
             "SELECT ICD10_NO FROM ICD10 WHERE " + word + " ORDER BY ICD10_NO; DELETE FROM ICD10",
         })
        EXPECT_FALSE(db::NamesFormOf(index, sql, 50000)) << sql;
    // A pattern that is not well-formed leaves its condition to the engine;
    // with nothing else answered the statement goes as written.
    EXPECT_FALSE(db::NamesFormOf(
        index, "SELECT ICD10_NO FROM ICD10 WHERE ICD10_CNAME LIKE '%\xE9%' ORDER BY ICD10_NO", 50000));
}

TEST_F(NamesIndexTest, aChangeToTheDatabase_makesTheIndexStaleUntilItIsBuiltAgain) {
    db.code("A00", "霍亂", "Cholera");
    ready();
    const std::string sql =
        "SELECT ICD10_NO FROM ICD10 WHERE (ICD10_ENAME LIKE '%cholera%') ORDER BY ICD10_NO";
    Query q(conn);
    q.setText(sql);
    ASSERT_TRUE(db::TryOpenWithNames(q));
    q.close();

    // A row added by this connection: the index is found stale and not used ...
    db.code("A01", "傷寒", "Cholera-like typhoid");
    EXPECT_FALSE(db::TryOpenWithNames(q));
    q.open();
    EXPECT_EQ(rows(q), (std::vector<std::string>{"A00|", "A01|"}));
    // ... and is built again, new row included.
    EXPECT_TRUE(conn.waitForNamesIndex());
    ASSERT_TRUE(db::TryOpenWithNames(q));
    EXPECT_EQ(rows(q), (std::vector<std::string>{"A00|", "A01|"}));

    // A row added by another connection.
    {
        db::Connection other;
        other.open(path);
        other.exec("INSERT INTO ICD10 (ICD10_NO, ICD10_ENAME) VALUES ('A02', 'cholera too')");
    }
    EXPECT_FALSE(db::TryOpenWithNames(q));
    EXPECT_TRUE(conn.waitForNamesIndex());
    ASSERT_TRUE(db::TryOpenWithNames(q));
    EXPECT_EQ(rows(q), (std::vector<std::string>{"A00|", "A01|", "A02|"}));

    // A statement part-way through its rows: its read keeps other writers out
    // in rollback-journal mode, so the index still describes what it sees ...
    Query reading(conn);
    reading.setText("SELECT ICD10_NO FROM ICD10 ORDER BY ICD10_NO");
    reading.open();
    EXPECT_TRUE(db::TryOpenWithNames(q));
    q.close();
    reading.close();
    // ... but in WAL mode other connections commit beside it: its read may be
    // older than the index, which is then not used beside it.
    conn.exec("PRAGMA journal_mode=WAL");
    db::TryOpenWithNames(q); // the switch rewrote the file: the index is found stale
    q.close();
    EXPECT_TRUE(conn.waitForNamesIndex());
    ASSERT_TRUE(db::TryOpenWithNames(q));
    q.close();
    reading.open();
    EXPECT_FALSE(db::TryOpenWithNames(q));
    reading.close();
    EXPECT_TRUE(db::TryOpenWithNames(q));
    EXPECT_EQ(rows(q), (std::vector<std::string>{"A00|", "A01|", "A02|"}));
}

// A write committed while the index is built (its tables read, the index not
// yet published) leaves an index that no longer describes the file: it is
// found stale and not used, and the next build, across no commit, is.
TEST_F(NamesIndexTest, aCommitWhileTheIndexIsBuilt_makesItStale) {
    db.code("A00", "霍亂", "Cholera");
    std::atomic<int> builds{0};
    const std::string file = path;
    conn.startNamesIndex({CodeTables, [&builds, file] {
                              if (builds++ > 0) return;
                              db::Connection other;
                              other.open(file);
                              other.exec(
                                  "UPDATE ICD10 SET ICD10_ENAME = 'Typhoid' WHERE ICD10_NO = 'A00';"
                                  "INSERT INTO ICD10 (ICD10_NO, ICD10_ENAME) VALUES ('A01', 'cholera too')");
                          }});
    ASSERT_TRUE(conn.waitForNamesIndex()); // built from the rows before the commit
    // Used, it would give A00 (its name as read) and miss A01.
    Query q(conn);
    q.setText("SELECT ICD10_NO FROM ICD10 WHERE (ICD10_ENAME LIKE '%cholera%') ORDER BY ICD10_NO");
    EXPECT_FALSE(db::TryOpenWithNames(q));
    q.open();
    EXPECT_EQ(rows(q), (std::vector<std::string>{"A01|"}));
    EXPECT_TRUE(conn.waitForNamesIndex());
    ASSERT_TRUE(db::TryOpenWithNames(q));
    EXPECT_EQ(rows(q), (std::vector<std::string>{"A01|"}));
    EXPECT_EQ(builds, 2);
}

TEST_F(NamesIndexTest, closingDropsTheIndex_andADatabaseInMemoryHasNone) {
    db.code("A00", "霍亂", "Cholera");
    ASSERT_TRUE(ready());
    conn.close();
    EXPECT_FALSE(conn.namesIndex());
    conn.open(path);
    EXPECT_FALSE(conn.namesIndex()); // not asked for again
    conn.startNamesIndex({CodeTables, {}});
    conn.close(); // a build under way is stopped and waited for

    db::Connection memory;
    memory.open(":memory:");
    memory.startNamesIndex({CodeTables, {}});
    EXPECT_FALSE(memory.waitForNamesIndex());
}
