#include "search/ranking.h"

#include <gtest/gtest.h>

#include <map>

#include "db/query.h"
#include "testsupport/codedb.h"

using namespace search;
using TestDb = testsupport::CodeDb;

namespace {

// ICD10_RANKING of every code ("-" when the column is missing).
std::map<std::string, std::string> Bands(db::Connection& c) {
    std::map<std::string, std::string> out;
    db::Query q(c);
    q.setText("SELECT * FROM ICD10");
    q.open();
    for (; !q.eof(); q.next())
        out[q.field("ICD10_NO")] = q.hasField("ICD10_RANKING") ? q.field("ICD10_RANKING") : "-";
    return out;
}

bool HasRankingColumn(db::Connection& c) {
    db::Query q(c);
    q.setText(RankingProbeStatement);
    try {
        q.open();
        return true;
    } catch (const db::Error&) {
        return false;
    }
}

} // namespace

TEST(BuildRanking, bandEdgesAndBestRankWin) {
    TestDb db;
    for (const char* no : {"A000", "A001", "B001", "C001", "D001", "E001"})
        db.code(no, "x");
    db.usage("001.0", "00500");
    db.usage("001.1", "00501");
    db.usage("002.0", "00800"); // reaches B001 and C001
    db.usage("002.1", "00300"); // reaches C001 too: the better rank wins
    db.usage("003.0", "01001"); // outside the ranks
    db.usage("003.1", "00000");
    db.cm("001.0", "A00.0");
    db.cm("001.1", "A00.1");
    db.cm("002.0", "B00.1");
    db.cm("002.0", "C00.1");
    db.cm("002.1", "C00.1");
    db.cm("003.0", "D00.1");
    db.cm("003.1", "E00.1");

    std::vector<std::string> shown;
    RankingResult r = BuildRanking(db.connection, [&](const RankingProgress& p) {
        shown.push_back(p.code);
        EXPECT_EQ(p.rows, 4);
    });
    EXPECT_TRUE(r.columnAdded);
    EXPECT_EQ(r.rows, 4);
    EXPECT_EQ(r.marks, 5);
    // From rank 00800 down to 00300, codes shown with their dots.
    EXPECT_EQ(shown, (std::vector<std::string>{"B00.1", "C00.1", "A00.1", "A00.0", "C00.1"}));
    EXPECT_EQ(r.lastCode, "C00.1");

    auto bands = Bands(db.connection);
    EXPECT_EQ(bands["A000"], "五百大");
    EXPECT_EQ(bands["A001"], "一千大");
    EXPECT_EQ(bands["B001"], "一千大");
    EXPECT_EQ(bands["C001"], "五百大");
    EXPECT_EQ(bands["D001"], "");
    EXPECT_EQ(bands["E001"], "");
}

TEST(BuildRanking, episodeCodesMarkTheirFiveCharacterSubcategory) {
    TestDb db;
    for (const char* no :
         {"S525", "S5252", "S52521", "S52521A", "S52522D", "S5253", "S52531A", "O300011", "O300012"})
        db.code(no, "x");
    db.usage("813.42", "00900");
    db.usage("651.00", "00100");
    db.usage("813.41", "00050"); // a wide update of a better rank overwrites
    db.cm("813.42", "S52.531A");
    db.cm("813.42", "S52.521A");
    db.cm("651.00", "O30.0011"); // seventh character a digit: that code only
    db.cm("813.41", "S52.522D");

    BuildRanking(db.connection);
    auto bands = Bands(db.connection);
    EXPECT_EQ(bands["S5252"], "五百大");
    EXPECT_EQ(bands["S52521"], "五百大");
    EXPECT_EQ(bands["S52521A"], "五百大");
    EXPECT_EQ(bands["S52522D"], "五百大");
    EXPECT_EQ(bands["S5253"], "一千大");
    EXPECT_EQ(bands["S52531A"], "一千大");
    EXPECT_EQ(bands["S525"], "");
    EXPECT_EQ(bands["O300011"], "五百大");
    EXPECT_EQ(bands["O300012"], "");
}

TEST(BuildRanking, lookupFallsBackFromExactToPrefixes) {
    TestDb db;
    for (const char* no : {"Z001", "A001", "B001", "C001", "D001", "E001", "F001"})
        db.code(no, "x");
    db.usage("100.0", "00010"); // exact rows are all Z codes: the LIKE select finds them
    db.cm("100.0", "Z00.1");
    db.usage("200.12", "00020"); // 6 characters, nothing under it: by 5 characters
    db.cm("200.19", "A00.1");
    db.usage("300.12", "00030"); // 6 characters, nothing under 5 either: by 3
    db.cm("300.9", "B00.1");
    db.usage("400.1", "00040"); // 5 characters: straight to 3
    db.cm("400.9", "C00.1");
    db.cm("400.2x", "C00.1");   // also under 400: marked a second time
    db.usage("500.1", "00050"); // the exact select leaves out the Z code
    db.cm("500.1", "D00.1");
    db.cm("500.1", "Z00.1");
    db.usage("600", "00060"); // LIKE prefix of a short code
    db.cm("600.1", "E00.1");
    db.usage("700.5", "00070"); // nothing anywhere: marks nothing
    db.cm("800.1", "F00.1");
    db.usage("900.1", "00080");
    db.cm("900.1", "   "); // blank rows are skipped
    db.cm("900.1", "");

    RankingResult r = BuildRanking(db.connection);
    auto bands = Bands(db.connection);
    EXPECT_EQ(bands["Z001"], "五百大");
    EXPECT_EQ(bands["A001"], "五百大");
    EXPECT_EQ(bands["B001"], "五百大");
    EXPECT_EQ(bands["C001"], "五百大");
    EXPECT_EQ(bands["D001"], "五百大");
    EXPECT_EQ(bands["E001"], "五百大");
    EXPECT_EQ(bands["F001"], "");
    EXPECT_EQ(r.marks, 7);
}

TEST(BuildRanking, secondRunKeepsTheColumnAndRefreshesBands) {
    TestDb db;
    db.code("A001", "x");
    db.code("B001", "x");
    db.usage("001.0", "00600");
    db.cm("001.0", "A00.1");
    EXPECT_TRUE(BuildRanking(db.connection).columnAdded);
    EXPECT_EQ(Bands(db.connection)["A001"], "一千大");

    db.connection.exec("UPDATE btbindn SET IND_INFECT_CODE='00006'");
    db.usage("002.0", "00700");
    db.cm("002.0", "B00.1");
    RankingResult again = BuildRanking(db.connection);
    EXPECT_FALSE(again.columnAdded);
    auto bands = Bands(db.connection);
    EXPECT_EQ(bands["A001"], "五百大");
    EXPECT_EQ(bands["B001"], "一千大");
}

TEST(BuildRanking, failureHalfWayLeavesTheDatabaseAsItWas) {
    TestDb db;
    db.code("A001", "x");
    db.code("B001", "x");
    db.usage("001.0", "00600");
    db.usage("002.0", "00100");
    db.cm("001.0", "A00.1");
    db.cm("002.0", "B00.1");
    // The second update fails: a trigger stands in for a failing engine.
    db.connection.exec("CREATE TRIGGER fail BEFORE UPDATE ON ICD10 WHEN NEW.ICD10_NO='B001' "
                       "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    int marked = 0;
    EXPECT_THROW(
        {
            try {
                BuildRanking(db.connection, [&](const RankingProgress&) { ++marked; });
            } catch (const db::Error& e) {
                EXPECT_STREQ(e.what(), "disk full");
                throw;
            }
        },
        db::Error);
    EXPECT_EQ(marked, 1);                          // A00.1 had been marked before the failure ...
    EXPECT_FALSE(HasRankingColumn(db.connection)); // ... and the column is gone with it
    EXPECT_EQ(Bands(db.connection)["A001"], "-");
}

TEST(BuildRanking, readOnlyDatabase_failsWithTheEnginesMessage) {
    TestDb db;
    db.code("A001", "x");
    db.usage("001.0", "00100");
    db.cm("001.0", "A00.1");
    // The engine refuses every change, as with a file the user may not write.
    db.connection.exec("PRAGMA query_only=ON");
    try {
        BuildRanking(db.connection);
        ADD_FAILURE() << "no error";
    } catch (const db::Error& e) {
        EXPECT_NE(std::string(e.what()).find("readonly"), std::string::npos) << e.what();
    }
    db.connection.exec("PRAGMA query_only=OFF");
    EXPECT_FALSE(HasRankingColumn(db.connection));
    db.connection.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
    db.connection.exec("PRAGMA query_only=ON");
    EXPECT_THROW(BuildRanking(db.connection), db::Error); // fails at the first update
    db.connection.exec("PRAGMA query_only=OFF");
    EXPECT_EQ(Bands(db.connection)["A001"], "");
}

TEST(BuildRanking, noUsageRows_marksNothing) {
    TestDb db;
    db.code("A001", "x");
    db.usage("001.0", "01500");
    RankingResult r = BuildRanking(db.connection);
    EXPECT_EQ(r.rows, 0);
    EXPECT_EQ(r.marks, 0);
    EXPECT_EQ(Bands(db.connection)["A001"], "");
}
