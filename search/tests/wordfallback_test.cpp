#include "search/wordfallback.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "db/query.h"
#include "testsupport/codedb.h"
#include "testsupport/testsupport.h"

using namespace search;
using TestDb = testsupport::CodeDb;

namespace {

std::vector<std::string> Codes(db::Query& q) {
    std::vector<std::string> out;
    for (; q.isOpen() && !q.eof(); q.next())
        out.push_back(q.field("ICD10_NO"));
    return out;
}

class WordFallbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        db.code("S934", "踝部扭傷", "Sprain of ankle", "N");
        db.code("S93401A", "右側踝韌帶扭傷,初期照護",
                "Sprain of unspecified ligament of right ankle, initial encounter");
        db.code("S93402A", "左側踝韌帶扭傷,初期照護",
                "Sprain of unspecified ligament of left ankle, initial encounter");
        db.code("M2557", "踝關節痛", "Pain in ankle and joints of foot");
        db.code("A00", "霍亂", "Cholera", "N");
    }
    Criteria chinese(const std::string& words) {
        Criteria c;
        c.chineseName = words;
        c.rankingVisible = false;
        return c;
    }
    TestDb db;
    db::Query result{db.connection}, aux{db.connection};
};

} // namespace

TEST(CharacterOrderWords, splitsChineseWordsOfTwoOrMoreCharacters) {
    std::vector<std::string> chars;
    EXPECT_EQ(CharacterOrderWords("踝扭傷", &chars), "踝%扭%傷");
    EXPECT_EQ(chars, (std::vector<std::string>{"踝", "扭", "傷"}));
    EXPECT_EQ(CharacterOrderWords("  左  踝扭傷 "), "左 踝%扭%傷");
    EXPECT_EQ(CharacterOrderWords("ankle 扭傷"), "ankle 扭%傷");
    // Nothing to split: one-character and English words only, or no words.
    EXPECT_EQ(CharacterOrderWords("左 右"), "");
    EXPECT_EQ(CharacterOrderWords("ankle sprain"), "");
    EXPECT_EQ(CharacterOrderWords("   "), "");
}

TEST_F(WordFallbackTest, exactWordsFindingRows_keepTheStatementAsBuilt) {
    const SearchOutcome out = RunSearchWithFallback(chinese("扭傷"), result, aux);
    EXPECT_TRUE(out.ran);
    EXPECT_FALSE(out.characterOrder);
    EXPECT_EQ(FallbackNote(out), "");
    EXPECT_EQ(result.lines()[1], "(  ( (ICD10_CNAME LIKE '%扭傷%')  ) )");
    EXPECT_EQ(Codes(result), (std::vector<std::string>{"S934", "S93401A", "S93402A"}));
}

TEST_F(WordFallbackTest, wordFindingNothing_triesItsCharactersInOrderWithTheOtherCriteria) {
    Criteria c = chinese("踝扭傷");
    c.side = 2; // 右側: the other criteria stay as they were
    const SearchOutcome out = RunSearchWithFallback(c, result, aux);
    EXPECT_TRUE(out.characterOrder);
    EXPECT_EQ(result.lines()[1], "(  ( (ICD10_CNAME LIKE '%踝%扭%傷%')  ) )");
    EXPECT_EQ(result.lines()[3], "(ICD10_CNAME LIKE '%右%')");
    EXPECT_EQ(Codes(result), std::vector<std::string>{"S93401A"});
    EXPECT_EQ(FallbackNote(out), "找不到「踝扭傷」，以下為依序含「踝、扭、傷」的結果");

    // Characters out of order find nothing either way: the exact statement stays.
    const SearchOutcome none = RunSearchWithFallback(chinese("傷扭踝"), result, aux);
    EXPECT_TRUE(none.ran);
    EXPECT_FALSE(none.characterOrder);
    EXPECT_EQ(result.lines()[1], "(  ( (ICD10_CNAME LIKE '%傷扭踝%')  ) )");
    EXPECT_TRUE(Codes(result).empty());
    // No criterion: nothing runs, and nothing to fall back on.
    EXPECT_FALSE(RunSearchWithFallback(Criteria{}, result, aux).ran);
}

TEST_F(WordFallbackTest, quotesInTheSplitWordAreDoubledLikeTheExactOnes) {
    db.code("X001", "踝'扭傷", "quote in the name");
    const SearchOutcome out = RunSearchWithFallback(chinese("踝'傷"), result, aux);
    EXPECT_TRUE(out.characterOrder);
    EXPECT_EQ(result.lines()[1], "(  ( (ICD10_CNAME LIKE '%踝%''%傷%')  ) )");
    EXPECT_EQ(Codes(result), std::vector<std::string>{"X001"});
    // A quote that would end the literal cannot change the statement's meaning.
    const SearchOutcome hostile = RunSearchWithFallback(chinese("霍')) OR ((1=1 亂"), result, aux);
    EXPECT_TRUE(hostile.ran);
    EXPECT_TRUE(Codes(result).empty());
}

// English words are found in any order and whatever their case; they are never split.
TEST_F(WordFallbackTest, englishWords_matchInAnyOrderIgnoringCase) {
    Criteria c;
    c.englishName = "ANKLE sprain";
    c.rankingVisible = false;
    SearchOutcome out = RunSearchWithFallback(c, result, aux);
    EXPECT_FALSE(out.characterOrder);
    EXPECT_EQ(Codes(result), (std::vector<std::string>{"S934", "S93401A", "S93402A"}));
    c.englishName = "Right Sprain ANKLE";
    out = RunSearchWithFallback(c, result, aux);
    EXPECT_EQ(Codes(result), (std::vector<std::string>{"S93401A"}));
    c.englishName = "anklesprain";
    out = RunSearchWithFallback(c, result, aux);
    EXPECT_FALSE(out.characterOrder);
    EXPECT_TRUE(Codes(result).empty());
}

// On the full-size test database 踝扭傷 is one header only as a whole word; in
// character order it reaches the sided sprains below it.
TEST(WordFallbackFullDb, ankleSprainAsOneWord_reachesTheSidedCodes) {
    ICD_REQUIRE_FULL_DB();
    db::Connection connection;
    connection.open(testsupport::FullDatabasePath());
    db::Query result(connection), aux(connection);
    Criteria c;
    c.chineseName = "左踝 扭傷";
    c.rankingVisible = false;
    const SearchOutcome out = RunSearchWithFallback(c, result, aux);
    ASSERT_TRUE(out.characterOrder);
    const auto codes = Codes(result);
    EXPECT_GT(codes.size(), 10u);
    EXPECT_NE(std::find(codes.begin(), codes.end(), "S93402A"), codes.end());
}
