#include "search/resultlines.h"

#include <gtest/gtest.h>

using namespace search;

TEST(CountLine, saysHowManyRowsHowManyOfThemAreIcd11AndWhenThereAreNone) {
    EXPECT_EQ(CountLine(40078, 0, true), "共 40,078 筆");
    EXPECT_EQ(CountLine(40, 2, true), "共 40 筆，其中 ICD-11 傳統醫學 2 筆");
    EXPECT_EQ(CountLine(3, 3, true), "共 3 筆，其中 ICD-11 傳統醫學 3 筆");
    EXPECT_EQ(CountLine(0, 0, true), "共 0 筆（查無資料）");
    // While the rest is read the count is not final, nor is the ICD-11 part.
    EXPECT_EQ(CountLine(2000, 5, false), "讀取中… 2,000 筆");
}

TEST(GridChineseName, marksOnlyIcd11Codes) {
    EXPECT_EQ(GridChineseName("SJ1Z", "肝鬱證"), "【ICD-11】肝鬱證");
    EXPECT_EQ(GridChineseName("sa00", ""), "【ICD-11】");
    // ICD-10-CM codes of the same letter keep their name as it is.
    EXPECT_EQ(GridChineseName("S93401A", "踝扭傷(2023新增)"), "踝扭傷(2023新增)");
    EXPECT_EQ(GridChineseName("SZ1", "x"), "x");
}
