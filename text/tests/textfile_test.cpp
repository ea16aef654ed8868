#include "text/textfile.h"

#include <gtest/gtest.h>

#include "text/text.h"

using namespace text;

namespace {

const std::string Names =
    "A00,霍亂\r\nA00.0,霍亂，由於O1型霍亂弧菌霍亂生物型\r\nS93.401A,右側踝韌帶扭傷，初期照護\r\n"
    "M54.50,下背痛，未明示\r\nR51.9,頭痛，未明示\r\n";

std::string Big5(const std::string& utf8) {
    std::string out;
    EXPECT_TRUE(ToCp950(utf8, out)) << utf8;
    return out;
}

} // namespace

TEST(TextFile, readsUtf8WithOrWithoutItsMarkAndBig5) {
    for (const std::string& bytes : {Names, "\xEF\xBB\xBF" + Names}) {
        const DecodedText d = DecodeTextFile(bytes);
        EXPECT_FALSE(d.fault) << d.fault.what;
        EXPECT_EQ(d.encoding, TextEncoding::Utf8);
        EXPECT_EQ(d.utf8, Names);
    }
    // Big5 text holds well-formed UTF-8 sequences by chance; it is still Big5.
    const DecodedText d = DecodeTextFile(Big5(Names));
    EXPECT_FALSE(d.fault) << d.fault.what;
    EXPECT_EQ(d.encoding, TextEncoding::Cp950);
    EXPECT_EQ(d.utf8, Names);
    EXPECT_FALSE(DecodeTextFile("").fault);
}

TEST(TextFile, bytesThatAreNotTextAreAFaultWithTheirLineAndColumn) {
    struct Case {
        const char* name;
        std::string bytes;
        std::size_t line, column;
        const char* says;
    };
    const std::string big5Name = Big5("踝扭傷");
    const Case cases[] = {
        // UTF-8 with a name typed in Big5: with the mark, and without it (mostly UTF-8).
        {"marked UTF-8 with Big5 bytes", "\xEF\xBB\xBF" + Names + "S93.4," + big5Name + "\r\n", 6, 7,
         "UTF-8"},
        {"UTF-8 with Big5 bytes", Names + "S93.4," + big5Name + "\r\n" + Names, 6, 7, "UTF-8"},
        // A download cut inside a character.
        {"UTF-8 cut short", Names + "R51,頭" + std::string("\xE7\x97"), 6, 8, "UTF-8"},
        {"overlong UTF-8",
         "\xEF\xBB\xBF"
         "A,\xC0\xAF\n",
         1, 3, "UTF-8"},
        // Big5 with a lead byte before a comma, a byte no pair starts with, a lead byte at the end.
        {"Big5 lead byte before a comma", Big5(Names) + "A01,\xA4,x\r\n", 6, 5, "Big5"},
        {"Big5 with 0x80", Big5(Names) + "\n\nA01,\x80\n", 8, 5, "Big5"},
        {"Big5 cut short", Big5(Names) + "A01," + big5Name.substr(0, 3), 6, 7, "Big5"},
        // Zeros where the rest of a download should be, in either encoding.
        {"UTF-8 filled with zeros", Names + std::string(64, '\0'), 6, 1, "NUL"},
        {"Big5 filled with zeros", Big5(Names) + "A01" + std::string(64, '\0'), 6, 4, "NUL"},
        {"UTF-16",
         "\xFF\xFE"
         "A\0"
         "0\0",
         1, 1, "UTF-16"},
        // Lines end at LF, CR LF or a lone CR.
        {"lone CR",
         "\xEF\xBB\xBF"
         "a\rb\r\nc\nd\xE9",
         4, 2, "UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedText d = DecodeTextFile(c.bytes);
        ASSERT_TRUE(d.fault);
        EXPECT_EQ(d.fault.line, c.line);
        EXPECT_EQ(d.fault.column, c.column);
        EXPECT_NE(d.fault.what.find(c.says), std::string::npos) << d.fault.what;
        EXPECT_TRUE(IsValidUtf8(d.fault.what))
            << "the message shows the bytes in hexadecimal, not as they are";
        EXPECT_TRUE(d.utf8.empty());
    }
    EXPECT_NE(DecodeTextFile(Big5(Names) + "A01,\xA4,x").fault.what.find("（A4 2C 78）"), std::string::npos);
}

TEST(TextFile, oneUtf8LineIsCheckedTheSameWay) {
    EXPECT_FALSE(CheckUtf8Line("SA00\tdisorder\t脅痛"));
    const TextFault f = CheckUtf8Line("SA00\t" + Big5("脅痛"));
    EXPECT_EQ(f.line, 1u);
    EXPECT_EQ(f.column, 6u);
    EXPECT_EQ(CheckUtf8Line(std::string("A00\0", 4)).column, 4u);
}

TEST(Utf8, wellFormedMeansNoOverlongFormSurrogateOrCodePointBeyondTheLast) {
    EXPECT_TRUE(IsValidUtf8("頭痛 A \xF0\xAF\xA0\x80 \xF4\x8F\xBF\xBF \xED\x9F\xBF"));
    for (const char* bad : {"\xC0\x80", "\xC1\xBF", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xF0\x8F\xBF\xBF",
                            "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF"})
        EXPECT_EQ(FirstInvalidUtf8(std::string("ok") + bad), 2u) << bad;
    EXPECT_EQ(Utf8SequenceAt("頭", 0), 3u);
    EXPECT_EQ(Utf8SequenceAt("\xE9\xA0", 0), 0u);
}
