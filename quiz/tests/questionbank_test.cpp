#include "quiz/questionbank.h"

#include <gtest/gtest.h>

#include "quiz/tests/quiztestsupport.h"
#include "testsupport/testsupport.h"

using quiz::QuestionBank;
using quiztest::Cp950;

TEST(SplitLines, crLfAndCrLfBreakAlikeAndNulEndsTheContent) {
    using V = std::vector<std::string>;
    EXPECT_EQ(quiz::SplitLines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(quiz::SplitLines("a\n\nb\n"), (V{"a", "", "b"}));
    EXPECT_EQ(quiz::SplitLines("a\r\n"), (V{"a"}));
    EXPECT_EQ(quiz::SplitLines("\r\n"), (V{""}));
    EXPECT_EQ(quiz::SplitLines("a\n\r\nb"), (V{"a", "", "b"})); // LF then CR LF: two breaks
    EXPECT_EQ(quiz::SplitLines("a\r\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(quiz::SplitLines(""), V{});
    EXPECT_EQ(quiz::SplitLines(std::string_view("a\nb\0c\nd", 7)), (V{"a", "b"}));
    EXPECT_EQ(quiz::SplitLines(std::string_view("\0a", 2)), V{});
}

TEST(QuestionBank, crLfAndCrOnlyFilesGiveTheSameBlocks) {
    QuestionBank crlf, lf, cr;
    crlf.loadBytes(quiztest::Bank(3, "\r\n"));
    lf.loadBytes(quiztest::Bank(3, "\n"));
    cr.loadBytes(quiztest::Bank(3, "\r"));
    EXPECT_EQ(crlf.lines().size(), 18u);
    EXPECT_EQ(crlf.lines(), lf.lines());
    EXPECT_EQ(crlf.lines(), cr.lines());
    EXPECT_EQ(crlf.questionLines(), (std::vector<std::size_t>{0, 6, 12}));
    EXPECT_EQ(lf.questionLines(), crlf.questionLines());
    EXPECT_EQ(cr.questionLines(), crlf.questionLines());
}

TEST(QuestionBank, blankLinesAndRemarksBetweenBlocksAreNotQuestions) {
    std::string s =
        "題庫:第一版\r\n\r\n" + quiztest::Block("一", 1) + "\r\n\r\n# 備註\r\n" + quiztest::Block("二", 2);
    QuestionBank bank;
    bank.loadBytes(Cp950(s));
    EXPECT_EQ(bank.questionLines(), (std::vector<std::size_t>{2, 11}));
    EXPECT_EQ(bank.line(3), "A:1");
    EXPECT_EQ(bank.line(12), "A:2");
}

TEST(IsQuestionLine, matchesQOnlyWhereACharacterBegins) {
    EXPECT_TRUE(quiz::IsQuestionLine("Q:abc"));
    EXPECT_TRUE(quiz::IsQuestionLine(Cp950("問Q:題"))); // anywhere in the line, at a character start
    EXPECT_TRUE(quiz::IsQuestionLine(Cp950("3.Q:熱"))); // an answer holding Q: does start a block
    EXPECT_FALSE(quiz::IsQuestionLine("q:abc"));
    EXPECT_FALSE(quiz::IsQuestionLine("Q"));
    EXPECT_FALSE(quiz::IsQuestionLine(""));
    // 十 is A4 51 and 松 is AA 51 in Big5: their second byte is 'Q'.
    EXPECT_EQ(Cp950("十"), "\xA4\x51");
    EXPECT_FALSE(quiz::IsQuestionLine(Cp950("第十:條")));
    EXPECT_FALSE(quiz::IsQuestionLine(Cp950("2.松:針葉")));
    EXPECT_TRUE(quiz::IsQuestionLine(Cp950("十Q:")));
}

TEST(QuestionBank, aBig5CharacterEndingInQBeforeAColonStartsNoBlock) {
    // The first answer line reads 1.第十:..., whose bytes hold 0x51 ':'.
    std::string s = "Q:規則\r\nA:3\r\n1.第十:條\r\n2.乙\r\n3.丙\r\n4.丁\r\n" + quiztest::Block("二", 2);
    QuestionBank bank;
    bank.loadBytes(Cp950(s));
    EXPECT_EQ(bank.questionLines(), (std::vector<std::size_t>{0, 6}));
}

TEST(TextFromThirdByte, dropsTwoBytesAndCutsAt250WithoutSplittingACharacter) {
    EXPECT_EQ(quiz::TextFromThirdByte("Q:abc"), "abc");
    EXPECT_EQ(quiz::TextFromThirdByte("Q:"), "");
    EXPECT_EQ(quiz::TextFromThirdByte("Q"), "");
    EXPECT_EQ(quiz::TextFromThirdByte(Cp950("1.頭痛"), 3), Cp950("頭"));
    // A line that starts with one byte and then a double-byte character: the
    // character cut by the first two bytes goes whole.
    EXPECT_EQ(quiz::TextFromThirdByte(Cp950("1頭痛")), Cp950("痛"));
    // A label made of one double-byte character.
    EXPECT_EQ(quiz::TextFromThirdByte(Cp950("甲頭痛")), Cp950("頭痛"));

    // A 300-byte question: bytes 3 to 252 are shown.
    std::string ascii = "Q:" + std::string(300, 'x');
    EXPECT_EQ(quiz::TextFromThirdByte(ascii), std::string(250, 'x'));
    // Double-byte text at the cut: 'x' then 150 characters = 301 bytes; the
    // cut at 250 would fall inside the 125th character, which is left out.
    std::string wide = "Q:x";
    for (int i = 0; i < 150; ++i)
        wide += Cp950("痛");
    std::string cut = quiz::TextFromThirdByte(wide);
    EXPECT_EQ(cut.size(), 249u);
    EXPECT_EQ(text::FromCp950(cut).substr(0, 1), "x");
    EXPECT_EQ(text::CharacterCount(text::FromCp950(cut)), 125u);
}

TEST(QuestionBank, loadsAFileAndKeepsTheBankWhenTheFileCannotBeRead) {
    testsupport::TempDir dir;
    const std::string path = quiz::QuestionFilePath(dir.path().string());
    EXPECT_EQ(path, dir.file("qa.txt"));
    testsupport::WriteFile(path, quiztest::Bank(2));
    QuestionBank bank;
    bank.loadFile(path);
    EXPECT_EQ(bank.questionLines().size(), 2u);

    std::filesystem::remove(path);
    try {
        bank.loadFile(path);
        FAIL() << "a missing file must be reported";
    } catch (const quiz::QuizError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + path);
    }
    EXPECT_EQ(bank.questionLines().size(), 2u);

    // A folder with a Chinese name: paths are UTF-8.
    const std::string chinese = dir.file("中醫題庫");
    std::filesystem::create_directory(std::filesystem::path(std::u8string(chinese.begin(), chinese.end())));
    testsupport::WriteFile(std::filesystem::path(std::u8string(chinese.begin(), chinese.end())) / "qa.txt",
                           quiztest::Bank(3));
    QuestionBank other;
    other.loadFile(quiz::QuestionFilePath(chinese));
    EXPECT_EQ(other.questionLines().size(), 3u);

    std::filesystem::create_directory(path); // a folder named qa.txt
    EXPECT_THROW(bank.loadFile(path), quiz::QuizError);
    EXPECT_EQ(bank.lines().size(), 12u);
}

TEST(QuestionBank, lineOutsideTheBankIsReportedWithItsNumber) {
    QuestionBank bank;
    bank.loadBytes("Q:a\r\nA:1\r\n");
    EXPECT_EQ(bank.line(1), "A:1");
    try {
        bank.line(2);
        FAIL();
    } catch (const quiz::QuizError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }
}

TEST(QuestionBank, anExplanationIsTheELineRightAfterTheFourthAnswerAndMovesNoBlock) {
    // Block one explains itself; block two has a remark where the explanation
    // would be; block three ends the file with its explanation.
    const std::string s = quiztest::Block("一", 1) + "E:S93.4 踝扭傷 ＞ S93.40\r\n" +
                          quiztest::Block("二", 2) + "# 備註\r\n" + quiztest::Block("三", 3) + "E:最後一題";
    QuestionBank bank;
    bank.loadBytes(Cp950(s));
    EXPECT_EQ(bank.questionLines(), (std::vector<std::size_t>{0, 7, 14}));
    EXPECT_EQ(text::FromCp950(bank.explanation(0)), "S93.4 踝扭傷 ＞ S93.40");
    EXPECT_EQ(bank.explanation(7), "");
    EXPECT_EQ(text::FromCp950(bank.explanation(14)), "最後一題");
    EXPECT_EQ(bank.explanation(99), "");
    EXPECT_TRUE(quiz::CheckBank(bank).empty());

    // The blocks are the same lines as in the bank without explanations: a
    // reader of six-line blocks skips the E: lines as remarks.
    QuestionBank plain;
    plain.loadBytes(
        Cp950(quiztest::Block("一", 1) + quiztest::Block("二", 2) + "# 備註\r\n" + quiztest::Block("三", 3)));
    for (std::size_t q = 0; q < 3; ++q)
        for (std::size_t n = 0; n < 6; ++n)
            EXPECT_EQ(bank.line(bank.questionLines()[q] + n), plain.line(plain.questionLines()[q] + n));

    EXPECT_TRUE(quiz::IsExplanationLine("E:x"));
    EXPECT_TRUE(quiz::IsExplanationLine("E:"));
    EXPECT_FALSE(quiz::IsExplanationLine("e:x"));
    EXPECT_FALSE(quiz::IsExplanationLine(" E:x"));
    EXPECT_FALSE(quiz::IsExplanationLine("E:見 Q:3")); // a question line starts a block instead
}

TEST(CheckBank, anExplanationAwayFromAFourthAnswerIsNamedButAnAnswerLabelledEIsNot) {
    const std::string s = "E:題外的說明\r\n" + quiztest::Block("一", 1) + "\r\nE:隔了一行\r\n" +
                          "Q:標籤\r\nA:1\r\nE:答案一\r\n2.乙\r\n3.丙\r\n4.丁\r\nE:說明\r\n";
    QuestionBank bank;
    bank.loadBytes(Cp950(s));
    EXPECT_EQ(quiz::CheckBank(bank), (std::vector<std::string>{
                                         "第 1 行: 說明行 (\"E:\") 必須緊接在一題的第四個選項之後",
                                         "第 9 行: 說明行 (\"E:\") 必須緊接在一題的第四個選項之後",
                                     }));
    EXPECT_EQ(text::FromCp950(bank.explanation(9)), "說明");
}
