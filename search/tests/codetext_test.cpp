#include "search/codetext.h"

#include <gtest/gtest.h>

using namespace search;

TEST(NormalizeICD10Code, removesOnlyADotAtTheFourthByte) {
    EXPECT_EQ(NormalizeICD10Code("S93.401A"), "S93401A");
    EXPECT_EQ(NormalizeICD10Code("M25.5"), "M255");
    EXPECT_EQ(NormalizeICD10Code(" A00 "), "A00");
    EXPECT_EQ(NormalizeICD10Code("A000"), "A000");
    EXPECT_EQ(NormalizeICD10Code("S934.01"), "S934.01");
    EXPECT_EQ(NormalizeICD10Code("   "), "");
    EXPECT_EQ(NormalizeICD10Code("A00.123456789012"), "A001234567890"); // at most 10 after the dot
    EXPECT_EQ(NormalizeICD10Code("頭A.5"), "頭A5");                     // 頭 takes bytes 1 and 2
    EXPECT_EQ(NormalizeICD10Code("A00.頭痛頭痛頭痛"), "A00頭痛頭痛頭"); // 10 bytes, whole characters
}

TEST(NormalizeICD9Code, insertsTheDotAfterThreeBytes) {
    EXPECT_EQ(NormalizeICD9Code("7231"), "723.1");
    EXPECT_EQ(NormalizeICD9Code("723"), "723");
    EXPECT_EQ(NormalizeICD9Code("72"), "72");
    EXPECT_EQ(NormalizeICD9Code("723.1"), "723.1");
    EXPECT_EQ(NormalizeICD9Code(" 8450 "), "845.0");
    EXPECT_EQ(NormalizeICD9Code("V0101"), "V01.01");
    // External-cause codes carry four characters before their dot.
    EXPECT_EQ(NormalizeICD9Code("E9060"), "E906.0");
    EXPECT_EQ(NormalizeICD9Code("e906.0"), "e906.0");
    EXPECT_EQ(NormalizeICD9Code("E906"), "E906");
    EXPECT_EQ(NormalizeICD9Code("E8000123456789"), "E800.0123456789");
}

TEST(NextWord, yieldsBlankSeparatedWordsOnce) {
    std::string text = "  頭痛  慢性 ";
    std::size_t pos = 1;
    std::string w;
    ASSERT_TRUE(NextWord(text, ' ', pos, w));
    EXPECT_EQ(w, "頭痛");
    ASSERT_TRUE(NextWord(text, ' ', pos, w));
    EXPECT_EQ(w, "慢性");
    EXPECT_FALSE(NextWord(text, ' ', pos, w));
    EXPECT_EQ(w, "");
    pos = 1;
    EXPECT_FALSE(NextWord("    ", ' ', pos, w));
    pos = 1;
    ASSERT_TRUE(NextWord("a\tb c", ' ', pos, w));
    EXPECT_EQ(w, "a\tb"); // tabs belong to words
    EXPECT_EQ(FirstWord("  S934  x"), "S934");
    EXPECT_EQ(FirstWord(""), "");
}
