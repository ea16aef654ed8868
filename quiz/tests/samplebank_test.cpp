// The question bank that ships beside the program: its layout, its encoding,
// and its keys against the sample code database built beside it.

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "db/connection.h"
#include "db/query.h"
#include "quiz/questionbank.h"
#include "quiz/session.h"
#include "quiz/tests/quiztestsupport.h"
#include "testsupport/testsupport.h"
#include "text/text.h"

namespace {

const std::filesystem::path kBin = std::filesystem::path(ICD_BINARY_DIR) / "bin";

quiz::QuestionBank LoadShippedBank() {
    quiz::QuestionBank bank;
    bank.loadFile((kBin / "qa.txt").string());
    return bank;
}

// Codes named in a text: ICD-10-CM (S93.401A, I10) and ICD-11 (SA00, SF57),
// without their dot. Range bounds (A00-B99, SA00-SE5Z) name blocks, not rows,
// and are left out.
std::set<std::string> CodesIn(const std::string& text) {
    static const std::regex code(R"(([A-Z][0-9][0-9A-Z]|[A-Z]{2}[0-9][0-9A-Z])(\.[0-9A-Z]{1,4})?)");
    std::set<std::string> codes;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), code); it != std::sregex_iterator(); ++it) {
        const auto pos = static_cast<std::size_t>(it->position());
        const auto end = pos + static_cast<std::size_t>(it->length());
        auto joined = [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
        };
        if (pos > 0 && joined(text[pos - 1])) continue;
        if (end < text.size() && joined(text[end])) continue;
        std::string c = it->str();
        c.erase(std::remove(c.begin(), c.end(), '.'), c.end());
        codes.insert(c);
    }
    return codes;
}

} // namespace

TEST(SampleBank, codesAreFoundOnlyWhereTheTextNamesThem) {
    EXPECT_EQ(CodesIn("S93.401A 的意義"), (std::set<std::string>{"S93401A"}));
    EXPECT_EQ(CodesIn("I10"), (std::set<std::string>{"I10"}));
    EXPECT_EQ(CodesIn("編碼為M25.511?"), (std::set<std::string>{"M25511"}));
    EXPECT_EQ(CodesIn("代碼 SA00(脅痛)與SF57"), (std::set<std::string>{"SA00", "SF57"}));
    EXPECT_TRUE(CodesIn("A00-B99 與 SA00-SE5Z").empty());
    EXPECT_TRUE(CodesIn("FY2023 的 POTS、NEC、ICD-11").empty());
}

TEST(SampleBank, isBig5WithCrLfAndHoldsAtLeastFortyWellFormedQuestions) {
    const std::filesystem::path file = kBin / "qa.txt";
    if (!std::filesystem::exists(file)) GTEST_SKIP() << "qa.txt not built beside the program";
    const std::string bytes = testsupport::ReadFile(file);
    EXPECT_FALSE(text::IsValidUtf8(bytes)) << "the bank must be stored in Big5";
    EXPECT_EQ(bytes.find('\n'), bytes.find("\r\n") + 1);

    quiz::QuestionBank bank = LoadShippedBank();
    EXPECT_TRUE(quiz::CheckBank(bank).empty());
    EXPECT_GE(bank.questionLines().size(), 40u);

    // Same text as the UTF-8 source, line for line.
    const std::string source =
        testsupport::ReadFile(std::filesystem::path(ICD_SOURCE_DIR) / "quiz/sample/qa.utf8.txt");
    const auto sourceLines = quiz::SplitLines(source);
    ASSERT_EQ(sourceLines.size(), bank.lines().size());
    for (std::size_t n = 0; n < sourceLines.size(); ++n)
        EXPECT_EQ(text::FromCp950(bank.lines()[n]), sourceLines[n]);

    // Every question is asked once, with four different answers.
    std::set<std::string> questions;
    for (std::size_t q : bank.questionLines()) {
        EXPECT_TRUE(questions.insert(bank.line(q)).second)
            << "asked twice: " << text::FromCp950(bank.line(q));
        std::set<std::string> answers;
        for (std::size_t a = 2; a <= 5; ++a)
            answers.insert(quiz::TextFromThirdByte(bank.line(q + a)));
        EXPECT_EQ(answers.size(), 4u) << text::FromCp950(bank.line(q));
    }
}

TEST(SampleBank, codesNamedByQuestionsAndKeysAreInTheSampleDatabase) {
    const std::filesystem::path dbFile = kBin / "icd10_2023.mdb";
    if (!std::filesystem::exists(dbFile) || !std::filesystem::exists(kBin / "qa.txt"))
        GTEST_SKIP() << "sample database or question bank not built beside the program";
    db::Connection connection;
    connection.open(dbFile.string());
    db::Query query(connection);

    quiz::QuestionBank bank = LoadShippedBank();
    int checked = 0;
    for (std::size_t q : bank.questionLines()) {
        const std::string question = text::FromCp950(quiz::TextFromThirdByte(bank.line(q)));
        const int key = bank.line(q + 1)[2] - '0';
        const std::string answer =
            text::FromCp950(quiz::TextFromThirdByte(bank.line(q + 1 + static_cast<std::size_t>(key))));
        std::set<std::string> codes = CodesIn(question);
        for (const std::string& c : CodesIn(answer))
            codes.insert(c);
        for (const std::string& code : codes) {
            query.close();
            query.setText("SELECT ICD10_NO FROM ICD10 WHERE ICD10_NO = '" + code + "'");
            query.open();
            EXPECT_FALSE(query.eof()) << code << " (" << question << ") is not in the sample database";
            ++checked;
        }
    }
    EXPECT_GE(checked, 10);
}

TEST(SampleBank, runsAsBeforeAndAsItWouldWithExplanationsAdded) {
    if (!std::filesystem::exists(kBin / "qa.txt")) GTEST_SKIP() << "qa.txt not built beside the program";
    const std::string bytes = testsupport::ReadFile(kBin / "qa.txt");
    const quiz::QuestionBank bank = LoadShippedBank();
    // An old bank: no block has an explanation.
    for (std::size_t q : bank.questionLines())
        EXPECT_EQ(bank.explanation(q), "") << q;

    // The same bank with an explanation after every block.
    std::string explained;
    for (std::size_t n = 0; n < bank.lines().size(); ++n) {
        explained += bank.lines()[n] + "\r\n";
        for (std::size_t q : bank.questionLines())
            if (n == q + 5) explained += "E:" + std::to_string(q) + "\r\n";
    }

    // Both run whole, every third question answered wrongly, every screen the same.
    quiztest::ScriptedRandom random;
    quiz::QuizSession old(random), withExplanations(random);
    old.setWholeBank(true);
    withExplanations.setWholeBank(true);
    old.startNewQuizFromBytes(bytes);
    withExplanations.startNewQuizFromBytes(explained);
    ASSERT_EQ(old.length(), static_cast<int>(bank.questionLines().size()));
    ASSERT_EQ(withExplanations.length(), old.length());
    for (int k = 1; k <= old.length(); ++k) {
        const quiz::QuestionScreen a = old.question(), b = withExplanations.question();
        EXPECT_EQ(a.question, b.question);
        EXPECT_EQ(a.answers, b.answers);
        const int key = bank.line(bank.questionLines()[static_cast<std::size_t>(k - 1)] + 1)[2] - '0';
        const int choice = k % 3 == 0 ? key % 4 + 1 : key;
        old.answer(choice);
        withExplanations.answer(choice);
    }
    // The report of the old bank has no explanation; the other has one after
    // each wrong answer's key, and nothing else differs.
    const quiz::Report plain = old.report();
    std::vector<std::string> withoutExplanations;
    int explanations = 0;
    for (const std::string& line : withExplanations.report().lines) {
        if (line.rfind("說明:", 0) == 0) {
            ++explanations;
            continue;
        }
        withoutExplanations.push_back(line);
    }
    EXPECT_EQ(withoutExplanations, plain.lines);
    EXPECT_EQ(explanations, plain.wrongCount);
    EXPECT_EQ(std::count_if(plain.lines.begin(), plain.lines.end(),
                            [](const std::string& l) { return l.rfind("說明:", 0) == 0; }),
              0);
}
