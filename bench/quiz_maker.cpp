// make-quiz on the full-size test database: a whole-chapter bank of 1000
// questions (the most make-quiz writes) for each kind, beside the bare
// statement that reads the codes.
//   MakeBank/bare       the ICD10 statement read row by row with the bare C API
//   MakeBank/<kind>     the codes read through db/, the coder's guide opened
//                       (each iteration with nothing kept from the last), then
//                       the bank made with its explanations and encoded, as
//                       make-quiz does before it writes the file (goal: under
//                       2 s each)
// The chapter is the injury chapter S00-T88 (the most codes, and the most
// 7th-character tables and notes), ICD-11's chapter 26 for icd11; new and
// deleted take every code, as their marks are few.

#include <benchmark/benchmark.h>

#include "benchsupport.h"
#include "db/connection.h"
#include "guide/guidefile.h"
#include "guide/reader.h"
#include "quiz/bankmaker.h"
#include "tools/icdtool/quizguide.h"

namespace {

const char* const RowsStatement =
    "SELECT ICD10_NO,ICD10_CNAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 ORDER BY ICD10_NO";

void MakeBankBare(benchmark::State& state) {
    sqlite3* db = benchsupport::OpenBare(state);
    if (!db) return;
    int rows = 0;
    for (auto _ : state)
        rows = benchsupport::RunBare(db, RowsStatement);
    state.counters["rows"] = rows;
    sqlite3_close(db);
}

void MakeBank(benchmark::State& state, quiz::QuestionKind kind, const char* scope) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) {
        state.SkipWithError("full-size test database not built (needs ../shared/data)");
        return;
    }
    const std::string guidePath = guide::GuidePathIn(std::string(ICD_BINARY_DIR) + "/bin");
    quiz::MakerOptions options;
    options.count = 1000;
    options.codes = *quiz::ParseCodeScope(scope);
    options.kinds = {kind};
    options.seed = 2023;
    std::size_t made = 0;
    for (auto _ : state) {
        db::Connection connection;
        connection.open(path);
        guide::Guide guideFile;
        if (!guideFile.open(guidePath).empty()) {
            state.SkipWithError("the coder's guide not built (target guide_db)");
            return;
        }
        icdtool::QuizGuide facts(guideFile);
        options.guide = &facts;
        const quiz::MadeBank bank = quiz::MakeQuestionBank(quiz::ReadCodeRows(connection), options);
        made = bank.questions.size();
        benchmark::DoNotOptimize(bank.bytes.data());
    }
    state.counters["questions"] = static_cast<double>(made);
}

void Register() {
    for (const quiz::KindInfo& k : quiz::Kinds()) {
        const bool everyCode =
            k.kind == quiz::QuestionKind::New2023 || k.kind == quiz::QuestionKind::Deleted2023;
        const char* scope = k.kind == quiz::QuestionKind::Icd11 ? "SA0-SJ3" : everyCode ? "" : "S00-T88";
        benchmark::RegisterBenchmark(("MakeBank/" + std::string(k.name)).c_str(), MakeBank, k.kind, scope)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
}

const bool registered = (Register(), true);

} // namespace

BENCHMARK(MakeBankBare)->Name("MakeBank/bare")->Unit(benchmark::kMillisecond);
