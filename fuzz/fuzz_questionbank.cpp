// Fuzzes the question bank reader and a whole quiz run over arbitrary file
// bytes: reading, checking, the explanation lines, asking every question,
// going back, answering (in practice mode with its feedback, for some inputs)
// and writing the report. Errors must come as QuizError with a message; nothing may
// crash, and what the run reports must agree with itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "quiz/questionbank.h"
#include "quiz/session.h"
#include "text/text.h"

#include "fuzzcheck.h"

namespace {

// Draws taken from the input's first bytes, so a crash input replays the same shuffle.
class BytesRandom : public quiz::RandomSource {
public:
    explicit BytesRandom(std::string_view bytes) : m_bytes(bytes) {}
    void seedFromTimeOfDay() override {}
    int below(int bound) override {
        if (bound <= 0) std::abort(); // the session must never ask for an empty range
        unsigned v = m_bytes.empty() ? 0u : static_cast<unsigned char>(m_bytes[m_pos++ % m_bytes.size()]);
        return static_cast<int>(v % static_cast<unsigned>(bound));
    }

private:
    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    quiz::QuestionBank bank;
    bank.loadBytes(bytes);
    for (std::size_t n : bank.questionLines()) {
        CHECK(n < bank.lines().size());
        CHECK(quiz::IsQuestionLine(bank.lines()[n]));
        const std::string shown = quiz::TextFromThirdByte(bank.lines()[n]);
        CHECK(shown.size() <= 250);
        CHECK(text::IsValidUtf8(text::FromCp950(shown)));
        // An explanation is the E: line right after the fourth answer, whole.
        const std::string explanation = bank.explanation(n);
        if (!explanation.empty()) {
            CHECK(n + 6 < bank.lines().size());
            CHECK(quiz::IsExplanationLine(bank.lines()[n + 6]));
            CHECK(bank.lines()[n + 6].size() == explanation.size() + 2);
            CHECK(text::IsValidUtf8(text::FromCp950(explanation)));
        }
    }
    for (const std::string& fault : quiz::CheckBank(bank))
        CHECK(!fault.empty());
    try {
        (void)bank.line(bank.lines().size());
        std::abort(); // past the end must throw
    } catch (const quiz::QuizError&) {
    }

    BytesRandom random(bytes.substr(0, 64));
    quiz::QuizSession session(random);
    session.setWholeBank(size % 3 == 0);
    session.setPractice(size % 2 == 0);
    session.startNewQuizFromBytes(bytes);
    CHECK(session.length() >= 0);
    CHECK(static_cast<std::size_t>(session.length()) <= bank.questionLines().size());

    std::size_t step = 0;
    for (int guard = 0; guard < 8 * session.length() + 8 && !session.reportShown() && session.length() > 0;
         ++guard) {
        try {
            const quiz::QuestionScreen screen = session.question();
            CHECK(text::IsValidUtf8(screen.question));
            for (const std::string& a : screen.answers)
                CHECK(text::IsValidUtf8(a));
        } catch (const quiz::QuizError& e) {
            CHECK(*e.what() != '\0');
        }
        const unsigned char b = size ? data[step++ % size] : 0;
        if (session.feedbackShown()) {
            CHECK(!session.choice(session.current()).empty());
            try {
                const quiz::Feedback feedback = session.feedback();
                CHECK(!feedback.lines.empty());
                for (const std::string& line : feedback.lines)
                    CHECK(text::IsValidUtf8(line));
            } catch (const quiz::QuizError& e) {
                CHECK(*e.what() != '\0');
            }
            const int at = session.current();
            if (b % 7 == 0) {
                session.previous();
            } else {
                session.answer(1 + b % 4); // ignored while the feedback is shown
                CHECK(session.feedbackShown() && session.current() == at);
                session.proceed();
                CHECK(!session.feedbackShown());
            }
        } else if (b % 7 == 0) {
            session.previous();
        } else {
            session.answer(1 + b % 4);
            CHECK(session.feedbackShown() == session.practice());
        }
        CHECK(session.current() >= 1 && session.current() <= session.length());
    }
    if (session.reportShown()) {
        try {
            const quiz::Report report = session.report();
            CHECK(report.rightCount + report.wrongCount == session.length());
            CHECK(report.score >= 0 && report.score <= 100);
            CHECK(text::IsValidUtf8(report.text()));

        } catch (const quiz::QuizError& e) {
            CHECK(*e.what() != '\0');
        }
    }
    return 0;
}
