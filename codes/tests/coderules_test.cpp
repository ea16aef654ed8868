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
    EXPECT_FALSE(IsIcd11Code("S"));
    EXPECT_FALSE(IsIcd11Code(""));
}
