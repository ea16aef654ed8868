#include "codes/notecodes.h"

#include <gtest/gtest.h>

using namespace codes;

namespace {

// "text as written -> first..last" for each reference, joined by "; ".
std::string Found(std::string_view text) {
    std::string out;
    for (const CodeReference& r : FindCodeReferences(text)) {
        if (!out.empty()) out += "; ";
        out += std::string(text.substr(r.begin, r.length)) + " -> " + r.first;
        if (r.isRange()) out += ".." + r.last;
    }
    return out;
}

CodeReference Ref(std::string first, std::string last = {}) {
    CodeReference r;
    r.first = first;
    r.last = last.empty() ? first : last;
    return r;
}

} // namespace

TEST(NoteCodes, findsCodesWildcardsAndRangesAsTheTabularWritesThem) {
    EXPECT_EQ(Found("sprain of ankle (S93.1-)"), "S93.1- -> S931");
    EXPECT_EQ(Found("low back pain (M54.5-), sciatica (M54.3)"), "M54.5- -> M545; M54.3 -> M543");
    EXPECT_EQ(Found("Merkel cell carcinoma (C7A.0-)"), "C7A.0- -> C7A0");
    EXPECT_EQ(Found("birth trauma (P10-P15)"), "P10-P15 -> P10..P15");
    EXPECT_EQ(Found("tinea, any type except those in B36.-"), "B36.- -> B36");
    EXPECT_EQ(Found("vertebral fracture (S12.0--S12.3-)"), "S12.0--S12.3- -> S120..S123");
    EXPECT_EQ(Found("helminthiasis (B65.0 -B83.9)"), "B65.0 -B83.9 -> B650..B839");
    EXPECT_EQ(
        Found("(I69.01-I69.11-, I69.21-I69.31-, I69.81- I69.91-)"),
        "I69.01-I69.11- -> I6901..I6911; I69.21-I69.31- -> I6921..I6931; I69.81- I69.91- -> I6981..I6991");
    EXPECT_EQ(Found("(I69. with final characters -23)"), "I69. -> I69");
    EXPECT_EQ(Found("any condition in N18 and N26 - due to hypertension"), "N18 -> N18; N26 -> N26");
    // Words that are not codes: lower case, longer words, a code shape inside a word.
    EXPECT_EQ(Found("glucose-6-phosphate dehydrogenase (G6PD) deficiency (D75.A)"), "D75.A -> D75A");
    EXPECT_EQ(Found("s93.1 XS93.1 S9 S93X1"), "");
    EXPECT_EQ(Found(""), "");
    // A reversed "range" is two codes.
    EXPECT_EQ(Found("(P15-P10)"), "P15 -> P15; P10 -> P10");
}

TEST(NoteCodes, aReferenceCoversTheCodeAndEverythingUnderIt) {
    EXPECT_TRUE(ReferenceCovers(Ref("S931"), "S93.101A"));
    EXPECT_TRUE(ReferenceCovers(Ref("S931"), "s931"));
    EXPECT_FALSE(ReferenceCovers(Ref("S931"), "S93.4"));
    EXPECT_TRUE(ReferenceCovers(Ref("M545"), "M54.50"));
    EXPECT_FALSE(ReferenceCovers(Ref("M545"), "M54")); // the header above is not named
    EXPECT_TRUE(ReferenceCovers(Ref("P10", "P15"), "P12.1"));
    EXPECT_TRUE(ReferenceCovers(Ref("P10", "P15"), "P15.9"));
    EXPECT_FALSE(ReferenceCovers(Ref("P10", "P15"), "P16"));
    EXPECT_FALSE(ReferenceCovers(Ref("P10", "P15"), "P09"));
    EXPECT_TRUE(ReferenceCovers(Ref("I052", "I059"), "I05.81"));
    EXPECT_FALSE(ReferenceCovers(Ref("I052", "I059"), "I05.1"));
    EXPECT_TRUE(ReferenceCovers(Ref("S120", "S123"), "S12.200A"));
    EXPECT_FALSE(ReferenceCovers(Ref(""), "A00"));
}
