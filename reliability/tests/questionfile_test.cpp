// Question files that are missing, empty, binary, not valid CP950, with any
// line ends, with blocks cut short or keys without a digit: the quiz reads what
// it can, reports the rest as a message, and never crashes or reads past the
// bank.
#include <gtest/gtest.h>

#include "quiz/questionbank.h"
#include "quiz/session.h"
#include "testsupport/testsupport.h"
#include "text/text.h"

namespace {

class FixedRandom : public quiz::RandomSource {
public:
    void seedFromTimeOfDay() override {}
    int below(int) override { return 0; } // keeps the file order
};

std::string Big5(const std::string& utf8) {
    std::string out;
    EXPECT_TRUE(text::ToCp950(utf8, out)) << utf8;
    return out;
}

std::string Block(int n, int key) {
    const std::string s = std::to_string(n);
    return "Q:第" + s + "題\nA:" + std::to_string(key) + "\n1.甲" + s + "\n2.乙" + s + "\n3.丙" + s +
           "\n4.丁" + s + "\n";
}

// Runs a whole quiz answering 1 everywhere; returns the report or the message.
std::string RunQuiz(quiz::QuizSession& s) {
    std::string out;
    for (int guard = 0; guard < 100 && s.length() > 0 && !s.reportShown(); ++guard) {
        try {
            out += s.question().question + "\n";
        } catch (const quiz::QuizError& e) {
            return "error: " + std::string(e.what());
        }
        s.answer(1);
    }
    if (!s.reportShown()) return out + "no report";
    try {
        return out + s.report().verdictLine;
    } catch (const quiz::QuizError& e) {
        return "error: " + std::string(e.what());
    }
}

class QuestionFileTest : public ::testing::Test {
protected:
    quiz::QuizSession session(const std::string& bytes) {
        testsupport::WriteFile(path, bytes);
        quiz::QuizSession s(random);
        s.startNewQuiz(path);
        return s;
    }
    testsupport::TempDir dir;
    std::string path = dir.file("qa.txt");
    FixedRandom random;
};

} // namespace

TEST_F(QuestionFileTest, missingFile_saysWhichFile_andKeepsTheRunningQuiz) {
    quiz::QuizSession s = session(Big5(Block(1, 2)));
    s.answer(2);
    ASSERT_TRUE(s.reportShown());
    const std::string missing = dir.file("nothere.txt");
    try {
        s.startNewQuiz(missing);
        FAIL() << "a missing file was read";
    } catch (const quiz::QuizError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file " + missing);
    }
    // A folder in the file's place is the same fault.
    EXPECT_THROW(s.startNewQuiz(dir.path().string()), quiz::QuizError);
    EXPECT_TRUE(s.reportShown());
    EXPECT_EQ(s.report().rightCount, 1);
}

TEST_F(QuestionFileTest, emptyFile_asksNothing_andEveryStepIsHarmless) {
    quiz::QuizSession s = session("");
    EXPECT_EQ(s.length(), 0);
    try {
        (void)s.question();
        FAIL() << "an empty bank gave a question";
    } catch (const quiz::QuizError& e) {
        EXPECT_EQ(std::string(e.what()), "List index out of bounds (0)");
    }
    s.answer(1);
    s.previous();
    EXPECT_FALSE(s.reportShown());
    EXPECT_EQ(s.current(), 1);
}

TEST_F(QuestionFileTest, binaryFile_givesAMessageNotACrash) {
    std::string bytes;
    for (int i = 0; i < 70000; ++i)
        bytes += static_cast<char>((i * 131 + (i >> 7)) & 0xFF);
    bytes += "\nQ:\xFF\xFF\n\x00\x01";
    quiz::QuizSession s = session(bytes);
    const std::string outcome = RunQuiz(s);
    EXPECT_FALSE(outcome.empty());
    EXPECT_TRUE(text::IsValidUtf8(outcome));
}

TEST_F(QuestionFileTest, invalidCp950_isShownWithReplacementCharacters) {
    // A lone lead byte, a lead byte with a bad trail, a byte never used in Big5.
    quiz::QuizSession s = session("Q:\xA4\nA:1\n1.\xA4\x20x\n2.\x80y\n3.\xFF\n4.\xA4\xA4\xA4\n");
    ASSERT_EQ(s.length(), 1);
    const quiz::QuestionScreen q = s.question();
    EXPECT_TRUE(text::IsValidUtf8(q.question));
    for (const auto& a : q.answers)
        EXPECT_TRUE(text::IsValidUtf8(a)) << a;
    s.answer(1);
    EXPECT_EQ(s.report().rightCount, 1);
}

TEST_F(QuestionFileTest, lineEnds_crOnlyLfOnlyCrLfAndMixed_giveTheSameQuiz) {
    const std::string lf = Big5(Block(1, 1) + "\n" + Block(2, 2) + Block(3, 3));
    auto with = [&](const std::string& end) {
        std::string out;
        for (char c : lf)
            out += c == '\n' ? end : std::string(1, c);
        return out;
    };
    std::string mixed;
    int i = 0;
    for (char c : lf)
        mixed += c == '\n' ? std::string(++i % 3 == 0 ? "\r"
                                         : i % 3 == 1 ? "\r\n"
                                                      : "\n")
                           : std::string(1, c);
    quiz::QuizSession reference = session(lf);
    const std::string expected = RunQuiz(reference);
    EXPECT_NE(expected.find("問題3/3"), std::string::npos) << expected;
    for (const std::string& bytes : {with("\r"), with("\r\n"), mixed}) {
        quiz::QuizSession s = session(bytes);
        EXPECT_EQ(s.length(), 3);
        EXPECT_EQ(RunQuiz(s), expected);
    }
}

TEST_F(QuestionFileTest, blockCutShortAtTheEnd_showsTheBoundsMessage_andTheEarlierQuestionsStillWork) {
    quiz::QuizSession s = session(Big5(Block(1, 1) + "Q:第二題\nA:2\n1.甲\n"));
    ASSERT_EQ(s.length(), 2);
    EXPECT_NO_THROW(s.question());
    s.answer(1);
    try {
        (void)s.question();
        FAIL() << "a cut block was shown";
    } catch (const quiz::QuizError& e) {
        EXPECT_EQ(std::string(e.what()), "List index out of bounds (9)");
    }
    s.answer(1);
    ASSERT_TRUE(s.reportShown());
    EXPECT_THROW(s.report(), quiz::QuizError);
    // Going back to the first question works.
    s.previous();
    EXPECT_NO_THROW(s.question());
}

TEST_F(QuestionFileTest, keyWithoutDigit_failsTheReportWithTheConversionMessage) {
    for (const auto& [key, shown] : std::vector<std::pair<std::string, std::string>>{
             {"A:x", "x"}, {"A:", ""}, {"A:5", "5"}, {"A:0", "0"}, {"A: 1", " "}}) {
        quiz::QuizSession s = session(Big5("Q:題\n" + key + "\n1.甲\n2.乙\n3.丙\n4.丁\n"));
        ASSERT_EQ(s.length(), 1) << key;
        EXPECT_NO_THROW(s.question()) << key;
        s.answer(1);
        try {
            s.report();
            FAIL() << "a report over the key " << key;
        } catch (const quiz::QuizError& e) {
            EXPECT_EQ(std::string(e.what()), "'" + shown + "' is not a valid integer value") << key;
        }
    }
}

TEST_F(QuestionFileTest, checkBank_namesEveryFaultOfABadFile) {
    quiz::QuestionBank bank;
    bank.loadBytes(Big5(Block(1, 1) + "Q:第二題\nA:x\n1.甲\n2.\n3.丙\n") + "Q:第三題\n");
    const auto faults = quiz::CheckBank(bank);
    EXPECT_GE(faults.size(), 3u);
    for (const auto& f : faults)
        EXPECT_TRUE(text::IsValidUtf8(f)) << f;
}

TEST_F(QuestionFileTest, hugeQuestionAndAnswerLines_areCutToTheLabelBudget) {
    const std::string longLine(20000, 'x');
    std::string big = "Q:" + longLine + "\nA:1\n";
    for (int a = 1; a <= 4; ++a)
        big += std::to_string(a) + "." + Big5(std::string(5000, 'y') + "頭痛") + "\n";
    quiz::QuizSession s = session(big);
    const quiz::QuestionScreen q = s.question();
    EXPECT_LE(q.question.size(), 300u);
    for (const auto& a : q.answers)
        EXPECT_LE(a.size(), 250u);
    EXPECT_EQ(q.questionFontSize, 14);
}

TEST_F(QuestionFileTest, hostileExplanations_areReadWholeAndSafely_andNeverMoveABlock) {
    // A huge explanation, one that is not valid CP950, one cut by a NUL and a
    // stray one: the blocks are those of the bank without them.
    const std::string huge = "E:" + std::string(1 << 20, 'z') + "\n";
    const std::string bytes = Big5(Block(1, 1)) + huge + Big5(Block(2, 2)) + "E:\xFF\x80\xA4\n" +
                              "E:stray\n" + Big5(Block(3, 3)) + std::string("E:cut\0after\n", 12);
    quiz::QuizSession s = session(bytes);
    s.setWholeBank(true);
    s.setPractice(true);
    s.startNewQuiz(path);
    ASSERT_EQ(s.length(), 3);
    EXPECT_EQ(s.bank().explanation(s.order()[0]).size(), std::size_t{1} << 20);
    EXPECT_FALSE(quiz::CheckBank(s.bank()).empty()); // the stray line is named
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(s.question().question, "問題" + std::to_string(k) + "/3\r\n第" + std::to_string(k) + "題");
        s.answer(4); // wrong everywhere
        const quiz::Feedback f = s.feedback();
        EXPECT_FALSE(f.right);
        for (const std::string& line : f.lines)
            EXPECT_TRUE(text::IsValidUtf8(line));
        s.proceed();
    }
    ASSERT_TRUE(s.reportShown());
    const quiz::Report r = s.report();
    EXPECT_TRUE(text::IsValidUtf8(r.text()));
    EXPECT_EQ(r.wrongCount, 3);
    EXPECT_NE(r.text().find("說明:cut\r\n"), std::string::npos); // the NUL ends the file
}
