// A question bank of 10,000 questions in Big5: "LoadBank/bare" reads the file's
// bytes and nothing more; "LoadBank/ours" starts a new quiz from it (read, split
// into lines, find the question lines, choose and order the quiz), as the quiz
// window does on every new quiz. "WholeBankReport/ours" writes the report of a
// whole-bank quiz over all 10,000 questions.

#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "quiz/questionbank.h"
#include "quiz/random.h"
#include "quiz/session.h"
#include "text/text.h"

namespace {

constexpr int kQuestions = 10000;

// The bank file, written once into the system's temporary folder.
const std::string& BankFile() {
    static const std::string path = [] {
        std::string utf8 = "# 效能測試題庫\r\n";
        for (int i = 1; i <= kQuestions; ++i) {
            const std::string n = std::to_string(i);
            utf8 += "Q:第" + n + "題:下列何者為右側踝部扭傷、初次照護的正確編碼?\r\n";
            utf8 += "A:" + std::to_string((i - 1) % 4 + 1) + "\r\n";
            utf8 += "1.S93.401A 右側踝部未明示韌帶扭傷,初次照護\r\n";
            utf8 += "2.S93.402A 左側踝部未明示韌帶扭傷,初次照護\r\n";
            utf8 += "3.S93.401D 右側踝部未明示韌帶扭傷,後續照護\r\n";
            utf8 += "4.S93.401S 右側踝部未明示韌帶扭傷,後遺症\r\n\r\n";
        }
        std::string big5;
        text::ToCp950(utf8, big5);
        std::filesystem::path p = std::filesystem::temp_directory_path() / "icd_quiz_bench_qa.txt";
        std::ofstream(p, std::ios::binary | std::ios::trunc)
            .write(big5.data(), static_cast<std::streamsize>(big5.size()));
        return p.string();
    }();
    return path;
}

void LoadBankBare(benchmark::State& state) {
    const std::string& path = BankFile();
    for (auto _ : state) {
        std::ifstream in(path, std::ios::binary);
        in.seekg(0, std::ios::end);
        std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
        in.seekg(0, std::ios::beg);
        in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        benchmark::DoNotOptimize(bytes.data());
    }
}

void LoadBankOurs(benchmark::State& state) {
    const std::string& path = BankFile();
    quiz::DefaultRandom random;
    random.seedFromTimeOfDay();
    quiz::QuizSession session(random);
    for (auto _ : state) {
        session.startNewQuiz(path);
        benchmark::DoNotOptimize(session.order().data());
    }
    state.counters["questions"] = static_cast<double>(session.bank().questionLines().size());
}

void WholeBankReportOurs(benchmark::State& state) {
    quiz::DefaultRandom random;
    quiz::QuizSession session(random);
    session.setWholeBank(true);
    session.startNewQuiz(BankFile());
    for (int k = 1; k <= session.length(); ++k)
        session.answer(k % 4 + 1);
    for (auto _ : state) {
        quiz::Report report = session.report();
        benchmark::DoNotOptimize(report.lines.data());
    }
}

} // namespace

BENCHMARK(LoadBankBare)->Name("LoadBank/bare")->Unit(benchmark::kMillisecond);
BENCHMARK(LoadBankOurs)->Name("LoadBank/ours")->Unit(benchmark::kMillisecond);
BENCHMARK(WholeBankReportOurs)->Name("WholeBankReport/ours")->Unit(benchmark::kMillisecond);
