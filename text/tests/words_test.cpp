#include "text/words.h"

#include <gtest/gtest.h>

using namespace text;

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
