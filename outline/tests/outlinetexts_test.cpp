#include "outline/outlinetexts.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string>

#include <gtest/gtest.h>

#include "text/text.h"

using namespace outline;

namespace {

std::size_t LeadingBlanks(const std::string& line) {
    std::size_t n = 0;
    while (n < line.size() && line[n] == ' ')
        ++n;
    return n;
}

bool IsBoundChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Checks the line form (L blanks, 7-character range, colon, name) and returns
// the counts per level and the longest name in CP950 bytes.
struct Shape {
    std::array<int, 4> perLevel{};
    std::size_t longest = 0;
    std::string longestLine;
};

Shape CheckShape(const std::vector<std::string>& lines) {
    Shape s;
    std::size_t previousLevel = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        SCOPED_TRACE("line " + std::to_string(i + 1) + ": \"" + line + "\"");
        const std::size_t level = LeadingBlanks(line);
        EXPECT_LE(level, 3u);
        if (level > 3) continue;
        if (i == 0)
            EXPECT_EQ(level, 0u);
        else
            EXPECT_LE(level, previousLevel + 1) << "a line is at most one level deeper than the one before";
        previousLevel = level;
        ++s.perLevel[level];
        EXPECT_GT(line.size(), level + 8);
        if (line.size() <= level + 8) continue;
        for (std::size_t k : {0, 1, 2, 4, 5, 6})
            EXPECT_TRUE(IsBoundChar(line[level + k]));
        EXPECT_EQ(line[level + 3], '-');
        EXPECT_EQ(line[level + 7], ':');
        EXPECT_LE(line.compare(level, 3, line, level + 4, 3), 0) << "lower bound above upper bound";
        const std::string name = line.substr(level + 8);
        EXPECT_FALSE(name.empty());
        EXPECT_EQ(name.find(':'), std::string::npos);
        EXPECT_EQ(name.find("："), std::string::npos);
        EXPECT_TRUE(text::IsValidUtf8(name));
        std::string big5;
        EXPECT_TRUE(text::ToCp950(name, big5)) << "name has a character outside code page 950";
        const std::size_t bytes = text::Cp950Length(name);
        if (bytes > s.longest) {
            s.longest = bytes;
            s.longestLine = line;
        }
    }
    return s;
}

std::vector<std::string> Ranges(const std::vector<std::string>& lines, std::size_t level) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (LeadingBlanks(l) == level) out.push_back(l.substr(level, 7));
    return out;
}

} // namespace

TEST(OutlineTexts, icd10OutlineHasTheLineFormCountsAndLongestName) {
    const auto& lines = Icd10OutlineLines();
    ASSERT_EQ(lines.size(), 313u);
    const Shape s = CheckShape(lines);
    EXPECT_EQ(s.perLevel, (std::array<int, 4>{22, 208, 47, 36}));
    EXPECT_EQ(s.longest, 72u) << s.longestLine;
}

TEST(OutlineTexts, icd11OutlineIsExactlyTheTraditionalMedicineChapter) {
    const auto& lines = Icd11OutlineLines();
    ASSERT_EQ(lines.size(), 31u);
    const Shape s = CheckShape(lines);
    EXPECT_EQ(s.perLevel, (std::array<int, 4>{2, 17, 12, 0}));
    EXPECT_EQ(lines.front(), "SA0-SE5:傳統醫學疾病");
    EXPECT_EQ(lines[7], "  SB2-SB2:其他特指的臟腑系統病類");
    EXPECT_EQ(lines[20], "SE7-SJ1:傳統醫學證候");
    EXPECT_EQ(lines[23], " SE9-SF4:氣血津液證/身體成分證/氣血津液精證");
    EXPECT_EQ(lines.back(), " SJ1-SJ1:其他特指的傳統醫學證候");
    for (const auto& l : lines)
        EXPECT_NE(l.back(), ' ') << l;
}

TEST(OutlineTexts, icd10ChaptersInOrderWithTheirNames) {
    const std::vector<std::string> expected = {"A00-B99:傳染病、寄生蟲",
                                               "C00-D49:腫瘤",
                                               "D50-D89:血液、免疫機能",
                                               "E00-E89:內分泌、代謝",
                                               "F01-F99:精神、行為疾患",
                                               "G00-G99:神經系統感覺器官",
                                               "H00-H59:眼睛",
                                               "H60-H95:耳、乳突",
                                               "I00-I99:循環系統",
                                               "J00-J99:呼吸系統",
                                               "K00-K95:消化系統",
                                               "L00-L99:皮膚、皮下組織",
                                               "M00-M99:肌肉骨骼結締組織",
                                               "N00-N99:生殖泌尿",
                                               "O00-O9A:妊娠、生產期間",
                                               "P00-P96:源於週產期",
                                               "Q00-Q99:先天畸形、染色體",
                                               "R00-R99:症狀、癥候、異常",
                                               "S00-T88:傷害、中毒、外因",
                                               "V00-Y99:罹病外因",
                                               "Z00-Z99:影響健康服務",
                                               "U00-U85:特殊用途編碼"};
    std::vector<std::string> chapters;
    for (const auto& l : Icd10OutlineLines())
        if (!l.empty() && l[0] != ' ') chapters.push_back(l);
    EXPECT_EQ(chapters, expected);
}

TEST(OutlineTexts, icd10KeepsTheWellKnownLinesAsTheyStand) {
    const auto& lines = Icd10OutlineLines();
    auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
    EXPECT_TRUE(has("  A00-A09:腸道傳染病"));
    EXPECT_TRUE(has(" I80-I89:靜脈、淋巴管、淋巴結疾病 "));
    EXPECT_TRUE(has(" F99-F99:精神障礙 NOS"));
    EXPECT_TRUE(has(" L49-L54:蕁麻疹和紅斑"));
    EXPECT_FALSE(has(" L50-L54:風疹和紅斑")) << "the edition has one block L49-L54";
    // The blocks of the edition that end in a letter-bearing category, or that
    // stand alone, are in.
    EXPECT_TRUE(has(" I10-I16:高血壓性疾病"));
    EXPECT_TRUE(has(" Z20-Z29:與傳染病有關之潛在健康危害者"));
    EXPECT_TRUE(has("  M04-M04:自體發炎症候群"));
    EXPECT_TRUE(has("   X50-X50:過度勞動及劇烈或重複性動作"));
    EXPECT_TRUE(has(" Z19-Z19:荷爾蒙敏感性惡性腫瘤狀態"));
    EXPECT_TRUE(has("  B20-B24:HIV愛滋疾病"));
    EXPECT_TRUE(has(" X92-Y09:攻擊(加害）"));
    EXPECT_TRUE(has(" N10-N16:腎小管-間質疾病"));
    EXPECT_TRUE(has("  B10-B10:其它人類皰疹病毒"));
    int trailing = 0;
    for (const auto& l : lines)
        trailing += l.back() == ' ' ? 1 : 0;
    EXPECT_EQ(trailing, 1) << "exactly one line ends in a blank";
}

TEST(OutlineTexts, icd10NestingOfTheDeepChapters) {
    const auto& lines = Icd10OutlineLines();
    auto level3 = Ranges(lines, 3);
    ASSERT_EQ(level3.size(), 36u);
    EXPECT_EQ(level3.front(), "C00-C14");
    EXPECT_EQ(level3[13], "C7B-C7B");
    EXPECT_EQ(level3[14], "V00-V09");
    EXPECT_EQ(level3.back(), "X52-X58");
    auto level2 = Ranges(lines, 2);
    EXPECT_EQ(level2.front(), "A00-A09");
    EXPECT_EQ(level2[21], "B99-B99");
    EXPECT_EQ(level2[26], "M04-M04");
    EXPECT_EQ(level2.back(), "Y83-Y84");
    // Each range occurs once per outline.
    std::vector<std::string> all;
    for (const auto& l : lines)
        all.push_back(l.substr(LeadingBlanks(l), 7));
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end());
}
