#include "codes/coderules.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace codes;
using V = std::vector<std::string>;

TEST(DottedICD10Code, putsTheDotAfterTheCategory_andLeavesShortOrDottedCodes) {
    EXPECT_EQ(DottedICD10Code("S93401A"), "S93.401A");
    EXPECT_EQ(DottedICD10Code("M545"), "M54.5");
    EXPECT_EQ(DottedICD10Code("A00"), "A00");
    EXPECT_EQ(DottedICD10Code("S93.4"), "S93.4");
    EXPECT_EQ(DottedICD10Code(""), "");
}

TEST(DottedCode, dotsIcd10AfterTheCategoryAndIcd11AfterItsFourthCharacter) {
    EXPECT_EQ(DottedCode("S93401A"), "S93.401A");
    EXPECT_EQ(DottedCode("A00"), "A00");
    EXPECT_EQ(DottedCode("SB060"), "SB06.0");
    EXPECT_EQ(DottedCode("SB06Z"), "SB06.Z");
    EXPECT_EQ(DottedCode("SA00"), "SA00");
    EXPECT_EQ(DottedCode("SB06.0"), "SB06.0");
}

TEST(CodeShape, storedAndWrittenIcd10CmAndStoredIcd11) {
    EXPECT_TRUE(IsStoredICD10Code("S93401A"));
    EXPECT_TRUE(IsStoredICD10Code("C7A0"));
    EXPECT_TRUE(IsStoredICD10Code("A00"));
    EXPECT_FALSE(IsStoredICD10Code("S93.401A"));
    EXPECT_FALSE(IsStoredICD10Code("s93401a"));
    EXPECT_FALSE(IsStoredICD10Code("A0"));
    EXPECT_FALSE(IsStoredICD10Code("S934011A"));
    EXPECT_FALSE(IsStoredICD10Code("SA00"));
    EXPECT_FALSE(IsStoredICD10Code("900"));
    EXPECT_TRUE(IsWrittenICD10Code("S93.401A"));
    EXPECT_TRUE(IsWrittenICD10Code("C7A.0"));
    EXPECT_TRUE(IsWrittenICD10Code("A00"));
    EXPECT_FALSE(IsWrittenICD10Code("S93401A"));
    EXPECT_FALSE(IsWrittenICD10Code("S93."));
    EXPECT_FALSE(IsWrittenICD10Code("S93.4.1"));
    EXPECT_FALSE(IsWrittenICD10Code("s93.4"));
    EXPECT_FALSE(IsWrittenICD10Code("S93.40123")); // five after the dot: eight characters stored
    EXPECT_TRUE(IsStoredIcd11Code("SA00"));
    EXPECT_TRUE(IsStoredIcd11Code("SB060"));
    EXPECT_TRUE(IsStoredIcd11Code("SJ3Z"));
    EXPECT_FALSE(IsStoredIcd11Code("sa00"));
    EXPECT_FALSE(IsStoredIcd11Code("SA0"));
    EXPECT_FALSE(IsStoredIcd11Code("SA00.0"));
    EXPECT_FALSE(IsStoredIcd11Code("S930"));
    // Every shape the stored check takes, written and keyed back, is the same code.
    for (const char* stored : {"S93401A", "C7A0", "A00", "W08XXXD"}) {
        EXPECT_TRUE(IsWrittenICD10Code(DottedICD10Code(stored))) << stored;
        EXPECT_EQ(CodeKey(DottedICD10Code(stored)), stored);
    }
}

TEST(CodeKey, dropsEveryDotAndUpperCasesLetters) {
    EXPECT_EQ(CodeKey("S93.401A"), "S93401A");
    EXPECT_EQ(CodeKey("c7a.0"), "C7A0");
    EXPECT_EQ(CodeKey("SB06.0"), "SB060");
    EXPECT_EQ(CodeKey("A00"), "A00");
    EXPECT_EQ(CodeKey(" a.b-頭 "), " AB-頭 "); // nothing but dots and case changes
}

TEST(LookupKey, dropsAnIndexsTrailingDashAndKeepsASectionsRange) {
    EXPECT_EQ(LookupKey("s93.401a"), "S93401A");
    EXPECT_EQ(LookupKey("S93.40-"), "S9340");
    EXPECT_EQ(LookupKey("I69."), "I69");
    EXPECT_EQ(LookupKey(" 19 "), "19");
    EXPECT_EQ(LookupKey("s90 - s99"), "S90-S99");
    EXPECT_EQ(LookupKey("-"), "");
    EXPECT_EQ(LookupKey("B36.-"), "B36");                 // the index's ".-"
    EXPECT_EQ(LookupKey("\tS90.1-S99\r\n"), "S90.1-S99"); // a range keeps its dots
}

TEST(TypedPrefixKey, refusesAnythingButLettersDigitsAndDotsOrMoreThanSeven) {
    EXPECT_EQ(TypedPrefixKey(" s93.4 "), "S934");
    EXPECT_EQ(TypedPrefixKey("S93.401A"), "S93401A");
    EXPECT_EQ(TypedPrefixKey("S9#"), "");
    EXPECT_EQ(TypedPrefixKey("S93 4"), "");
    EXPECT_EQ(TypedPrefixKey("S934011A"), "");
    EXPECT_EQ(TypedPrefixKey("S93.4011A"), "");            // seven is counted without the dot...
    EXPECT_EQ(TypedPrefixKey("S.9.3.4.0.1.A"), "S93401A"); // ...wherever the dots are
    EXPECT_EQ(TypedPrefixKey("頭"), "");
}

TEST(LettersAndDigits, keepsDigitsAndLettersInUpperCase) {
    EXPECT_EQ(LettersAndDigits("A00.0"), "A000");
    EXPECT_EQ(LettersAndDigits("s52.521a"), "S52521A");
    EXPECT_EQ(LettersAndDigits(" M25.5 \t"), "M255");
    EXPECT_EQ(LettersAndDigits("頭A-1"), "A1");
    EXPECT_EQ(LettersAndDigits(""), "");
}

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
    EXPECT_EQ(NormalizeICD9Code("0010"), "001.0");
    EXPECT_EQ(NormalizeICD9Code("042"), "042");
    EXPECT_EQ(NormalizeICD9Code("E8000"), "E800.0");
    // External-cause codes carry four characters before their dot.
    EXPECT_EQ(NormalizeICD9Code("E9060"), "E906.0");
    EXPECT_EQ(NormalizeICD9Code("e906.0"), "e906.0");
    EXPECT_EQ(NormalizeICD9Code("E906"), "E906");
    EXPECT_EQ(NormalizeICD9Code("E8000123456789"), "E800.0123456789");
}

TEST(Episode, everySeventhCharacterOfTheEditionBelongsToExactlyOneEpisode) {
    const std::string all = "ABCDEFGHJKMNPQRS";
    std::string seen;
    for (Episode e : {Episode::Initial, Episode::Subsequent, Episode::Sequela})
        for (char c : SeventhCharactersOf(e)) {
            EXPECT_EQ(EpisodeOfSeventh(c), e) << c;
            seen += c;
        }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, all);
    EXPECT_EQ(SeventhCharactersOf(Episode::Initial), "ABC");
    EXPECT_EQ(SeventhCharactersOf(Episode::Subsequent), "DEFGHJKMNPQR");
    EXPECT_EQ(SeventhCharactersOf(Episode::Sequela), "S");
    EXPECT_EQ(SeventhCharactersOf(Episode::None), "");
    // Placeholders, digits, letters the edition skips and lower case name none.
    for (char c : std::string("XILOTUZ0a\0", 10))
        EXPECT_EQ(EpisodeOfSeventh(c), Episode::None) << int(c);
}

TEST(Episode, theEditionsCharactersThePlainOnesAndALetterInSeventhPlace) {
    EXPECT_EQ(EpisodeSeventhCharacters(), "ABCDEFGHJKMNPQRS");
    EXPECT_TRUE(IsPlainEpisode('A'));
    EXPECT_TRUE(IsPlainEpisode('D'));
    EXPECT_TRUE(IsPlainEpisode('S'));
    EXPECT_FALSE(IsPlainEpisode('B'));
    EXPECT_FALSE(IsPlainEpisode('K'));
    EXPECT_FALSE(IsPlainEpisode('a'));
    std::string plain;
    for (char c : EpisodeSeventhCharacters())
        if (IsPlainEpisode(c)) plain += c;
    EXPECT_EQ(plain, "ADS"); // one for each episode, none besides
    EXPECT_TRUE(HasEpisodeSeventh("S93401A"));
    EXPECT_TRUE(HasEpisodeSeventh("S52521K"));
    EXPECT_TRUE(HasEpisodeSeventh("t1501xa"));
    EXPECT_FALSE(HasEpisodeSeventh("O3101X1"));
    EXPECT_FALSE(HasEpisodeSeventh("S9340"));
    EXPECT_FALSE(HasEpisodeSeventh("S93401AZ")); // eight characters: no seventh at the end
}

TEST(EpisodeVariants, onlyThePlainEpisodesStandForAllThree) {
    EXPECT_EQ(EpisodeVariants("S93401A"), (V{"S93401A", "S93401D", "S93401S"}));
    EXPECT_EQ(EpisodeVariants("S93401S"), (V{"S93401A", "S93401D", "S93401S"}));
    EXPECT_EQ(EpisodeVariants("S52509B"), V{"S52509B"}); // an open fracture is no closed one
    EXPECT_EQ(EpisodeVariants("S52521K"), V{"S52521K"});
    EXPECT_EQ(EpisodeVariants("O300011"), V{"O300011"});
    EXPECT_EQ(EpisodeVariants("M2551"), V{"M2551"});
    EXPECT_EQ(EpisodeVariants("S9340A"), V{"S9340A"}); // six characters: no seventh
}

TEST(IsIcd11Code, traditionalMedicineCodesHaveALetterInSecondPlace) {
    EXPECT_TRUE(IsIcd11Code("SA00"));
    EXPECT_TRUE(IsIcd11Code("SJ3Z"));
    EXPECT_TRUE(IsIcd11Code("sf57"));
    EXPECT_TRUE(IsIcd11Code("SA0"));
    EXPECT_FALSE(IsIcd11Code("S93401A"));
    EXPECT_FALSE(IsIcd11Code("T07"));
    EXPECT_TRUE(IsIcd11Code("sb21"));
    EXPECT_FALSE(IsIcd11Code("S934"));
    EXPECT_FALSE(IsIcd11Code("A00"));
    EXPECT_FALSE(IsIcd11Code("SZ1")); // past the chapter's last block SJ3
    EXPECT_FALSE(IsIcd11Code("S"));
    EXPECT_FALSE(IsIcd11Code(""));
    // Dotted or not; a bare block prefix, as a typed range bound gives it.
    EXPECT_TRUE(IsIcd11Code("SB06.0"));
    EXPECT_TRUE(IsIcd11Code("SB060"));
    EXPECT_TRUE(IsIcd11Code("SA"));
    EXPECT_TRUE(IsIcd11Code("sj"));
    // ICD-11 letters skip I and O; its third character is always a digit.
    EXPECT_FALSE(IsIcd11Code("SI00"));
    EXPECT_FALSE(IsIcd11Code("SO00"));
    EXPECT_FALSE(IsIcd11Code("SAB"));
    EXPECT_FALSE(IsIcd11Code("S9A"));
}

TEST(WrittenCode, icd10CmCodesGetTheirDot_othersStayAsTheyAre) {
    EXPECT_EQ(WrittenCode("S93401A"), "S93.401A");
    EXPECT_EQ(WrittenCode("SA00"), "SA00");
    EXPECT_EQ(WrittenCode("A00-A09"), "A00-A09");
    EXPECT_EQ(WrittenCode("A00"), "A00");
    EXPECT_EQ(WrittenCode(""), "");
}

TEST(SeventhCharacter, fillsThePlaceholderAndFindsTheStemsBack) {
    EXPECT_EQ(WithSeventhCharacter("S93401", 'A'), "S93401A");
    EXPECT_EQ(WithSeventhCharacter("T1501", 'A'), "T1501XA");
    EXPECT_EQ(WithSeventhCharacter("W08", 'D'), "W08XXXD");
    EXPECT_EQ(WithSeventhCharacter("S0600", 'A'), "S0600XA");
    EXPECT_EQ(WithSeventhCharacter("S93401A", 'A'), "");
    EXPECT_EQ(SeventhCharacterStems("S93401A"), V({"S93401"}));
    EXPECT_EQ(SeventhCharacterStems("S93.401a"), V({"S93401"}));
    EXPECT_EQ(SeventhCharacterStems("T15.01XA"), V({"T1501X", "T1501"}));
    EXPECT_EQ(SeventhCharacterStems("W08XXXD"), V({"W08XXX", "W08XX", "W08X", "W08"}));
    EXPECT_EQ(SeventhCharacterStems("T360X1A"), V({"T360X1"})); // an X inside the code stays
    EXPECT_EQ(SeventhCharacterStems("M5450"), V{});
    // Every stem put back together gives the code again.
    for (const char* code : {"S93401A", "T1501XA", "W08XXXD"}) {
        const V stems = SeventhCharacterStems(code);
        EXPECT_EQ(WithSeventhCharacter(stems.back(), code[6]), code);
    }
}
