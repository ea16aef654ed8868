#include "outline/outlinemodel.h"

#include <gtest/gtest.h>

#include "outline/outlinetexts.h"
#include "text/text.h"

using namespace outline;

namespace {
std::vector<std::string> Codes(const std::vector<OutlineRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows)
        out.push_back(r.code);
    return out;
}
using V = std::vector<std::string>;
} // namespace

TEST(ChapterRows, icd10GivesTheTwentyTwoChaptersInOrder) {
    const auto rows = ChapterRows(Icd10OutlineLines());
    ASSERT_EQ(rows.size(), 22u);
    EXPECT_EQ(rows[0], (OutlineRow{"A00-B99", "傳染病、寄生蟲"}));
    EXPECT_EQ(rows[14], (OutlineRow{"O00-O9A", "妊娠、生產期間"}));
    EXPECT_EQ(rows[21], (OutlineRow{"U00-U85", "特殊用途編碼"}));
}

TEST(ChapterRows, icd11GivesTwoAndReadingStopsAfterTwentyTwo) {
    const auto rows = ChapterRows(Icd11OutlineLines());
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1], (OutlineRow{"SE7-SJ1", "傳統醫學證候"}));

    std::vector<std::string> many;
    for (int i = 0; i < 30; ++i)
        many.push_back("X" + std::to_string(10 + i) + "-X" + std::to_string(10 + i) + ":章");
    many.insert(many.begin() + 1, ""); // an empty line is not a chapter row
    many.insert(many.begin() + 1, " A00-A01:子");
    const auto capped = ChapterRows(many);
    ASSERT_EQ(capped.size(), 22u);
    EXPECT_EQ(capped.back().code, "X31-X31");

    // The name is cut at 100 bytes, never inside a double-byte character.
    std::string longName;
    for (int i = 0; i < 60; ++i)
        longName += "長";
    const auto cut = ChapterRows({"A00-A01:X" + longName});
    EXPECT_EQ(text::Cp950Length(cut[0].name), 99u);
}

TEST(OutlineChildren, burnsAndTheInjuryChapterSkipGrandchildren) {
    const auto& lines = Icd10OutlineLines();
    EXPECT_EQ(Codes(OutlineChildren(lines, "T20-T32")), (V{"T20-T25", "T26-T28", "T30-T32"}));
    const auto injury = OutlineChildren(lines, "S00-T88");
    ASSERT_EQ(injury.size(), 20u);
    EXPECT_EQ(injury.front().code, "S00-S09");
    EXPECT_EQ(injury[13], (OutlineRow{"T20-T32", "燒傷及腐蝕傷"}));
    EXPECT_EQ(injury[14].code, "T33-T34"); // T20-T25, T26-T28, T30-T32 are not children
    EXPECT_EQ(injury.back().code, "T80-T88");
    // Three levels down: the neoplasm chapter's first block has three sub-blocks.
    EXPECT_EQ(Codes(OutlineChildren(lines, "C00-C97")), (V{"C00-C75", "C76-C80", "C81-C96"}));
    EXPECT_EQ(OutlineChildren(lines, "C00-C75").size(), 14u);
    EXPECT_EQ(Codes(OutlineChildren(lines, "A00-B99")), (V{"A00-A99", "B00-B99"}));
}

TEST(OutlineChildren, leavesAndDatabaseCodesGiveNothing) {
    const auto& lines = Icd10OutlineLines();
    EXPECT_TRUE(OutlineChildren(lines, "A00-A09").empty()); // followed by a sibling
    EXPECT_TRUE(OutlineChildren(lines, "U80-U89").empty()); // last line of the outline
    EXPECT_TRUE(OutlineChildren(lines, "B10").empty());     // matches only the upper bound of "  B10-B10:"
    EXPECT_TRUE(OutlineChildren(lines, "A09").empty());
    EXPECT_TRUE(OutlineChildren(lines, "A0100").empty());
    EXPECT_TRUE(OutlineChildren(lines, "").empty());
    EXPECT_TRUE(OutlineChildren(Icd11OutlineLines(), "SE7").empty());
}

TEST(OutlineChildren, namesAreTrimmedAndCutOnlyAtTheFirstColon) {
    const auto& lines = Icd10OutlineLines();
    const auto circulatory = OutlineChildren(lines, "I00-I99");
    ASSERT_EQ(circulatory.size(), 10u);
    EXPECT_EQ(circulatory[8], (OutlineRow{"I80-I89", "靜脈、淋巴管、淋巴結疾病"}));
    const auto kidney = OutlineChildren(lines, "N00-N99");
    EXPECT_EQ(kidney[1], (OutlineRow{"N10-N16", "腎小管-間質疾病"}));
    const auto skin = OutlineChildren(lines, "L00-L99");
    EXPECT_EQ(skin[4], (OutlineRow{"L49-L54", "蕁麻疹和紅斑"}));
    EXPECT_EQ(skin[5].code, "L55-L59");
    const auto tm = OutlineChildren(Icd11OutlineLines(), "SA0-SB2");
    ASSERT_EQ(tm.size(), 6u);
    EXPECT_EQ(tm.back(), (OutlineRow{"SB2-SB2", "其他特指的臟腑系統病類"}));
}

TEST(SplitRange, boundsByPosition) {
    const auto a = SplitRange("C45-C4A");
    EXPECT_TRUE(a.isRange);
    EXPECT_EQ(a.lower, "C45");
    EXPECT_EQ(a.upper, "C4A");
    const auto b = SplitRange("B10-B10");
    EXPECT_EQ(b.lower, "B10");
    EXPECT_EQ(b.upper, "B10");
    const auto c = SplitRange("A01");
    EXPECT_FALSE(c.isRange);
    EXPECT_EQ(c.lower, "A01");
}
