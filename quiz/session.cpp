#include "quiz/session.h"

#include <utility>

#include "text/text.h"

namespace quiz {

namespace {

const char* const kSeparator = "----------------------------------"; // 34 hyphens

// The answer number in the third byte of a key or a choice ("A:3" => 3), or 0
// when that byte is not one of 1-4.
int AnswerNumber(std::string_view keyOrChoice) {
    if (keyOrChoice.size() < 3) return 0;
    char c = keyOrChoice[2];
    return (c >= '1' && c <= '4') ? c - '0' : 0;
}

} // namespace

int QuestionFontSize(std::size_t bytes) {
    if (bytes <= 100) return 20;
    if (bytes <= 150) return 18;
    if (bytes <= 200) return 16;
    return 14;
}

int AnswerFontSize(std::size_t bytes) {
    if (bytes <= 70) return 20;
    if (bytes <= 150) return 14;
    if (bytes <= 200) return 12;
    return 10;
}

int Score(int right, int questions) {
    if (questions <= 0) return 100;
    // Halves round up: (100 x right + N/2) div N, in whole numbers.
    return (200 * right + questions) / (2 * questions);
}

std::string Verdict(int score) {
    if (score >= 99) return "恭喜滿分,您真是高手";
    if (score >= 90) return "恭喜獲得高分";
    if (score >= 80) return "不錯的成績";
    if (score >= 70) return "中等的成績";
    if (score >= 60) return "您可以再更好喔";
    if (score >= 10) return "您真的需要再加強";
    return "能夠全軍覆漠也真不簡單";
}

std::string Report::text() const {
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += "\r\n";
    }
    return out;
}

void QuizSession::startNewQuiz(const std::string& path) {
    m_bank.loadFile(path); // throws before anything changes
    start();
}

void QuizSession::startNewQuizFromBytes(std::string_view bytes) {
    m_bank.loadBytes(bytes);
    start();
}

void QuizSession::start() {
    m_order = m_bank.questionLines();
    const int entries = static_cast<int>(m_order.size());
    m_length = (entries < 10 || m_wholeBank) ? entries : 10;
    m_current = 1;
    m_reportShown = false;
    m_feedbackShown = false;
    if (m_answers.size() < static_cast<std::size_t>(m_length))
        m_answers.resize(static_cast<std::size_t>(m_length));

    // r + 10 transpositions over the whole index; a draw of two equal positions
    // counts but changes nothing. With the whole-bank option the file order stays.
    const int r = m_random->below(100);
    if (!m_wholeBank && entries > 0) {
        for (int t = 0; t < r + 10; ++t) {
            int i = m_random->below(entries);
            int j = m_random->below(entries);
            if (i != j) std::swap(m_order[static_cast<std::size_t>(i)], m_order[static_cast<std::size_t>(j)]);
        }
    }
}

std::size_t QuizSession::blockStart(int k) const {
    std::size_t entry = static_cast<std::size_t>(k - 1);
    if (k < 1 || entry >= m_order.size() || k > m_length)
        throw QuizError("List index out of bounds (" + std::to_string(k - 1) + ")");
    return m_order[entry];
}

QuestionScreen QuizSession::question() const {
    const std::size_t q = blockStart(m_current);
    QuestionScreen screen;
    // Every line of the block is fetched before anything is handed out, so a
    // block cut short changes nothing on screen.
    std::string questionBytes = TextFromThirdByte(m_bank.line(q));
    std::array<std::string, 4> answerBytes;
    for (std::size_t a = 0; a < 4; ++a)
        answerBytes[a] = TextFromThirdByte(m_bank.line(q + 2 + a));

    std::string heading = "問題" + std::to_string(m_current) + "/" + std::to_string(m_length);
    screen.question = heading + "\r\n" + text::FromCp950(questionBytes);
    screen.questionFontSize = QuestionFontSize(text::Cp950Length(heading) + 2 + questionBytes.size());
    for (std::size_t a = 0; a < 4; ++a) {
        screen.answers[a] = text::FromCp950(answerBytes[a]);
        screen.answerFontSizes[a] = AnswerFontSize(answerBytes[a].size());
    }
    return screen;
}

void QuizSession::answer(int choice) {
    if (m_length == 0 || choice < 1 || choice > 4 || m_feedbackShown) return;
    m_answers[static_cast<std::size_t>(m_current - 1)] = "A:" + std::to_string(choice);
    if (m_practice)
        m_feedbackShown = true;
    else
        advance();
}

void QuizSession::proceed() {
    if (!m_feedbackShown) return;
    m_feedbackShown = false;
    advance();
}

void QuizSession::advance() {
    if (m_current < m_length) {
        ++m_current;
        m_reportShown = false;
    } else {
        m_reportShown = true;
    }
}

void QuizSession::previous() {
    if (m_current < 2) return;
    --m_current;
    m_reportShown = false;
    m_feedbackShown = false;
}

std::string QuizSession::choice(int k) const {
    if (k < 1 || static_cast<std::size_t>(k) > m_answers.size()) return {};
    return m_answers[static_cast<std::size_t>(k - 1)];
}

// The texts of one asked question, as the report and the feedback write them.
struct QuizSession::Block {
    std::string question;               // from the third byte, at most 250 bytes (UTF-8)
    std::array<std::string, 4> answers; // whole lines, labels included (UTF-8)
    std::string key;                    // the key line's bytes
    std::string explanation;            // "" when the block has none (UTF-8)

    // The answer line that a key or a choice designates.
    const std::string& answerLine(std::string_view keyOrChoice) const {
        int d = AnswerNumber(keyOrChoice);
        if (d == 0) {
            std::string third =
                keyOrChoice.size() >= 3 ? std::string(keyOrChoice.substr(2, 1)) : std::string();
            throw QuizError("'" + text::FromCp950(third) + "' is not a valid integer value");
        }
        return answers[static_cast<std::size_t>(d - 1)];
    }

    // What is written about the given choice: right, or wrong with the key,
    // and the explanation where the block has one and the report wants it.
    Feedback judge(const std::string& given, bool explainRight) const {
        Feedback f;
        f.right = key == given;
        if (f.right) {
            f.lines.push_back("答對:" + answerLine(given));
        } else {
            f.lines.push_back("答錯,您回答:" + answerLine(given));
            f.lines.push_back("正確答案應為:" + answerLine(key));
        }
        if (!explanation.empty() && (explainRight || !f.right)) f.lines.push_back("說明:" + explanation);
        return f;
    }
};

QuizSession::Block QuizSession::block(int k) const {
    const std::size_t q = blockStart(k);
    Block b;
    b.key = m_bank.line(q + 1);
    for (std::size_t a = 0; a < 4; ++a)
        b.answers[a] = text::FromCp950(m_bank.line(q + 2 + a));
    b.question = text::FromCp950(TextFromThirdByte(m_bank.line(q)));
    b.explanation = text::FromCp950(m_bank.explanation(q));
    return b;
}

Feedback QuizSession::feedback() const {
    return block(m_current).judge(choice(m_current), true);
}

Report QuizSession::report() const {
    Report report;
    std::vector<std::string> wrong{"★★★答題錯誤列表★★★"};
    std::vector<std::string> right{"★★★正確答題列表★★★"};

    for (int k = 1; k <= m_length; ++k) {
        const Block b = block(k);
        // The report explains the wrong answers only: the right ones need no reason.
        const Feedback f = b.judge(choice(k), false);
        std::vector<std::string>& list = f.right ? right : wrong;
        list.push_back("問題" + std::to_string(k) + ":" + b.question);
        list.insert(list.end(), b.answers.begin(), b.answers.end());
        list.insert(list.end(), f.lines.begin(), f.lines.end());
        list.push_back(kSeparator);
        ++(f.right ? report.rightCount : report.wrongCount);
    }

    if (report.rightCount == 0) {
        report.lines.push_back(std::to_string(report.wrongCount) + "題全部答錯");
    } else if (report.wrongCount == 0) {
        report.lines.push_back(std::to_string(report.rightCount) + "題全部答對");
    } else {
        report.lines.push_back("答對" + std::to_string(report.rightCount) + "題");
        report.lines.push_back("答錯" + std::to_string(report.wrongCount) + "題");
    }
    if (wrong.size() > 1) {
        report.lines.insert(report.lines.end(), wrong.begin(), wrong.end());
        report.lines.push_back("");
    }
    report.lines.insert(report.lines.end(), right.begin(), right.end());
    report.score = Score(report.rightCount, m_length);
    report.verdictLine = Verdict(report.score) + ",評量分數為:" + std::to_string(report.score) + "分";
    return report;
}

} // namespace quiz
