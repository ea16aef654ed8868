#include "codes/coderules.h"

#include <gtest/gtest.h>

TEST(DottedICD10Code, putsTheDotAfterTheCategory_andLeavesShortOrDottedCodes) {
    EXPECT_EQ(codes::DottedICD10Code("S93401A"), "S93.401A");
    EXPECT_EQ(codes::DottedICD10Code("M545"), "M54.5");
    EXPECT_EQ(codes::DottedICD10Code("A00"), "A00");
    EXPECT_EQ(codes::DottedICD10Code("S93.4"), "S93.4");
    EXPECT_EQ(codes::DottedICD10Code(""), "");
}

TEST(IsIcd11Code, tellsChapter26CodesFromIcd10CmByTheSecondCharacter) {
    for (const char* code : {"SA00", "SA0", "SJ3Z", "sb21"})
        EXPECT_TRUE(codes::IsIcd11Code(code)) << code;
    for (const char* code : {"S934", "S93401A", "A00", "SZ1", "S", ""})
        EXPECT_FALSE(codes::IsIcd11Code(code)) << code;
}
