#include "search/statement.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/query.h"
#include "testsupport/codedb.h"

using namespace search;
using TestDb = testsupport::CodeDb;

namespace {

const std::string Head = HeadLine;

// Codes of a result, in the order the engine returned them.
std::vector<std::string> Codes(db::Query& q) {
    std::vector<std::string> out;
    for (; !q.eof(); q.next())
        out.push_back(q.field("ICD10_NO"));
    return out;
}

class StatementTest : public ::testing::Test {
protected:
    StatementTest() : aux(db.connection), result(db.connection) {}
    std::vector<std::string> build(const Criteria& c) { return BuildStatement(c, aux); }
    // The one condition line of a statement with a single one-line criterion.
    std::string onlyCondition(const Criteria& c) {
        auto lines = build(c);
        EXPECT_EQ(lines.size(), 3u);
        return lines.size() == 3 ? lines[1] : std::string();
    }
    TestDb db;
    db::Query aux;
    db::Query result;
};

} // namespace

TEST_F(StatementTest, workedExample_givesTheSevenLines) {
    Criteria c;
    c.icd10Code = "S93.4";
    c.side = 1;
    c.episode = 1;
    c.rankingVisible = false;
    std::vector<std::string> expected = {Head,
                                         "(ICD10_NO LIKE 'S934%')",
                                         "AND",
                                         "(ICD10_CNAME LIKE '%左%')",
                                         "AND",
                                         "(ICD10_CNAME LIKE '%初期照護' AND (ICD10_NO LIKE '%A' OR "
                                         "ICD10_NO LIKE '%B' OR ICD10_NO LIKE '%C'))",
                                         "ORDER BY ICD10_NO"};
    EXPECT_EQ(build(c), expected);

    db.code("S93401A", "左踝扭傷,初期照護");
    db.code("S93401D", "左踝扭傷,後續照護");
    db.code("S93402A", "右踝扭傷,初期照護");
    db.code("S92001A", "左跟骨骨折,初期照護");
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(result.lines(), expected);
    EXPECT_EQ(Codes(result), std::vector<std::string>{"S93401A"});
}

TEST_F(StatementTest, noCriterion_givesNoStatementAndLeavesTheResultClosed) {
    Criteria c;
    EXPECT_TRUE(build(c).empty());
    c.ranking = 2;
    c.rankingVisible = false; // a hidden filter is ignored
    c.dominant = 1;           // a dominant side without a side adds nothing
    c.bodyPart = 0;
    EXPECT_TRUE(build(c).empty());
    c.side = 3;
    c.side = 0;
    result.setText("SELECT 1");
    result.open();
    EXPECT_FALSE(RunSearch(c, result, aux));
    EXPECT_FALSE(result.isOpen());
}

TEST_F(StatementTest, differences2023_comeFirstAndOnlyWhenAskedFor) {
    Criteria c;
    c.differences2023 = true;
    EXPECT_EQ(onlyCondition(c), "((ICD10_2023FLAG<>'') OR (ICD10_2023NEW<>''))");
    c.icd10Code = "A00";
    auto lines = build(c);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[1], "((ICD10_2023FLAG<>'') OR (ICD10_2023NEW<>''))");
    EXPECT_EQ(lines[3], "(ICD10_NO LIKE 'A00%')");
    c.differences2023 = false;
    EXPECT_EQ(build(c).size(), 3u);
}

TEST_F(StatementTest, codeBox_isNormalisedAndQuoted) {
    Criteria c;
    c.icd10Code = " S93.401A ";
    EXPECT_EQ(onlyCondition(c), "(ICD10_NO LIKE 'S93401A%')");
    c.icd10Code = "S934.01"; // only a dot at byte 4 is removed
    EXPECT_EQ(onlyCondition(c), "(ICD10_NO LIKE 'S934.01%')");
    c.icd10Code = "   "; // blanks count as filled and match every code
    EXPECT_EQ(onlyCondition(c), "(ICD10_NO LIKE '%')");
    c.icd10Code = "A'0";
    EXPECT_EQ(onlyCondition(c), "(ICD10_NO LIKE 'A''0%')");
}

TEST_F(StatementTest, nameBoxes_buildOneLikePerWord) {
    EXPECT_EQ(BuildWordClause("ICD10_CNAME", "頭痛 慢性"),
              "  ( (ICD10_CNAME LIKE '%頭痛%')  AND (ICD10_CNAME LIKE '%慢性%')  ) ");
    EXPECT_EQ(BuildWordClause("ICD10_CNAME", "  頭痛   "), BuildWordClause("ICD10_CNAME", "頭痛"));
    EXPECT_EQ(BuildWordClause("X", "   "), "");
    EXPECT_EQ(BuildWordClause("X", "a\tb"), "  ( (X LIKE '%a\tb%')  ) "); // a tab is part of a word

    Criteria c;
    c.chineseName = "頭痛 慢性";
    EXPECT_EQ(onlyCondition(c), "(  ( (ICD10_CNAME LIKE '%頭痛%')  AND (ICD10_CNAME LIKE '%慢性%')  ) )");
    c = {};
    c.englishName = "Crohn's  disease";
    EXPECT_EQ(onlyCondition(c),
              "(  ( (ICD10_ENAME LIKE '%Crohn''s%')  AND (ICD10_ENAME LIKE '%disease%')  ) )");
}

TEST_F(StatementTest, nameBoxOfBlanks_addsNoCondition) {
    Criteria c;
    c.chineseName = "   ";
    c.englishName = " ";
    c.icd9Name = "  ";
    EXPECT_TRUE(build(c).empty());
    c.icd10Code = "A00";
    EXPECT_EQ(build(c).size(), 3u);
    // and the statement runs
    db.code("A00", "霍亂");
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(Codes(result), std::vector<std::string>{"A00"});
}

TEST_F(StatementTest, sexLists_haveTheirLinesAndFindOnlyTheirCodes) {
    const auto& male = MaleListLines();
    const auto& female = FemaleListLines();
    ASSERT_EQ(male.size(), 18u);
    ASSERT_EQ(female.size(), 41u);
    for (const auto* list : {&male, &female}) {
        EXPECT_EQ(list->front(), "(");
        EXPECT_EQ(list->back(), ")");
        for (std::size_t i = 1; i + 2 < list->size(); ++i)
            EXPECT_TRUE((*list)[i].ends_with(") OR ")) << (*list)[i];
        EXPECT_TRUE((*list)[list->size() - 2].ends_with("%')  "));
    }
    EXPECT_EQ(male[2], "(ICD10_NO >= 'C60' AND ICD10_NO <= 'C63ZZZZZ') OR ");
    EXPECT_EQ(male[16], "(ICD10_NO LIKE 'Z125%')  ");
    EXPECT_EQ(female[18], "(ICD10_NO >= 'O00' AND ICD10_NO <= 'O9AZZZZZ') OR ");
    EXPECT_EQ(female[36], "(ICD10_NO LIKE 'Z3A%') OR ");
    EXPECT_EQ(female[39], "(ICD10_NO LIKE 'Z975%')  ");

    Criteria c;
    c.sex = 1;
    auto lines = build(c);
    ASSERT_EQ(lines.size(), 20u); // head, 18 lines, ORDER BY
    EXPECT_TRUE(std::equal(male.begin(), male.end(), lines.begin() + 1));

    for (const char* no : {"C61",   "C639", "C63ZZ",  "N40",   "N511",  "B2600", "Z1250", "C64",  "N52",
                           "O00",   "A34",  "N70",    "N9929", "O9989", "Z370",  "Z3A00", "Z975", "B373",
                           "S3140", "A00",  "O9A211", "O9A",   "P00",   "Z380",  "Z3B"})
        db.code(no, "x");
    result.lines() = lines;
    OpenResult(result);
    EXPECT_EQ(Codes(result),
              (std::vector<std::string>{"B2600", "C61", "C639", "C63ZZ", "N40", "N511", "Z1250"}));

    c.sex = 2;
    lines = build(c);
    ASSERT_EQ(lines.size(), 43u);
    result.lines() = lines;
    OpenResult(result);
    // O9A (maternal malignancy, injury, abuse) sorts after O99 and the weeks of
    // gestation Z3A after Z39: both are in, the outcome of delivery Z37 and the
    // liveborn infant Z38 are not.
    EXPECT_EQ(Codes(result), (std::vector<std::string>{"A34", "B373", "N70", "N9929", "O00", "O9989", "O9A",
                                                       "O9A211", "S3140", "Z3A00", "Z975"}));
    EXPECT_EQ(result.lines(), lines); // the statement lines stay as built
}

TEST_F(StatementTest, sexList_isFollowedByTheOtherCriteria) {
    Criteria c;
    c.sex = 2;
    c.side = 1;
    c.finest = 1;
    auto lines = build(c);
    ASSERT_EQ(lines.size(), 47u);
    EXPECT_EQ(lines[42], "AND");
    EXPECT_EQ(lines[43], "(ICD10_CNAME LIKE '%左%')");
    EXPECT_EQ(lines[45], "(ICD10_FLAG='Y')");
    EXPECT_EQ(lines[46], "ORDER BY ICD10_NO");
}

TEST_F(StatementTest, sidesAndDominance_followTheTable) {
    const std::string same = "(ICD10_CNAME LIKE '%優勢側%' AND ICD10_CNAME NOT LIKE '%非優勢側%')";
    const std::string other = "(ICD10_CNAME LIKE '%非優勢側%' )";
    struct Case {
        int dominant, side;
        std::vector<std::string> conditions;
    } cases[] = {
        {0, 1, {"(ICD10_CNAME LIKE '%左%')"}},
        {0, 2, {"(ICD10_CNAME LIKE '%右%')"}},
        {1, 1, {"(ICD10_CNAME LIKE '%左%')", same}},
        {1, 2, {"(ICD10_CNAME LIKE '%右%')", other}},
        {2, 1, {"(ICD10_CNAME LIKE '%左%')", other}},
        {2, 2, {"(ICD10_CNAME LIKE '%右%')", same}},
        {1, 3, {"(ICD10_CNAME LIKE '%雙側%' OR ICD10_CNAME LIKE '%兩側%')"}},
        {2, 3, {"(ICD10_CNAME LIKE '%雙側%' OR ICD10_CNAME LIKE '%兩側%')"}},
    };
    for (const auto& k : cases) {
        Criteria c;
        c.dominant = k.dominant;
        c.side = k.side;
        std::vector<std::string> expected = {Head};
        for (const auto& cond : k.conditions) {
            expected.push_back(cond);
            expected.emplace_back("AND");
        }
        expected.back() = "ORDER BY ICD10_NO";
        EXPECT_EQ(build(c), expected) << k.dominant << "/" << k.side;
    }

    db.code("S6290XA", "左側優勢側手部骨折");
    db.code("S6291XA", "左側非優勢側手部骨折");
    Criteria c;
    c.dominant = 1;
    c.side = 1;
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(Codes(result), std::vector<std::string>{"S6290XA"});
    c.dominant = 2;
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(Codes(result), std::vector<std::string>{"S6291XA"});
}

TEST_F(StatementTest, bodyPartsInjuriesFinestAndEpisodes_useTheirCaptions) {
    ASSERT_EQ(ChoiceCriterionOf(&Criteria::bodyPart).items.size(), 28u);
    ASSERT_EQ(ChoiceCriterionOf(&Criteria::injury).items.size(), 15u);
    Criteria c;
    c.bodyPart = 8;
    EXPECT_EQ(onlyCondition(c), "(ICD10_CNAME LIKE '%頸%')");
    c.bodyPart = 27;
    EXPECT_EQ(onlyCondition(c), "(ICD10_CNAME LIKE '%踝%')");
    c.bodyPart = 14;
    EXPECT_EQ(onlyCondition(c), "(ICD10_CNAME LIKE '%前臂%')");
    c = {};
    c.injury = 4;
    EXPECT_EQ(onlyCondition(c), "(ICD10_CNAME LIKE '%表淺損傷%')");
    c.injury = 14;
    EXPECT_EQ(onlyCondition(c), "(ICD10_CNAME LIKE '%癱%')");
    c = {};
    c.finest = 1;
    EXPECT_EQ(onlyCondition(c), "(ICD10_FLAG='Y')");
    c = {};
    c.episode = 2;
    EXPECT_EQ(onlyCondition(c),
              "(ICD10_CNAME LIKE '%後續照護' AND (ICD10_NO LIKE '%D' OR ICD10_NO LIKE '%E' OR ICD10_NO LIKE "
              "'%F' OR "
              "ICD10_NO LIKE '%G' OR ICD10_NO LIKE '%H' OR ICD10_NO LIKE '%J' OR ICD10_NO LIKE '%K' OR "
              "ICD10_NO LIKE '%M' OR ICD10_NO LIKE '%N' OR ICD10_NO LIKE '%P' OR ICD10_NO LIKE '%Q' OR "
              "ICD10_NO LIKE '%R'))");
    c.episode = 3;
    EXPECT_EQ(onlyCondition(c), "(ICD10_CNAME LIKE '%後遺症' AND ICD10_NO LIKE '%S')");

    // Order of the criteria in one statement: body part, injury, finest, episode.
    c.bodyPart = 1;
    c.injury = 1;
    c.finest = 1;
    auto lines = build(c);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[1], "(ICD10_CNAME LIKE '%頭%')");
    EXPECT_EQ(lines[3], "(ICD10_CNAME LIKE '%扭傷%')");
    EXPECT_EQ(lines[5], "(ICD10_FLAG='Y')");
    EXPECT_EQ(lines[7], "(ICD10_CNAME LIKE '%後遺症' AND ICD10_NO LIKE '%S')");
}

TEST_F(StatementTest, episodes_findEverySeventhCharacterOfTheirEpisode) {
    const std::string name = "右橈骨下端骨折";
    db.code("S52501A", name + "，初期照護");
    db.code("S52501B", name + "，第I或II型開放性骨折之初期照護");
    db.code("S52501C", name + "，第IIIA、IIIB或IIIC型開放性骨折之初期照護");
    db.code("S52501D", name + "，後續照護");
    db.code("S52501E", name + "，第I或II型開放性骨折常規癒合之後續照護");
    db.code("S52501G", name + "，癒合延遲之後續照護");
    db.code("S52501K", name + "，骨折不癒合之後續照護");
    db.code("S52501P", name + "，癒合不良之後續照護");
    db.code("S52501R", name + "，第IIIA、IIIB或IIIC型開放性骨折癒合不良之後續照護");
    db.code("S52501S", name + "，後遺症");
    db.code("S5250XD", "骨折後續照護之說明"); // the name must end in the episode words
    db.code("T148XXS", "骨折後遺症之外");
    auto found = [&](int episode) {
        Criteria c;
        c.episode = episode;
        c.injury = 7; // 骨折, as a coder combines them
        EXPECT_TRUE(RunSearch(c, result, aux));
        return Codes(result);
    };
    EXPECT_EQ(found(1), (std::vector<std::string>{"S52501A", "S52501B", "S52501C"}));
    EXPECT_EQ(found(2),
              (std::vector<std::string>{"S52501D", "S52501E", "S52501G", "S52501K", "S52501P", "S52501R"}));
    EXPECT_EQ(found(3), (std::vector<std::string>{"S52501S"}));
    EXPECT_EQ(EpisodeCondition(0), "");
    EXPECT_EQ(EpisodeCondition(4), "");
}

TEST_F(StatementTest, rankingFilter_changesTheHeadOnlyWhenVisibleAndChosen) {
    Criteria c;
    c.ranking = 1;
    auto lines = build(c);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], RankingHeadLine);
    EXPECT_EQ(lines[1], "(ICD10_RANKING = '五百大')");
    c.ranking = 2;
    EXPECT_EQ(onlyCondition(c), "((ICD10_RANKING = '五百大') OR (ICD10_RANKING = '一千大'))");
    c.rankingVisible = false;
    c.finest = 1;
    lines = build(c);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], Head);
    EXPECT_EQ(lines[1], "(ICD10_FLAG='Y')");

    // On a database without the column the ranking search is an engine error
    // and the result stays closed.
    c.rankingVisible = true;
    EXPECT_THROW(RunSearch(c, result, aux), db::Error);
    EXPECT_FALSE(result.isOpen());
}

TEST_F(StatementTest, icd9Code_translatesThroughCmWithEpisodeVariants) {
    db.cm("845.00", "S93.401A");
    db.cm("845.01", "M25.51");
    db.cm("846.0", "S33.5XXA");
    for (const char* no : {"S93401A", "S93401D", "S93401S", "S93402A", "M2551", "M255"})
        db.code(no, "x");

    Criteria c;
    c.icd9Code = "8450";
    EXPECT_EQ(onlyCondition(c), "(ICD10_NO IN ('M2551','S93401A','S93401D','S93401S'))");
    EXPECT_EQ(aux.lines(),
              std::vector<std::string>{"SELECT * FROM CM WHERE ICD9_NO LIKE '845.0%' ORDER BY ICD10_NO "});
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(Codes(result), (std::vector<std::string>{"M2551", "S93401A", "S93401D", "S93401S"}));

    c.icd9Code = "846";
    EXPECT_EQ(onlyCondition(c), "(ICD10_NO IN ('S335XXA','S335XXD','S335XXS'))");

    // A code that finds nothing ends the search with no rows and says which
    // ICD-9 text it was, instead of searching without it.
    c.icd9Code = " 8455 ";
    c.sex = 2;
    db.code("N70", "x");
    try {
        RunSearch(c, result, aux);
        ADD_FAILURE() << "an ICD-9 code without a mapping was left out of the search";
    } catch (const NoIcd10ForIcd9& e) {
        EXPECT_EQ(std::string(e.what()), "ICD9碼「8455」查無對應的ICD10碼");
    }
    EXPECT_FALSE(result.isOpen());
    c.icd9Code = "84'5";
    EXPECT_THROW(build(c), NoIcd10ForIcd9); // the quote is doubled, the lookup runs and finds nothing
    EXPECT_EQ(aux.lines(),
              std::vector<std::string>{"SELECT * FROM CM WHERE ICD9_NO LIKE '84''.5%' ORDER BY ICD10_NO "});
}

TEST_F(StatementTest, icd9Code_mappedToAnOpenFracture_keepsThatCode) {
    db.cm("813.52", "S52.509B");
    db.cm("813.52", "S52.509C");
    for (const char* no : {"S52509A", "S52509B", "S52509C", "S52509D", "S52509S"})
        db.code(no, "x");
    Criteria c;
    c.icd9Code = "81352";
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(Codes(result), (std::vector<std::string>{"S52509B", "S52509C"}));
}

TEST_F(StatementTest, buildCodeList_expandsOnlySevenCharacterLetterCodes) {
    db.cm("1", "S93.401A");
    db.cm("1", "T14.8");
    db.cm("1", "A00.0");
    db.cm("1", "O30.0011"); // a digit in the seventh place is a code of its own
    db.cm("1", "S52.521K"); // so is any letter but the plain episodes A, D, S
    db.cm("1", "S52.521D");
    aux.setText("SELECT * FROM CM ORDER BY ICD10_NO");
    aux.open();
    EXPECT_EQ(
        BuildCodeList(aux),
        "'A000','O300011','S52521A','S52521D','S52521S','S52521K','S93401A','S93401D','S93401S','T148'");
    aux.setText("SELECT * FROM CM WHERE 0");
    aux.open();
    EXPECT_EQ(BuildCodeList(aux), "");
}

TEST_F(StatementTest, icd9Name_translatesTheCodesOfBothNames) {
    db.icd9("723.1", "頸部疼痛", "頸痛");
    db.icd9("784.0", "頭痛", "");
    db.icd9("346.9", "偏頭痛", "migraine");
    db.cm("723.1", "M54.2");
    db.cm("784.0", "R51.9");
    db.cm("346.9", "G43.909");

    Criteria c;
    c.icd9Name = " 頭痛 ";
    EXPECT_EQ(onlyCondition(c), "(ICD10_NO IN ('G43909','R519'))");
    ASSERT_EQ(aux.lines().size(), 1u);
    EXPECT_TRUE(aux.lines()[0].starts_with("SELECT * FROM CM WHERE ICD9_NO IN ('"));
    EXPECT_TRUE(aux.lines()[0].ends_with("') ORDER BY ICD10_NO "));

    c.icd9Name = "頸痛"; // found through the second name
    EXPECT_EQ(onlyCondition(c), "(ICD10_NO IN ('M542'))");
    c.icd9Name = "無此病";
    try {
        build(c);
        ADD_FAILURE() << "an ICD-9 name that finds nothing was left out of the search";
    } catch (const NoIcd10ForIcd9& e) {
        EXPECT_EQ(std::string(e.what()), "ICD9名稱「無此病」查無對應的ICD10碼");
    }
    EXPECT_EQ(NoIcd10ForIcd9NameMessage(std::string(40, 'x')),
              "ICD9名稱「" + std::string(30, 'x') + "…」查無對應的ICD10碼");
    EXPECT_EQ(aux.lines(), std::vector<std::string>{
                               "SELECT ICD9_NO FROM ICD9 WHERE (  ( (ICD9_NAME LIKE '%無此病%')  ) ) OR (  ( "
                               "(ICD9_NAME2 LIKE '%無此病%')  ) )  "});
}

TEST_F(StatementTest, quotesInEveryBox_areDoubledAndTheStatementRuns) {
    db.code("A00", "O'Neil 氏病", "O'Neil disease");
    db.icd9("001.0", "O'Neil", "");
    db.cm("001.0", "A00");
    Criteria c;
    c.icd10Code = "'";
    c.chineseName = "O'Neil";
    c.englishName = "O'Neil";
    c.icd9Name = "O'Neil";
    auto lines = build(c);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[1], "(ICD10_NO LIKE '''%')");
    EXPECT_EQ(lines[3], "(  ( (ICD10_CNAME LIKE '%O''Neil%')  ) )");
    ASSERT_TRUE(RunSearch(c, result, aux)); // runs without a syntax error
    EXPECT_TRUE(Codes(result).empty());
    c.icd9Code = "'"; // its lookup runs, finds nothing and says so
    EXPECT_THROW(RunSearch(c, result, aux), NoIcd10ForIcd9);
    c.icd10Code = "A";
    c.icd9Code = "001";
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(Codes(result), std::vector<std::string>{"A00"});
}

TEST_F(StatementTest, lowerCaseCode_findsTheSameCodes) {
    db.code("S930", "x");
    db.code("S9301XA", "x");
    db.code("S94", "x");
    Criteria c;
    c.icd10Code = "s93";
    ASSERT_TRUE(RunSearch(c, result, aux));
    EXPECT_EQ(Codes(result), (std::vector<std::string>{"S930", "S9301XA"}));
}
