// Typed text that looks like statement syntax (quotes, wildcards, brackets,
// keywords, comment marks) or is very long, in every criterion of the search
// and in the tree's code key: it reaches the engine only as data. Each search
// either runs or fails with the engine's own message, and no table or row is
// ever changed.
#include <gtest/gtest.h>

#include "db/query.h"
#include "reliability/tests/codedb.h"
#include "search/statement.h"
#include "text/text.h"
#include "tree/treebuild.h"
#include "tree/treenode.h"

namespace {

using reliability::HostileTexts;

class HostileTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("icd10_2023.mdb");
        reliability::CreateCodeDb(path);
        conn.open(path);
        conn.exec("ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6)");
        before = reliability::Fingerprint(conn);
    }
    // Runs the search; returns the error text ("" when it ran) and the codes found.
    std::string search(const search::Criteria& c, std::vector<std::string>* codes = nullptr) {
        db::Query result(conn), aux(conn);
        try {
            search::RunSearch(c, result, aux);
            for (; result.isOpen() && !result.eof(); result.next())
                if (codes) codes->push_back(result.field("ICD10_NO"));
            return {};
        } catch (const db::Error& e) {
            EXPECT_FALSE(std::string(e.what()).empty());
            EXPECT_FALSE(result.isOpen());
            return e.what();
        }
    }

    testsupport::TempDir dir;
    std::string path;
    db::Connection conn;
    std::string before;
};

std::string search::Criteria::* const TextFields[] = {&search::Criteria::icd10Code, &search::Criteria::chineseName,
                                                      &search::Criteria::englishName, &search::Criteria::icd9Code,
                                                      &search::Criteria::icd9Name};

} // namespace

TEST_F(HostileTextTest, everyTextInEveryBox_runsOrGivesTheEngineMessage_andChangesNothing) {
    int ran = 0;
    for (auto field : TextFields) {
        for (const std::string& t : HostileTexts()) {
            search::Criteria c;
            c.*field = t;
            const std::string error = search(c);
            // Only the engine's own limits may refuse a text (a pattern or an
            // expression too large); quotes and keywords never break the statement.
            // An ICD-9 box that translates to nothing ran its lookups safely,
            // says so and lists nothing.
            if (error.find("查無對應的ICD10碼") != std::string::npos)
                ++ran;
            else if (!error.empty())
                EXPECT_TRUE(error.find("too large") != std::string::npos ||
                            error.find("too complex") != std::string::npos ||
                            error.find("too big") != std::string::npos)
                    << error << " for " << t.substr(0, 60);
            else
                ++ran;
            ASSERT_EQ(reliability::Fingerprint(conn), before) << t.substr(0, 60);
        }
    }
    EXPECT_GE(ran, 5 * 26);
}

TEST_F(HostileTextTest, allBoxesAtOnceWithEveryRadioChoice_changesNothing) {
    for (const std::string& t : HostileTexts()) {
        search::Criteria c;
        for (auto field : TextFields) c.*field = t;
        c.sex = 2;
        c.side = 3;
        c.episode = 3;
        c.bodyPart = 5;
        c.injury = 4;
        c.finest = 1;
        c.dominant = 2;
        c.ranking = 2;
        c.differences2023 = true;
        search(c);
        ASSERT_EQ(reliability::Fingerprint(conn), before) << t.substr(0, 60);
    }
}

TEST_F(HostileTextTest, quotedKeywords_areSearchedForAsWords) {
    search::Criteria c;
    c.chineseName = "'; DROP TABLE ICD10; --";
    std::vector<std::string> codes;
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_TRUE(codes.empty());
    db::Query result(conn), aux(conn);
    const auto lines = search::BuildStatement(c, aux);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[1].find("LIKE '%'';%'"), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("LIKE '%DROP%'"), std::string::npos) << lines[1];

    // A quote inside a word stays part of the word.
    codes.clear();
    c = {};
    c.englishName = "left ankle'";
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_TRUE(codes.empty());
    codes.clear();
    c.englishName = "left ankle";
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_EQ(codes, (std::vector<std::string>{"S93401A", "S93401D"}));
}

TEST_F(HostileTextTest, icd9TextsWithQuotes_translateThroughTheEngineSafely) {
    // Each is looked up as the text it is, finds nothing and says so: the
    // quote never widens the lookup.
    for (const std::string& t : {std::string("845'"), std::string("845.00' OR ''='"), std::string("踝扭傷'--")}) {
        search::Criteria c;
        c.icd9Code = t;
        std::vector<std::string> codes;
        EXPECT_NE(search(c, &codes).find("查無對應的ICD10碼"), std::string::npos) << t;
        EXPECT_TRUE(codes.empty());
        c = {};
        c.icd9Name = t;
        EXPECT_NE(search(c, &codes).find("查無對應的ICD10碼"), std::string::npos) << t;
        EXPECT_TRUE(codes.empty());
    }
    EXPECT_EQ(reliability::Fingerprint(conn), before);
    // The plain code still translates (to the episodes of care the sample holds).
    search::Criteria c;
    c.icd9Code = "845.00";
    std::vector<std::string> codes;
    EXPECT_EQ(search(c, &codes), "");
    EXPECT_EQ(codes, (std::vector<std::string>{"S93401A", "S93401D"}));
}

TEST_F(HostileTextTest, treeKeyAndSimplifiedDisplay_takeAnyTextAndChangeNothing) {
    db::Query query(conn);
    for (std::string t : HostileTexts()) {
        for (const std::string& typed : {t, "A0" + t, t + "-A09", "A00-" + t}) {
            const std::string key = tree::DisplayKey(typed);
            tree::Tree tr;
            try {
                if (text::Cp950Length(key) >= 2)
                    tree::BuildResultTree(tr, key, typed, query, tree::TreeOutlineLines());
            } catch (const db::Error& e) {
                ADD_FAILURE() << e.what() << " for " << typed.substr(0, 60);
            }
            tree::Tree simple;
            try {
                tree::BuildSimplifiedTree(simple, typed, query, conn);
            } catch (const db::Error& e) {
                ADD_FAILURE() << e.what() << " for " << typed.substr(0, 60);
            }
        }
        ASSERT_EQ(reliability::Fingerprint(conn), before) << t.substr(0, 60);
    }
}

TEST_F(HostileTextTest, aSecondStatementAfterTheFirst_isRefusedAndNeverRuns) {
    for (const std::string& sql :
         {std::string("SELECT * FROM ICD10 WHERE ICD10_NO LIKE 'A%'; DROP TABLE ICD10"),
          std::string("SELECT * FROM ICD10;\r\nDELETE FROM ICD10;\r\n"),
          std::string("SELECT 1; -- a remark\r\nUPDATE ICD10 SET ICD10_CNAME='x'"),
          std::string("UPDATE ICD10 SET ICD10_FLAG=ICD10_FLAG WHERE 0; DROP TABLE CM")}) {
        db::Query q(conn);
        q.setText(sql);
        try {
            q.open();
            ADD_FAILURE() << "opened: " << sql;
        } catch (const db::Error& e) {
            EXPECT_EQ(std::string(e.what()), "一次只能執行一個查詢敘述") << sql;
        }
        try {
            q.execute();
            ADD_FAILURE() << "executed: " << sql;
        } catch (const db::Error& e) {
            EXPECT_EQ(std::string(e.what()), "一次只能執行一個查詢敘述") << sql;
        }
        ASSERT_EQ(reliability::Fingerprint(conn), before) << sql;
    }
    // Blanks, line ends and remarks after the one statement are fine.
    db::Query q(conn);
    q.setText("SELECT count(*) FROM ICD10; -- remark\r\n ");
    q.open();
    EXPECT_EQ(q.value(0), "8");
}
