#include "codes/decoration.h"

#include <gtest/gtest.h>

using codes::DecorateName;

TEST(DecorateName, addsOneStatusSuffixWithDeletedFirst) {
    EXPECT_EQ(DecorateName("頭痛", "", "Y"), "頭痛(2023新增)");
    EXPECT_EQ(DecorateName("頭痛", " X ", ""), "頭痛(2023禁用)");
    EXPECT_EQ(DecorateName("頭痛", "D", "Y"), "頭痛(2023刪除)");
    EXPECT_EQ(DecorateName("頭痛", "X", "Y"), "頭痛(2023禁用)");
    EXPECT_EQ(DecorateName("頭痛", "\tD\r\n", ""), "頭痛(2023刪除)");
}

TEST(DecorateName, otherValuesLeaveTheNameAlone) {
    EXPECT_EQ(DecorateName("頭痛", "x", ""), "頭痛");
    EXPECT_EQ(DecorateName("頭痛", "d", "y"), "頭痛");
    EXPECT_EQ(DecorateName("頭痛", "", ""), "頭痛");
    EXPECT_EQ(DecorateName("頭痛", "N", "N"), "頭痛");
    EXPECT_EQ(DecorateName("", "", "Y"), "(2023新增)");
    EXPECT_EQ(DecorateName("頭痛  ", "", "Y"), "頭痛  (2023新增)");
}

TEST(CodeAndNames, codeAsWrittenThenEachNameOnItsOwnLine) {
    EXPECT_EQ(codes::CodeAndNames("S93401A", "右踝扭傷", "Sprain of right ankle"),
              "S93.401A\n右踝扭傷\nSprain of right ankle");
    EXPECT_EQ(codes::CodeAndNames("A00-A09", "腸道傳染病", ""), "A00-A09\n腸道傳染病");
    EXPECT_EQ(codes::CodeAndNames("SJ1Z", "", "Liver qi stagnation"), "SJ1Z\nLiver qi stagnation");
}
