// Searches on the full-size test database (skipped when it has not been built).
#include <gtest/gtest.h>

#include <algorithm>

#include "db/connection.h"
#include "db/query.h"
#include "search/statement.h"
#include "testsupport/testsupport.h"

using namespace search;

namespace {

class FullDbTest : public ::testing::Test {
protected:
    void SetUp() override {
        ICD_REQUIRE_FULL_DB();
        connection.open(testsupport::FullDatabasePath());
    }
    std::vector<std::string> codes(db::Query& q) {
        std::vector<std::string> out;
        for (; !q.eof(); q.next())
            out.push_back(q.field("ICD10_NO"));
        return out;
    }
    // The rows of the statement as the engine gives them for its text as built.
    std::vector<std::string> plain(const std::vector<std::string>& lines) {
        db::Query q(connection);
        q.lines() = lines;
        q.open();
        return codes(q);
    }
    db::Connection connection;
};

bool Has(const std::vector<std::string>& v, const std::string& code) {
    return std::find(v.begin(), v.end(), code) != v.end();
}

} // namespace

TEST_F(FullDbTest, sexLists_readThroughTheIndexGiveTheSameRowsInTheSameOrder) {
    db::Query aux(connection), result(connection);
    for (int sex : {1, 2}) {
        Criteria c;
        c.sex = sex;
        c.rankingVisible = false;
        ASSERT_TRUE(RunSearch(c, result, aux));
        EXPECT_TRUE(EngineText(result).ends_with("ORDER BY +ICD10_NO\r\n")); // the index-friendly form
        const auto lines = result.lines();
        EXPECT_EQ(lines.back(), "ORDER BY ICD10_NO");
        const auto got = codes(result);
        EXPECT_EQ(got, plain(lines));
        EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
        if (sex == 1) {
            EXPECT_TRUE(Has(got, "N40") && Has(got, "C61") && Has(got, "Z125"));
            EXPECT_FALSE(
                std::any_of(got.begin(), got.end(), [](const std::string& s) { return s[0] == 'O'; }));
        } else {
            EXPECT_TRUE(Has(got, "O80") && Has(got, "N950") && Has(got, "Z3401"));
            EXPECT_TRUE(Has(got, "O9A111") && Has(got, "Z3A00") && Has(got, "Z3A42"));
            EXPECT_FALSE(Has(got, "N40") || Has(got, "Z37") || Has(got, "Z3800"));
        }
    }
    // With a name criterion as well.
    Criteria c;
    c.sex = 2;
    c.englishName = "pregnancy";
    ASSERT_TRUE(RunSearch(c, result, aux));
    const auto lines = result.lines();
    EXPECT_EQ(codes(result), plain(lines));
}

TEST_F(FullDbTest, prefixAndNameSearches_areSentAsBuilt) {
    db::Query aux(connection), result(connection);
    Criteria c;
    c.icd10Code = "S";
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(EngineText(result), result.text());
    c = {};
    c.englishName = "fracture femur";
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(EngineText(result), result.text());
    const auto got = codes(result);
    EXPECT_GT(got.size(), 100u);
    EXPECT_TRUE(std::is_sorted(got.begin(), got.end()));
}

TEST_F(FullDbTest, icd9Code_mappedToEpisodeCodes_findsAllThreeEpisodes) {
    db::Query probe(connection);
    probe.setText("SELECT ICD9_NO, ICD10_NO FROM CM WHERE ICD10_NO LIKE 'S%' AND LEN(ICD10_NO) = 8 "
                  "AND ICD10_NO LIKE '%A' ORDER BY ICD9_NO");
    probe.open();
    if (probe.eof()) GTEST_SKIP() << "the full-size database has no CM rows";
    const std::string icd9 = probe.field("ICD9_NO");
    const std::string icd10 = probe.field("ICD10_NO"); // dotted, e.g. S52.521A
    probe.close();
    std::string stem = icd10.substr(0, 3) + icd10.substr(4, 3);

    db::Query aux(connection), result(connection);
    Criteria c;
    c.icd9Code = icd9;
    auto lines = BuildStatement(c, aux);
    ASSERT_EQ(lines.size(), 3u);
    for (const char* e : {"A", "D", "S"})
        EXPECT_NE(lines[1].find("'" + stem + e + "'"), std::string::npos) << lines[1] << " " << e;
    ASSERT_TRUE(RunSearch(c, result, aux));
    const auto got = codes(result);
    EXPECT_TRUE(Has(got, stem + "A")) << stem;
}

TEST_F(FullDbTest, icd9CodeBoxOfBlanks_translatesEveryMappingAndRuns) {
    db::Query aux(connection), result(connection);
    Criteria c;
    c.icd9Code = "  "; // counts as filled: every CM row, a very long IN list
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(aux.lines(),
              std::vector<std::string>{"SELECT * FROM CM WHERE ICD9_NO LIKE '%' ORDER BY ICD10_NO "});
    EXPECT_GT(result.lines()[1].size(), 100000u);
    EXPECT_GT(codes(result).size(), 10000u);
}

// The episode filter finds every code whose name ends in the episode's words:
// fractures use B and C at the first encounter and E to R later.
TEST_F(FullDbTest, episodeFilter_findsEveryCodeNamedForItsEpisode) {
    db::Query aux(connection), result(connection), named(connection);
    const char* const words[] = {"初期照護", "後續照護", "後遺症"};
    for (int episode = 1; episode <= 3; ++episode) {
        Criteria c;
        c.episode = episode;
        c.rankingVisible = false;
        ASSERT_TRUE(RunSearch(c, result, aux));
        const auto got = codes(result);
        named.close();
        named.setText(
            std::string("SELECT ICD10_NO FROM ICD10 WHERE LEN(ICD10_NO)=7 AND ICD10_CNAME LIKE '%") +
            words[episode - 1] + "' ORDER BY ICD10_NO");
        named.open();
        EXPECT_EQ(got, codes(named)) << words[episode - 1];
    }
    Criteria laterFractures;
    laterFractures.icd10Code = "S52.52";
    laterFractures.injury = 7; // 骨折
    laterFractures.episode = 2;
    ASSERT_TRUE(RunSearch(laterFractures, result, aux));
    const auto got = codes(result);
    for (const char* code : {"S52521D", "S52521G", "S52521K", "S52521P", "S52522P"})
        EXPECT_TRUE(Has(got, code)) << code;
}
