#include "outline/labellayout.h"

#include <gtest/gtest.h>

#include "text/text.h"

using namespace outline;

namespace {

// A font in which an ASCII character is half the size wide and any other
// character the size; a line is size + 4 high.
class FakeMeasure : public TextMeasure {
public:
    int width(std::string_view t, Face, int size, bool) const override {
        int w = 0;
        for (const auto& c : text::Characters(t))
            w += c.size() == 1 ? size / 2 : size;
        return w;
    }
    int height(Face, int size, bool) const override { return size + 4; }
};

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

const FakeMeasure kMeasure;

} // namespace

TEST(EntryLabel, fitsAtTwelveWithCodeInBlueBeforeIt) {
    const auto l = LayoutEntryLabel(kMeasure, 280, 30, "A00", "霍亂", "");
    ASSERT_EQ(l.runs.size(), 2u);
    EXPECT_EQ(l.runs[0], (TextRun{"A00", 2, 8, Face::Default, 10, false, Ink::Blue}));
    // x = 2 + width("A00 ") at 10 = 2 + 20
    EXPECT_EQ(l.runs[1], (TextRun{"霍亂", 22, 7, Face::Default, 12, false, Ink::Black}));
    EXPECT_FALSE(l.emptyCode);
}

TEST(EntryLabel, stepsTheFontDownUntilTheNameFits) {
    // x = 22; 23 characters: 22 + 276 > 280 at size 12, 22 + 253 = 275 fits at 11.
    const std::string name = Repeat("病", 23);
    auto l = LayoutEntryLabel(kMeasure, 280, 30, "A00", name, "");
    EXPECT_EQ(l.runs[1].size, 11); // 22 + 253 = 275 fits
    // A finest code keeps 10 pixels clear of the asterisk: 275 > 270, so size 10.
    l = LayoutEntryLabel(kMeasure, 280, 30, "A00", name, "Y");
    EXPECT_EQ(l.runs[1].size, 10);
    EXPECT_EQ(l.runs[1].y, (30 - 14) / 2);
    // 28 characters are too wide even at 9 (22 + 252 > 270): two lines.
    l = LayoutEntryLabel(kMeasure, 280, 30, "A00", Repeat("病", 28), "Y");
    ASSERT_EQ(l.runs.size(), 3u);
    EXPECT_EQ(l.runs[1].size, 9);
    EXPECT_EQ(l.runs[1].text, Repeat("病", 27)); // 22 + 243 = 265 <= 270
    EXPECT_EQ(l.runs[1].y, 1);
    EXPECT_EQ(l.runs[2].text, "病");
    EXPECT_EQ(l.runs[2].y, 1 + 13);
}

TEST(EntryLabel, twoLineSplitIsBetweenCharactersAndHighlightsEachLinesDistinctPart) {
    // Prefix 25 characters, distinct 4, suffix 3: the distinct part spans the break.
    const std::string prefix = Repeat("左", 25);
    const std::string distinct = "A膝扭傷";
    const std::string name = prefix + distinct + "初期照";
    const Highlight h{distinct, 25, 3};
    const auto l = LayoutEntryLabel(kMeasure, 280, 30, "S83", name, "", h);
    // Line 1 holds what fits in 280 at size 9: 22 + 225 (prefix) + 4 + 9 + 9 + 9 = 278.
    EXPECT_EQ(l.runs[1].text, prefix + "A膝扭傷");
    EXPECT_EQ(l.runs[2].text, "初期照");
    // Magenta on line 1 after the 25 prefix characters; none on line 2 (only suffix there).
    ASSERT_EQ(l.runs.size(), 4u);
    EXPECT_EQ(l.runs[3], (TextRun{"A膝扭傷", 22 + 225, 1, Face::Default, 9, false, Ink::Magenta}));

    // When the break falls inside the distinct part, each line gets its own share.
    const std::string name2 = prefix + "膝膝膝膝膝" + "傷";
    const auto l2 = LayoutEntryLabel(kMeasure, 280, 30, "S83", name2, "", Highlight{"膝膝膝膝膝", 25, 1});
    ASSERT_EQ(l2.runs.size(), 5u);
    EXPECT_EQ(l2.runs[1].text, prefix + "膝膝膝"); // 22 + 28*9 = 274
    EXPECT_EQ(l2.runs[3], (TextRun{"膝膝膝", 22 + 225, 1, Face::Default, 9, false, Ink::Magenta}));
    EXPECT_EQ(l2.runs[4], (TextRun{"膝膝", 22, 14, Face::Default, 9, false, Ink::Magenta}));
}

TEST(EntryLabel, oneLineHighlightStandsAfterThePrefix) {
    // "其他特指的臟腑系統病類" among siblings ending in 病類: suffix 2, distinct at x.
    const auto l = LayoutEntryLabel(kMeasure, 280, 30, "SB2-SB2", "其他特指的臟腑系統病類", "",
                                    Highlight{"其他特指的臟腑系統", 0, 2});
    ASSERT_EQ(l.runs.size(), 3u);
    EXPECT_EQ(l.runs[2].ink, Ink::Magenta);
    EXPECT_EQ(l.runs[2].x, l.runs[1].x);
    // The distinct part also occurs inside the prefix: the magenta still covers
    // the characters after the prefix.
    const auto p = LayoutEntryLabel(kMeasure, 280, 30, "X1", "痛頭痛", "", Highlight{"痛", 2, 0});
    ASSERT_EQ(p.runs.size(), 3u);
    EXPECT_EQ(p.runs[2].x, p.runs[1].x + 24);
    // An empty distinct part (identical names) draws no magenta.
    const auto e = LayoutEntryLabel(kMeasure, 280, 30, "X1", "頭痛", "", Highlight{"", 2, 2});
    EXPECT_EQ(e.runs.size(), 2u);
}

TEST(EntryLabel, emptyCodeIsReportedAndDrawnWithoutIt) {
    const auto l = LayoutEntryLabel(kMeasure, 280, 30, "", "無代碼", "");
    EXPECT_TRUE(l.emptyCode);
    ASSERT_EQ(l.runs.size(), 1u);
    EXPECT_EQ(l.runs[0].x, 2 + 5); // 2 + width(" ")
}

TEST(ChapterTile, nameOnOneLineCentredOrCutAtSixteenBytes) {
    const auto one = LayoutChapterTile(kMeasure, 3, "D50-D89", "血液、免疫機能");
    ASSERT_EQ(one.size(), 3u);
    EXPECT_EQ(one[0], (TextRun{"3", 6, 1, Face::Default, 8, false, Ink::Blue}));
    EXPECT_EQ(one[1].x, (140 - 35) / 2);
    EXPECT_EQ(one[1].face, Face::Times);
    EXPECT_TRUE(one[1].bold);
    EXPECT_EQ(one[2], (TextRun{"血液、免疫機能", (140 - 84) / 2, (43 - 16) / 2 + 6, Face::Ming, 12, false,
                               Ink::Black}));

    // 12 characters are wider than 140: "A" + 7 characters make 15 bytes, the 8th
    // would cross byte 16, so it starts the second line.
    const auto two = LayoutChapterTile(kMeasure, 1, "A00-B99", "A傳染病寄生蟲細菌病毒黴菌");
    ASSERT_EQ(two.size(), 4u);
    EXPECT_EQ(two[2].text, "A傳染病寄生蟲細");
    EXPECT_EQ(two[3].text, "菌病毒黴菌");
    EXPECT_EQ(two[2].y, (43 - 32) / 2 + 6);
    EXPECT_EQ(two[3].y, two[2].y + 16);
}

TEST(FirstPathTile, numberNameAndRangeSideBySide) {
    const auto r = LayoutFirstPathTile(kMeasure, 1, "A00-B99", "傳染病、寄生蟲");
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0], (TextRun{"1 ", 2, 1, Face::Default, 10, false, Ink::Blue}));
    EXPECT_EQ(r[1], (TextRun{"傳染病、寄生蟲 ", 2 + 10 + 2, 7, Face::Default, 12, false, Ink::Black}));
    EXPECT_EQ(r[2], (TextRun{"A00-B99", 14 + 84 + 6 + 2, 8, Face::Times, 10, true, Ink::Blue}));
}
