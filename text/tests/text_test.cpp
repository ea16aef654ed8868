#include "text/text.h"

#include <gtest/gtest.h>

using namespace text;

TEST(Trim, removesBlanksAndControlsAtBothEndsOnly) {
    EXPECT_EQ(Trim("  S93.4\t"), "S93.4");
    EXPECT_EQ(Trim("\r\n頭痛 "), "頭痛");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim(" a b "), "a b");
    EXPECT_EQ(TrimLeft("  x "), "x ");
    EXPECT_EQ(TrimRight("  x \x7f"), "  x");
}

TEST(Upper, turnsOnlyAsciiLettersToUpperCase) {
    EXPECT_EQ(Upper("s93.401a"), "S93.401A");
    EXPECT_EQ(Upper("頭痛 all"), "頭痛 ALL");
    EXPECT_EQ(Upper("az`{"), "AZ`{"); // the bytes either side of a-z stay
    EXPECT_EQ(Upper('y'), 'Y');
    EXPECT_EQ(Upper('1'), '1');
    EXPECT_EQ(Upper("\xC3\xA9"), "\xC3\xA9"); // é: no byte of a UTF-8 character changes
    EXPECT_EQ(Upper(""), "");
}

TEST(Characters, splitsUtf8IntoWholeCharacters) {
    auto c = Characters("A頭B");
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[1], "頭");
    EXPECT_EQ(CharacterCount("肝系病類"), 4u);
    // A truncated sequence at the end still counts as one character, never read past the end.
    EXPECT_EQ(CharacterCount(std::string("A\xE9\xA0")), 2u);
}

TEST(Cp950Bytes, countsTwoBytesPerNonAsciiCharacter) {
    EXPECT_EQ(Cp950Length("A00"), 3u);
    EXPECT_EQ(Cp950Length("頭痛"), 4u);
    EXPECT_EQ(Cp950Length("S93 扭傷"), 8u);
    std::string big5;
    ASSERT_TRUE(ToCp950("S93 扭傷、（加害）", big5));
    EXPECT_EQ(Cp950Length("S93 扭傷、（加害）"), big5.size());
}

TEST(Cp950Cuts, neverSplitADoubleByteCharacter) {
    EXPECT_EQ(Cp950Left("頭痛欲裂", 5), "頭痛");
    EXPECT_EQ(Cp950Left("AB頭", 3), "AB");
    EXPECT_EQ(Cp950Left("ABC", 10), "ABC");
    EXPECT_EQ(Cp950Left("頭", 1), "");
    auto [head, tail] = Cp950Split("ABC頭痛", 4);
    EXPECT_EQ(head, "ABC");
    EXPECT_EQ(tail, "頭痛");
    EXPECT_EQ(Cp950Mid("S93401A", 4, 10), "401A");
    EXPECT_EQ(Cp950Mid("頭痛ABC", 3, 10), "痛ABC");
    EXPECT_EQ(Cp950Mid("頭痛ABC", 2, 10), "痛ABC"); // inside 頭: starts after it
    EXPECT_EQ(Cp950Mid("ABCDEFGHIJKLMNO", 5, 10), "EFGHIJKLMN");
}

TEST(Cp950Codec, roundTripsAndReplacesWhatItCannotRead) {
    std::string big5;
    ASSERT_TRUE(ToCp950("中醫 ICD-10", big5));
    EXPECT_EQ(big5, "\xA4\xA4\xC2\xE5 ICD-10");
    EXPECT_EQ(FromCp950(big5), "中醫 ICD-10");
    // 0xFF is no lead byte of CP950; a lone lead byte at the end neither.
    EXPECT_EQ(FromCp950("A\xFF"
                        "B"),
              "A\xEF\xBF\xBD"
              "B");
    EXPECT_EQ(FromCp950("A\xA4"), "A\xEF\xBF\xBD");
    std::string out;
    EXPECT_FALSE(ToCp950("\xF0\x9F\x98\x80", out)); // an emoji has no CP950 form
    EXPECT_EQ(out, "?");
}

TEST(Utf8, validationSpotsBrokenSequences) {
    EXPECT_TRUE(IsValidUtf8("頭痛 A"));
    EXPECT_FALSE(IsValidUtf8("\xA4\xA4"));
    EXPECT_FALSE(IsValidUtf8("\xE9\xA0"));
}
