#include <gtest/gtest.h>

#include "tree/treebuild.h"

using namespace tree;

TEST(SplitCodeRange, boundsAroundTheFirstDash_upperAtMostTenBytes) {
    EXPECT_EQ(SplitCodeRange("A00-A09").lower, "A00");
    EXPECT_EQ(SplitCodeRange("A00-A09").upper, "A09");
    EXPECT_EQ(SplitCodeRange("A00-").lower, "A00");
    EXPECT_EQ(SplitCodeRange("A00-").upper, "");
    EXPECT_EQ(SplitCodeRange("-A09").lower, "");
    EXPECT_EQ(SplitCodeRange("A00-B0-C").upper, "B0-C");
    EXPECT_EQ(SplitCodeRange("A-1234567890XYZ").upper, "1234567890");
    EXPECT_EQ(SplitCodeRange(" A00 - B").lower, " A00 "); // nothing trimmed
    EXPECT_EQ(SplitCodeRange(" A00 - B").upper, " B");
    // Ten bytes never cut a double-byte character in two.
    EXPECT_EQ(SplitCodeRange("A-123456789頭").upper, "123456789");
}

TEST(DisplayKey, trimmedCapitalisedAndNormalised) {
    EXPECT_EQ(DisplayKey("  a00.1 "), "A001");
    EXPECT_EQ(DisplayKey("A00"), "A00");
    EXPECT_EQ(DisplayKey("s00.00xa"), "S0000XA");
    EXPECT_EQ(DisplayKey("A0.01"), "A0.01"); // a dot elsewhere than 4th place stays
    EXPECT_EQ(DisplayKey("s00-t88"), "S00-T88");
    EXPECT_EQ(DisplayKey("\t頭a\r\n"), "頭A");
    EXPECT_EQ(DisplayKey(" a "), "A");
    // Each bound of a range loses its dot like a single code.
    EXPECT_EQ(DisplayKey("S93.4-S93.6"), "S934-S936");
    EXPECT_EQ(DisplayKey("s93.4 - s93.60"), "S934-S9360");
    EXPECT_EQ(DisplayKey("S93.401A-S93.409S"), "S93401A-S93409S");
    EXPECT_EQ(DisplayKey("A00-"), "A00-");
}

TEST(ResultTreeStatement, prefixKeepsTypedCase_rangeExtendsUpperBound) {
    EXPECT_EQ(ResultTreeStatement("A00", " a00 "),
              "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'a00%' ORDER BY ICD10_NO");
    EXPECT_EQ(ResultTreeStatement("A001", "A00.1"),
              "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'A001%' ORDER BY ICD10_NO");
    EXPECT_EQ(ResultTreeStatement("A00-A09", "a00-a09"),
              "SELECT * FROM ICD10 WHERE ICD10_NO >=  'A00' AND ICD10_NO<='A09ZZZZZ' ORDER BY ICD10_NO");
    EXPECT_EQ(ResultTreeStatement("A00-", "A00-"),
              "SELECT * FROM ICD10 WHERE ICD10_NO >=  'A00' AND ICD10_NO<='ZZZZZ' ORDER BY ICD10_NO");
}

TEST(ResultTreeStatement, quotesInTypedValuesAreDoubled) {
    EXPECT_EQ(ResultTreeStatement("A'0", "a'0"),
              "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'a''0%' ORDER BY ICD10_NO");
    EXPECT_EQ(ResultTreeStatement("A'-B'", "a'-b'"),
              "SELECT * FROM ICD10 WHERE ICD10_NO >=  'A''' AND ICD10_NO<='B''ZZZZZ' ORDER BY ICD10_NO");
    EXPECT_EQ(SubtreeStatement("A'", 3),
              "SELECT * FROM ICD10 WHERE ICD10_NO LIKE 'A''%' AND len(ICD10_NO)=3 ORDER BY ICD10_NO");
}

TEST(SubtreeStatement, lengthInDecimalDigits) {
    EXPECT_EQ(SubtreeStatement("A00", 4),
              "SELECT * FROM ICD10 WHERE ICD10_NO LIKE 'A00%' AND len(ICD10_NO)=4 ORDER BY ICD10_NO");
    EXPECT_EQ(SubtreeStatement("S0000X", 10),
              "SELECT * FROM ICD10 WHERE ICD10_NO LIKE 'S0000X%' AND len(ICD10_NO)=10 ORDER BY ICD10_NO");
}
