#include "codes/outlineblocks.h"

#include "codes/outlinetexts.h"

#include <gtest/gtest.h>

using namespace codes;
using V = std::vector<std::string>;

namespace {

const V& Outline() {
    static const V lines = {
        "C00-D49:腫瘤",
        " C00-C97:惡性",
        "  C00-C75:原發",
        "   C73-C75:甲狀腺",
        "   C7A-C7A:惡性神經內分泌腫瘤",
        "   C7B-C7B:續發性神經內分泌腫瘤",
        "  C76-C80:不明確部位",
        " D37-D48:性態未明",
        " D3A-D3A:良性神經內分泌腫瘤",
        "L00-L99:皮膚",
        " L49-L54:蕁麻疹和紅斑",
    };
    return lines;
}

} // namespace

TEST(CodeInRange, comparesFromTheLowerBoundToTheUpperBoundsBeginning) {
    EXPECT_TRUE(CodeInRange("C76", "C76-C80"));
    EXPECT_TRUE(CodeInRange("C7A1", "C76-C80")); // C7A sorts between C76 and C80
    EXPECT_TRUE(CodeInRange("C801", "C76-C80"));
    EXPECT_FALSE(CodeInRange("C75", "C76-C80"));
    EXPECT_FALSE(CodeInRange("C81", "C76-C80"));
    EXPECT_TRUE(CodeInRange("S9341XA", "S934-S936"));
    EXPECT_FALSE(CodeInRange("S93", "S934-S936"));
    EXPECT_FALSE(CodeInRange("A00", "A00"));
}

TEST(SeparateBlocksInside, onlyOtherRowsThatSortInsideTheRange) {
    EXPECT_EQ(SeparateBlocksInside(Outline(), "C76-C80"), (V{"C7A-C7A", "C7B-C7B"}));
    EXPECT_EQ(SeparateBlocksInside(Outline(), "D37-D48"), V{"D3A-D3A"});
    EXPECT_EQ(SeparateBlocksInside(Outline(), "C00-C75"), V{}); // its own rows are its own
    EXPECT_EQ(SeparateBlocksInside(Outline(), "C00-D49"), V{});
    EXPECT_EQ(SeparateBlocksInside(Outline(), "C7A-C7A"), V{});
    EXPECT_EQ(SeparateBlocksInside(Outline(), "C70-C80"), V{}) << "no row has this range";
    EXPECT_EQ(SeparateBlocksInside(Outline(), "L49-L54"), V{});
    EXPECT_EQ(SeparateBlocksInside(Outline(), "C76"), V{});
    EXPECT_EQ(SeparateBlocksInside({}, "C76-C80"), V{});

    const V separate = SeparateBlocksInside(Outline(), "C76-C80");
    EXPECT_TRUE(InAnyRange("C7A00", separate));
    EXPECT_TRUE(InAnyRange("C7B1", separate));
    EXPECT_FALSE(InAnyRange("C77", separate));
    EXPECT_FALSE(InAnyRange("C7A", V{}));
}

TEST(ParseOutlineLine, depthIsTheLeadingBlanks_rangeAndNameAroundTheFirstColon) {
    struct Case {
        const char* line;
        std::size_t depth;
        const char* range;
        const char* name;
    } cases[] = {
        {"  A00-A09:腸道傳染病", 2, "A00-A09", "腸道傳染病"},
        {"A00-B99:傳染病、寄生蟲", 0, "A00-B99", "傳染病、寄生蟲"},
        {" I80-I89:靜脈、淋巴管、淋巴結疾病 ", 1, "I80-I89", "靜脈、淋巴管、淋巴結疾病"},
        {"\t B10-B10:x:y", 0, "B10-B10", "x:y"}, // only blanks count; cut at the first colon
        {"腸道傳染病", 0, "", ""},               // no colon, no range
        {"", 0, "", ""},
        {"   ", 3, "", ""},
        {":名稱", 0, "", "名稱"},
    };
    for (const Case& c : cases) {
        const OutlineLine parsed = ParseOutlineLine(c.line);
        EXPECT_EQ(parsed.depth, c.depth) << c.line;
        EXPECT_EQ(parsed.range, c.range) << c.line;
        EXPECT_EQ(parsed.name, c.name) << c.line;
    }
}
