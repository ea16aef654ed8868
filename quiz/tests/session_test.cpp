#include "quiz/session.h"

#include <algorithm>
#include <gtest/gtest.h>

#include "quiz/tests/quiztestsupport.h"
#include "testsupport/testsupport.h"

using quiz::QuizSession;
using quiztest::Cp950;
using quiztest::ScriptedRandom;

namespace {

using Lines = std::vector<std::string>;

// The key of the question asked at position k of a bank built by quiztest::Bank.
int KeyAt(const QuizSession& s, int k) {
    const std::string& key = s.bank().line(s.order()[static_cast<std::size_t>(k - 1)] + 1);
    return key[2] - '0';
}

// Answers every position, rightly except at the listed positions.
void AnswerAll(QuizSession& s, std::vector<int> wrongAt = {}) {
    for (int k = 1; k <= s.length(); ++k) {
        int key = KeyAt(s, k);
        bool wrong = std::find(wrongAt.begin(), wrongAt.end(), k) != wrongAt.end();
        s.answer(wrong ? key % 4 + 1 : key);
    }
}

std::vector<std::size_t> FileOrder(std::size_t n) {
    std::vector<std::size_t> v;
    for (std::size_t i = 0; i < n; ++i)
        v.push_back(i * 6);
    return v;
}

} // namespace

TEST(QuizSession, workedThreeQuestionLayoutWithQuestionTwoWrong) {
    ScriptedRandom random;
    QuizSession s(random);
    s.setWholeBank(true);
    s.startNewQuizFromBytes(quiztest::Bank(3)); // keys 1, 2, 3
    s.answer(1);
    s.answer(4);
    ASSERT_FALSE(s.reportShown());
    s.answer(3);
    ASSERT_TRUE(s.reportShown());
    EXPECT_EQ(s.current(), 3);

    quiz::Report r = s.report();
    const Lines expected = {
        "答對2題",
        "答錯1題",
        "★★★答題錯誤列表★★★",
        "問題2:題2",
        "1.題2甲",
        "2.題2乙",
        "3.題2丙",
        "4.題2丁",
        "答錯,您回答:4.題2丁",
        "正確答案應為:2.題2乙",
        "----------------------------------",
        "",
        "★★★正確答題列表★★★",
        "問題1:題1",
        "1.題1甲",
        "2.題1乙",
        "3.題1丙",
        "4.題1丁",
        "答對:1.題1甲",
        "----------------------------------",
        "問題3:題3",
        "1.題3甲",
        "2.題3乙",
        "3.題3丙",
        "4.題3丁",
        "答對:3.題3丙",
        "----------------------------------",
    };
    EXPECT_EQ(r.lines, expected);
    EXPECT_EQ(r.score, 67);
    EXPECT_EQ(r.verdictLine, "您可以再更好喔,評量分數為:67分");
    EXPECT_EQ(r.text().substr(0, 24), "答對2題\r\n答錯1題\r\n");
    EXPECT_EQ(r.text().substr(r.text().size() - 36), "----------------------------------\r\n");
}

TEST(QuizSession, tenQuestionsAllRightAndAllWrong) {
    ScriptedRandom random;
    QuizSession s(random);
    s.startNewQuizFromBytes(quiztest::Bank(12));
    ASSERT_EQ(s.length(), 10);
    AnswerAll(s);
    quiz::Report right = s.report();
    EXPECT_EQ(right.lines.front(), "10題全部答對");
    EXPECT_EQ(right.lines[1], "★★★正確答題列表★★★");
    EXPECT_EQ(right.lines.size(), 2u + 10u * 7u);
    EXPECT_EQ(std::count(right.lines.begin(), right.lines.end(), "★★★答題錯誤列表★★★"), 0);
    EXPECT_EQ(right.verdictLine, "恭喜滿分,您真是高手,評量分數為:100分");

    s.startNewQuizFromBytes(quiztest::Bank(12));
    AnswerAll(s, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    quiz::Report wrong = s.report();
    EXPECT_EQ(wrong.lines.front(), "10題全部答錯");
    EXPECT_EQ(wrong.lines[1], "★★★答題錯誤列表★★★");
    EXPECT_EQ(wrong.lines.size(), 1u + 1u + 10u * 8u + 1u + 1u);
    EXPECT_EQ(wrong.lines[wrong.lines.size() - 2], "");
    EXPECT_EQ(wrong.lines.back(), "★★★正確答題列表★★★");
    EXPECT_EQ(wrong.score, 0);
    EXPECT_EQ(wrong.verdictLine, "能夠全軍覆漠也真不簡單,評量分數為:0分");
}

TEST(QuizSession, scoreIsTheShareOfRightAnswersRoundedToAWholeNumber) {
    struct Case {
        int bank;
        std::vector<int> wrongAt;
        int score;
        const char* verdict;
    };
    std::vector<int> all58(58);
    for (int i = 0; i < 58; ++i)
        all58[static_cast<std::size_t>(i)] = i + 1;
    const Case cases[] = {
        {3, {2}, 67, "您可以再更好喔"},
        {3, {1, 3}, 33, "您真的需要再加強"},
        {3, {1, 2, 3}, 0, "能夠全軍覆漠也真不簡單"},
        {7, {1, 2, 3, 4, 5, 6, 7}, 0, "能夠全軍覆漠也真不簡單"},
        {8, {1, 2, 3, 4, 5, 6, 7}, 13, "您真的需要再加強"}, // 12.5 rounds up
        {10, {4, 9}, 80, "不錯的成績"},
        {10, {4}, 90, "恭喜獲得高分"},
        {10, {1, 2, 3}, 70, "中等的成績"},
        {10, {1, 2, 3, 4, 5, 6, 7, 8, 9}, 10, "您真的需要再加強"},
        {58, all58, 0, "能夠全軍覆漠也真不簡單"},
        {60, {17}, 98, "恭喜獲得高分"},
        {101, {1, 50, 101}, 97, "恭喜獲得高分"},
        {150, {75}, 99, "恭喜滿分,您真是高手"},
    };
    for (const Case& c : cases) {
        ScriptedRandom random;
        QuizSession s(random);
        s.setWholeBank(true);
        s.startNewQuizFromBytes(quiztest::Bank(c.bank));
        AnswerAll(s, c.wrongAt);
        quiz::Report r = s.report();
        EXPECT_EQ(r.score, c.score) << c.bank << " questions";
        EXPECT_EQ(r.wrongCount, static_cast<int>(c.wrongAt.size()));
        EXPECT_EQ(quiz::Verdict(r.score), c.verdict) << c.bank << " questions";
    }
}

TEST(Verdict, bandsFromTheTop) {
    EXPECT_EQ(quiz::Verdict(100), "恭喜滿分,您真是高手");
    EXPECT_EQ(quiz::Verdict(98), "恭喜獲得高分");
    EXPECT_EQ(quiz::Verdict(89), "不錯的成績");
    EXPECT_EQ(quiz::Verdict(79), "中等的成績");
    EXPECT_EQ(quiz::Verdict(69), "您可以再更好喔");
    EXPECT_EQ(quiz::Verdict(59), "您真的需要再加強");
    EXPECT_EQ(quiz::Verdict(10), "您真的需要再加強");
    EXPECT_EQ(quiz::Verdict(9), "能夠全軍覆漠也真不簡單");
}

TEST(QuizSession, goingBackAndChangingAnAnswerCountsTheNewChoice) {
    ScriptedRandom random;
    QuizSession s(random);
    s.setWholeBank(true);
    s.startNewQuizFromBytes(quiztest::Bank(6));
    s.previous();
    EXPECT_EQ(s.current(), 1); // nothing before the first question
    for (int k = 1; k <= 4; ++k)
        s.answer(KeyAt(s, k) % 4 + 1); // 1-4 wrong
    ASSERT_EQ(s.current(), 5);
    s.previous();
    EXPECT_EQ(s.current(), 4);
    s.answer(KeyAt(s, 4)); // now right
    EXPECT_EQ(s.current(), 5);
    s.answer(KeyAt(s, 5));
    s.answer(KeyAt(s, 6));
    ASSERT_TRUE(s.reportShown());
    quiz::Report r = s.report();
    EXPECT_EQ(r.wrongCount, 3);
    EXPECT_EQ(r.rightCount, 3);
    EXPECT_NE(std::find(r.lines.begin(), r.lines.end(), "答對:4.題4丁"), r.lines.end());

    // Back from the report to the second-to-last question, and on to the report again.
    s.previous();
    EXPECT_FALSE(s.reportShown());
    EXPECT_EQ(s.current(), 5);
    s.answer(KeyAt(s, 5) % 4 + 1);
    s.answer(KeyAt(s, 6));
    EXPECT_TRUE(s.reportShown());
    EXPECT_EQ(s.report().wrongCount, 4);
}

TEST(QuizSession, quizLengthIsTenOrTheWholeBank) {
    for (int n : {0, 1, 7, 9, 10, 11, 25}) {
        ScriptedRandom random;
        QuizSession s(random);
        s.startNewQuizFromBytes(quiztest::Bank(n));
        EXPECT_EQ(s.length(), std::min(n, 10)) << n;
        EXPECT_EQ(s.order().size(), static_cast<std::size_t>(n));
        s.setWholeBank(true);
        s.startNewQuizFromBytes(quiztest::Bank(n));
        EXPECT_EQ(s.length(), n) << n;
        EXPECT_EQ(s.order(), FileOrder(static_cast<std::size_t>(n))) << "whole bank keeps file order";
    }
}

TEST(QuizSession, shuffleIsRPlusTenTranspositionsOverTheWholeIndex) {
    // r = 2, so 12 transpositions; the first swaps entries 0 and 24, the second
    // draws equal positions (counted, no swap), the third swaps 1 and 20.
    ScriptedRandom random({2, 0, 24, 5, 5, 1, 20});
    QuizSession s(random);
    s.startNewQuizFromBytes(quiztest::Bank(25));
    EXPECT_EQ(random.draws, 1 + 2 * 12);
    EXPECT_EQ(random.bounds.front(), 100);
    EXPECT_TRUE(std::all_of(random.bounds.begin() + 1, random.bounds.end(), [](int b) { return b == 25; }));
    auto expected = FileOrder(25);
    std::swap(expected[0], expected[24]);
    std::swap(expected[1], expected[20]);
    EXPECT_EQ(s.order(), expected); // the rest of the draws are (0, 0)
    EXPECT_EQ(s.length(), 10);

    // A bank of 7 is asked whole, in shuffled order.
    ScriptedRandom seven({0, 0, 6});
    QuizSession t(seven);
    t.startNewQuizFromBytes(quiztest::Bank(7));
    EXPECT_EQ(t.length(), 7);
    EXPECT_EQ(t.order().front(), 36u);
    EXPECT_EQ(t.order().back(), 0u);

    // The whole-bank option still draws r, and nothing else.
    ScriptedRandom whole({50});
    QuizSession u(whole);
    u.setWholeBank(true);
    u.startNewQuizFromBytes(quiztest::Bank(25));
    EXPECT_EQ(whole.draws, 1);
}

TEST(QuizSession, realRandomSourceGivesAPermutationOfTheBank) {
    quiz::DefaultRandom random;
    random.seedFromTimeOfDay();
    QuizSession s(random);
    s.startNewQuizFromBytes(quiztest::Bank(40));
    auto sorted = s.order();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, FileOrder(40));
    for (int i = 0; i < 1000; ++i) {
        int v = random.below(3);
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 3);
    }
}

TEST(QuizSession, questionScreenHeadingTextsAndFontSizes) {
    ScriptedRandom random;
    QuizSession s(random);
    s.setWholeBank(true);
    // Heading 問題1/1 is 7 bytes, CR LF 2: a question of 92 bytes makes 101.
    std::string q100 = std::string(91, 'a');
    std::string q101 = std::string(92, 'a');
    std::string bank = "Q:" + q100 + "\r\nA:1\r\n1." + std::string(70, 'b') + "\r\n2." +
                       std::string(71, 'b') + "\r\n3." + std::string(100, 'b') + "\r\n4." +
                       std::string(101, 'b') + "\r\n";
    s.startNewQuizFromBytes(bank);
    quiz::QuestionScreen screen = s.question();
    EXPECT_EQ(screen.question, "問題1/1\r\n" + q100);
    EXPECT_EQ(screen.questionFontSize, 20);
    EXPECT_EQ(screen.answers[0], std::string(70, 'b'));
    EXPECT_EQ(screen.answerFontSizes, (std::array<int, 4>{20, 14, 14, 14}));

    s.startNewQuizFromBytes("Q:" + q101 + "\r\nA:1\r\n1.x\r\n2.x\r\n3.x\r\n4.x\r\n");
    EXPECT_EQ(s.question().questionFontSize, 18);

    // Chinese text counts two bytes a character: 問題1/1 CR LF + 46 characters = 101.
    std::string wide;
    for (int i = 0; i < 46; ++i)
        wide += "痛";
    s.startNewQuizFromBytes(Cp950("Q:" + wide + "\r\nA:1\r\n1.x\r\n2.x\r\n3.x\r\n4.x\r\n"));
    EXPECT_EQ(s.question().question, "問題1/1\r\n" + wide);
    EXPECT_EQ(s.question().questionFontSize, 18);

    EXPECT_EQ(quiz::QuestionFontSize(70), 20);
    EXPECT_EQ(quiz::QuestionFontSize(150), 18);
    EXPECT_EQ(quiz::QuestionFontSize(151), 16);
    EXPECT_EQ(quiz::QuestionFontSize(200), 16);
    EXPECT_EQ(quiz::QuestionFontSize(201), 14);
    EXPECT_EQ(quiz::AnswerFontSize(150), 14);
    EXPECT_EQ(quiz::AnswerFontSize(151), 12);
    EXPECT_EQ(quiz::AnswerFontSize(200), 12);
    EXPECT_EQ(quiz::AnswerFontSize(201), 10);
}

TEST(QuizSession, keyWithATrailingBlankNeverMatches) {
    ScriptedRandom random;
    QuizSession s(random);
    s.startNewQuizFromBytes(Cp950("Q:題\r\nA:2 \r\n1.甲\r\n2.乙\r\n3.丙\r\n4.丁\r\n"));
    s.answer(2);
    quiz::Report r = s.report();
    EXPECT_EQ(r.wrongCount, 1);
    EXPECT_EQ(r.lines[0], "1題全部答錯");
    EXPECT_EQ(r.lines[7], "答錯,您回答:2.乙");
    EXPECT_EQ(r.lines[8], "正確答案應為:2.乙");
}

TEST(QuizSession, faultsInTheBankAreReportedNotCrashed) {
    ScriptedRandom random;
    QuizSession s(random);

    // No question at all.
    s.startNewQuizFromBytes(Cp950("只有說明\r\n"));
    EXPECT_EQ(s.length(), 0);
    try {
        s.question();
        FAIL();
    } catch (const quiz::QuizError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (0)");
    }
    s.answer(1); // nothing to answer
    EXPECT_FALSE(s.reportShown());

    // The last block is cut short: lines 6 and 7 exist, 8 does not.
    s.setWholeBank(true);
    s.startNewQuizFromBytes(quiztest::Bank(1) + Cp950("Q:斷\r\nA:1\r\n1.甲\r\n"));
    ASSERT_EQ(s.length(), 2);
    EXPECT_NO_THROW(s.question());
    s.answer(1);
    try {
        s.question();
        FAIL();
    } catch (const quiz::QuizError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (9)");
    }

    // A blank line between the question and its key shifts the block: the blank
    // is the key, no choice matches, and the report names the bad key.
    s.startNewQuizFromBytes(Cp950("Q:移位\r\n\r\nA:1\r\n1.甲\r\n2.乙\r\n3.丙\r\n4.丁\r\n"));
    EXPECT_EQ(s.question().answers[0], "1");
    s.answer(1);
    ASSERT_TRUE(s.reportShown());
    try {
        s.report();
        FAIL();
    } catch (const quiz::QuizError& e) {
        EXPECT_STREQ(e.what(), "'' is not a valid integer value");
    }
    s.previous(); // a one-question quiz has nowhere to go back to
    EXPECT_TRUE(s.reportShown());

    s.startNewQuizFromBytes(Cp950("Q:壞\r\nA:x\r\n1.甲\r\n2.乙\r\n3.丙\r\n4.丁\r\n"));
    s.answer(3);
    EXPECT_THROW(s.report(), quiz::QuizError);
    s.startNewQuizFromBytes(Cp950("Q:超出\r\nA:7\r\n1.甲\r\n2.乙\r\n3.丙\r\n4.丁\r\n"));
    s.answer(3);
    try {
        s.report();
        FAIL();
    } catch (const quiz::QuizError& e) {
        EXPECT_STREQ(e.what(), "'7' is not a valid integer value");
    }
}

TEST(QuizSession, unreadableFileLeavesTheQuizAsItWas) {
    testsupport::TempDir dir;
    const std::string path = quiz::QuestionFilePath(dir.path().string());
    testsupport::WriteFile(path, quiztest::Bank(12));
    ScriptedRandom random;
    QuizSession s(random);
    s.startNewQuiz(path);
    s.answer(1);
    s.answer(1);
    const auto order = s.order();
    std::filesystem::remove(path);
    EXPECT_THROW(s.startNewQuiz(path), quiz::QuizError);
    EXPECT_EQ(s.current(), 3);
    EXPECT_EQ(s.order(), order);
    EXPECT_EQ(s.choice(2), "A:1");
}

TEST(QuizSession, wholeBankLargerThanAThousandQuestionsIsAskedWhole) {
    ScriptedRandom random;
    QuizSession s(random);
    s.setWholeBank(true);
    s.startNewQuizFromBytes(quiztest::Bank(1205));
    ASSERT_EQ(s.length(), 1205);
    AnswerAll(s, {1204});
    quiz::Report r = s.report();
    EXPECT_EQ(r.rightCount, 1204);
    EXPECT_EQ(r.wrongCount, 1);
    EXPECT_EQ(s.choice(1205), "A:" + std::to_string(KeyAt(s, 1205)));
}

namespace {

// The bank of quiztest::Bank(n) with an explanation after every block:
// "E:說明<i>" for question i.
std::string ExplainedBank(int n) {
    std::string s;
    for (int i = 1; i <= n; ++i)
        s += quiztest::Block("題" + std::to_string(i), (i - 1) % 4 + 1) + "E:說明" + std::to_string(i) +
             "\r\n";
    return Cp950(s);
}

} // namespace

TEST(QuizSession, theReportExplainsEachWrongAnswerAndNothingElseChanges) {
    ScriptedRandom random;
    QuizSession plain(random), explained(random);
    plain.setWholeBank(true);
    explained.setWholeBank(true);
    plain.startNewQuizFromBytes(quiztest::Bank(3));
    explained.startNewQuizFromBytes(ExplainedBank(3));
    for (QuizSession* s : {&plain, &explained}) {
        s->answer(1);
        s->answer(4);
        s->answer(3);
    }
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(plain.choice(k), explained.choice(k));
    const quiz::Report r = explained.report();
    // The worked layout, with the wrong answer's explanation after its key.
    Lines expected = plain.report().lines;
    const auto key = std::find(expected.begin(), expected.end(), "正確答案應為:2.題2乙");
    ASSERT_NE(key, expected.end());
    expected.insert(key + 1, "說明:說明2");
    EXPECT_EQ(r.lines, expected);
    EXPECT_EQ(r.verdictLine, plain.report().verdictLine);
}

TEST(QuizSession, practiceShowsEachAnswerJudgedAndExplainedBeforeGoingOn) {
    ScriptedRandom random;
    QuizSession s(random);
    EXPECT_FALSE(s.practice()); // a test unless the user asks for practice
    s.setWholeBank(true);
    s.setPractice(true);
    s.startNewQuizFromBytes(ExplainedBank(3)); // keys 1, 2, 3
    s.answer(1);
    ASSERT_TRUE(s.feedbackShown());
    EXPECT_EQ(s.current(), 1);
    quiz::Feedback f = s.feedback();
    EXPECT_TRUE(f.right);
    EXPECT_EQ(f.lines, (Lines{"答對:1.題1甲", "說明:說明1"}));
    s.answer(2); // the answer stands while its feedback is shown
    EXPECT_EQ(s.choice(1), "A:1");
    s.proceed();
    EXPECT_FALSE(s.feedbackShown());
    EXPECT_EQ(s.current(), 2);
    s.proceed(); // nothing to leave
    EXPECT_EQ(s.current(), 2);

    s.answer(4);
    f = s.feedback();
    EXPECT_FALSE(f.right);
    EXPECT_EQ(f.lines, (Lines{"答錯,您回答:4.題2丁", "正確答案應為:2.題2乙", "說明:說明2"}));
    // Back from a feedback: the question before, and the answer may change.
    s.previous();
    EXPECT_FALSE(s.feedbackShown());
    EXPECT_EQ(s.current(), 1);
    s.answer(1);
    s.proceed();
    s.answer(2);
    s.proceed();
    s.answer(1);
    EXPECT_FALSE(s.reportShown());
    s.proceed();
    ASSERT_TRUE(s.reportShown());
    const quiz::Report r = s.report();
    EXPECT_EQ(r.rightCount, 2);
    EXPECT_EQ(r.lines[3 + 6], "正確答案應為:3.題3丙");
    EXPECT_EQ(r.lines[3 + 7], "說明:說明3");

    // A bank without explanations: the feedback judges and gives the key only;
    // a new quiz starts without a feedback.
    s.startNewQuizFromBytes(quiztest::Bank(2));
    EXPECT_FALSE(s.feedbackShown());
    s.answer(3);
    EXPECT_EQ(s.feedback().lines, (Lines{"答錯,您回答:3.題1丙", "正確答案應為:1.題1甲"}));
    s.startNewQuizFromBytes(quiztest::Bank(2));
    EXPECT_FALSE(s.feedbackShown());
    // A key without a digit fails the feedback as it fails the report.
    s.startNewQuizFromBytes(Cp950("Q:壞\r\nA:x\r\n1.甲\r\n2.乙\r\n3.丙\r\n4.丁\r\n"));
    s.answer(1);
    EXPECT_THROW(s.feedback(), quiz::QuizError);
}
