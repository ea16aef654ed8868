#pragma once
// One quiz run over the question bank: the order of the questions, the answers
// given, going back, and the report with its score and verdict. Pure: the quiz
// window only shows what this gives and forwards the user's clicks.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "quiz/questionbank.h"
#include "quiz/random.h"

namespace quiz {

// Font sizes (points) of the question label and of an answer label, by the
// CP950 byte length of the label's whole text:
//   bytes      question  answer
//   <= 70         20       20
//   71-100        20       14
//   101-150       18       14
//   151-200       16       12
//   > 200         14       10
int QuestionFontSize(std::size_t bytes);
int AnswerFontSize(std::size_t bytes);

// The score of a quiz: the share of right answers as a percentage, rounded to
// the nearest whole number (halves up). A quiz without questions scores 100.
//   (9, 10) => 90   (2, 3) => 67   (1, 3) => 33   (0, 58) => 0   (57, 58) => 98
//   (1, 8) => 13    (149, 150) => 99
int Score(int right, int questions);

// Verdict of a score: 99 or more "恭喜滿分,您真是高手", 90 "恭喜獲得高分",
// 80 "不錯的成績", 70 "中等的成績", 60 "您可以再更好喔", 10 "您真的需要再加強",
// below 10 "能夠全軍覆漠也真不簡單".
std::string Verdict(int score);

// What the window shows while a question is asked. Texts are UTF-8.
struct QuestionScreen {
    std::string question;               // "問題3/10" CR LF question text
    std::array<std::string, 4> answers; // answer lines from their third byte
    int questionFontSize = 20;
    std::array<int, 4> answerFontSizes{20, 20, 20, 20};
};

// What practice mode shows after an answer, before the next question: the
// lines the report would write for it (UTF-8).
//   right: "答對:2.xxx"                            and "說明:..." when the bank explains it
//   wrong: "答錯,您回答:1.xxx", "正確答案應為:2.yyy", and "說明:..."
struct Feedback {
    bool right = false;
    std::vector<std::string> lines;
};

// The report written after the last answer. A wrong answer whose block has an
// explanation line is followed by "說明:" and the explanation.
struct Report {
    std::vector<std::string> lines; // the report box's lines, in order (UTF-8)
    int score = 100;
    int rightCount = 0;
    int wrongCount = 0;
    std::string verdictLine; // verdict + ",評量分數為:" + score + "分"

    // The report box's text: every line ended by CR LF.
    std::string text() const;
};

class QuizSession {
public:
    explicit QuizSession(RandomSource& random) : m_random(&random) {}

    // Replaces the source of the draws (tests fix the shuffle with it).
    void setRandomSource(RandomSource& random) { m_random = &random; }
    RandomSource& randomSource() { return *m_random; }

    // The whole-bank option: ask every question of the bank, in file order.
    bool wholeBank() const { return m_wholeBank; }
    void setWholeBank(bool on) { m_wholeBank = on; }

    // Reads the question file and starts a new quiz at question 1. When the file
    // cannot be read, throws QuizError and nothing changes.
    void startNewQuiz(const std::string& path);
    // The same over bytes already read (tests, benchmarks).
    void startNewQuizFromBytes(std::string_view bytes);

    // Position (1-based) of the question on screen, or of the last question
    // while the report is shown.
    int current() const { return m_current; }
    // Number of questions asked: 10, or the whole bank when it holds fewer or
    // the whole-bank option is on.
    int length() const { return m_length; }
    bool reportShown() const { return m_reportShown; }

    // The question at the current position. Throws QuizError("List index out of
    // bounds (n)") when there is no question there or its block is cut short.
    QuestionScreen question() const;

    // Practice mode: every answer is first shown with its feedback (right or
    // wrong, the key, the explanation); the quiz moves on with proceed(). Off by
    // default, so that a test stays a test.
    bool practice() const { return m_practice; }
    void setPractice(bool on) { m_practice = on; }

    // Records choice 1-4 for the current position and moves to the next one, or
    // to the report after the last; in practice mode it stays on the position
    // and shows the feedback first. Ignored while no quiz is running (empty
    // bank) and while the feedback is shown.
    void answer(int choice);
    // True after an answer in practice mode, until proceed() or previous().
    bool feedbackShown() const { return m_feedbackShown; }
    // The feedback on the choice recorded for the current position. Throws
    // QuizError as report() does for a faulty block.
    Feedback feedback() const;
    // Leaves the feedback for the next position, or for the report after the last.
    void proceed();
    // Goes back one position (from the report or a feedback: to the position
    // before). Does nothing at position 1.
    void previous();

    // The report over every position. Throws QuizError when a block is cut short
    // or a key line does not name an answer 1-4 ("'x' is not a valid integer value").
    Report report() const;

    const QuestionBank& bank() const { return m_bank; }
    // Line numbers of the questions in the order they are asked (the whole index;
    // the quiz asks its first length() entries).
    const std::vector<std::size_t>& order() const { return m_order; }
    // Choice recorded for position k (1-based): "A:1" .. "A:4", "" when none.
    std::string choice(int k) const;

private:
    struct Block;
    void start();
    void advance();
    std::size_t blockStart(int k) const;
    Block block(int k) const;

    RandomSource* m_random;
    QuestionBank m_bank;
    std::vector<std::size_t> m_order;
    std::vector<std::string> m_answers; // slot k-1 holds position k's choice
    bool m_wholeBank = false;
    bool m_practice = false;
    bool m_feedbackShown = false;
    int m_length = 0;
    int m_current = 1;
    bool m_reportShown = false;
};

} // namespace quiz
