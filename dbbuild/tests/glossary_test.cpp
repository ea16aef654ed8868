#include "dbbuild/build.h"

#include <gtest/gtest.h>

using dbbuild::TestChineseName;

namespace {
bool Has(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}
bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}
} // namespace

TEST(TestGlossary, injuryTitlesCarrySideBodyPartKindAndEpisode) {
    EXPECT_EQ(TestChineseName("S93401A", "Sprain of unspecified ligament of right ankle, initial encounter"),
              "未明示右側踝韌帶扭傷，初期照護");
    EXPECT_EQ(
        TestChineseName("S93401D", "Sprain of unspecified ligament of right ankle, subsequent encounter"),
        "未明示右側踝韌帶扭傷，後續照護");
    EXPECT_EQ(TestChineseName("S93401S", "Sprain of unspecified ligament of right ankle, sequela"),
              "未明示右側踝韌帶扭傷，後遺症");
    // Fracture episodes keep the episode words at the very end, as searches require.
    std::string open =
        TestChineseName("S52521B", "Torus fracture of lower end of right radius, initial encounter "
                                   "for open fracture type I or II");
    EXPECT_TRUE(EndsWith(open, "初期照護")) << open;
    std::string healing = TestChineseName("S52521G", "Torus fracture of lower end of left radius, subsequent "
                                                     "encounter for fracture with delayed healing");
    EXPECT_TRUE(EndsWith(healing, "後續照護") && Has(healing, "左側") && Has(healing, "骨折")) << healing;
    std::string bite = TestChineseName("S61051A", "Open bite of right hand, initial encounter");
    EXPECT_TRUE(Has(bite, "咬傷") && Has(bite, "手") && Has(bite, "右側")) << bite;
    std::string contusion = TestChineseName("S7012XA", "Contusion of left thigh, initial encounter");
    EXPECT_TRUE(Has(contusion, "挫傷") && Has(contusion, "大腿") && !Has(contusion, "腿腿")) << contusion;
}

TEST(TestGlossary, dominantSideAndBothSides) {
    std::string dom = TestChineseName("G8311", "Monoplegia of lower limb affecting right dominant side");
    EXPECT_TRUE(Has(dom, "右") && Has(dom, "優勢側") && !Has(dom, "非優勢側") && Has(dom, "癱")) << dom;
    std::string nondom = TestChineseName("G8314", "Monoplegia of lower limb affecting left nondominant side");
    EXPECT_TRUE(Has(nondom, "左") && Has(nondom, "非優勢側")) << nondom;
    std::string both = TestChineseName("M1A071", "Bilateral primary osteoarthritis of knee");
    EXPECT_TRUE(Has(both, "雙側") && Has(both, "膝") && Has(both, "關節炎")) << both;
}

TEST(TestGlossary, multiWordPartsWinOverTheirLastWord) {
    // "upper arm" is 上臂, not 臂; "lower leg" is 小腿; "lower back" is not 背 alone.
    EXPECT_TRUE(Has(TestChineseName("S4011XA", "Contusion of right upper arm, initial encounter"), "上臂"));
    EXPECT_TRUE(Has(TestChineseName("S8011XA", "Contusion of right lower leg, initial encounter"), "小腿"));
    EXPECT_EQ(TestChineseName("M545", "Low back pain"), "下背痛");
    EXPECT_TRUE(Has(TestChineseName("M25561", "Pain in right knee"), "關節痛"));
}

TEST(TestGlossary, wordsDoNotLeakIntoOtherSearches) {
    // "Unspecified" must not bring 指 (finger) into names without a finger.
    std::string colitis = TestChineseName("A099", "Infectious gastroenteritis and colitis, unspecified");
    EXPECT_FALSE(Has(colitis, "指")) << colitis;
    std::string side = TestChineseName("M25519", "Pain in unspecified shoulder");
    EXPECT_FALSE(Has(side, "指") || Has(side, "左") || Has(side, "右")) << side;
    // Contact with hot drinks is a scald.
    EXPECT_TRUE(Has(TestChineseName("X100XXA", "Contact with hot drinks, initial encounter"), "燙傷"));
}

TEST(TestGlossary, titlesWithoutGlossaryWordsGetTheirChapterWord) {
    EXPECT_EQ(TestChineseName("U071", "COVID-19"), "特殊用途代碼");
    EXPECT_EQ(TestChineseName("A00", "Cholera"), "感染症");
    EXPECT_FALSE(TestChineseName("Z00", "Encounter for general examination").empty());
}
