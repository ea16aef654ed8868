#include "codes/coderules.h"

#include <gtest/gtest.h>

TEST(DottedICD10Code, putsTheDotAfterTheCategory_andLeavesShortOrDottedCodes) {
    EXPECT_EQ(codes::DottedICD10Code("S93401A"), "S93.401A");
    EXPECT_EQ(codes::DottedICD10Code("M545"), "M54.5");
    EXPECT_EQ(codes::DottedICD10Code("A00"), "A00");
    EXPECT_EQ(codes::DottedICD10Code("S93.4"), "S93.4");
    EXPECT_EQ(codes::DottedICD10Code(""), "");
}
