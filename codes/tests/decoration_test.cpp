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
