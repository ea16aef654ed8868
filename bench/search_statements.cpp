// Key searches on the full-size database. Each action is measured three ways in
// the same run:
//   <Action>/bare       the statement as built, run with the bare SQLite API,
//                       every row read;
//   <Action>/firstScreen criteria -> statement -> result opened -> the grid's
//                       model holds its first batch (what the user waits for);
//   <Action>/allRows    the same, then every row read into the model.
// The ranking builder runs over 1000 usage ranks on a copy of the database.
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "app/core/indexednames.h"
#include "benchsupport.h"
#include "db/connection.h"
#include "db/query.h"
#include "search/ranking.h"
#include "search/resultmodel.h"
#include "search/statement.h"

namespace {

using search::Criteria;

db::Connection* Full(benchmark::State& state) {
    static db::Connection connection;
    if (!connection.isOpen()) {
        const std::string path = benchsupport::FullDatabasePath();
        if (path.empty()) {
            state.SkipWithError("full-size test database not built (needs ../shared/data)");
            return nullptr;
        }
        connection.open(path);
        // The names index as the program has it once it is built.
        app::StartNamesIndex(connection);
        connection.waitForNamesIndex();
    }
    return &connection;
}

Criteria WorkedExample() {
    Criteria c;
    c.icd10Code = "S93.4";
    c.side = 1;
    c.episode = 1;
    return c;
}
Criteria ChineseTwoWords() {
    Criteria c;
    c.chineseName = "骨折 股骨";
    return c;
}
Criteria EnglishWord() {
    Criteria c;
    c.englishName = "fracture";
    return c;
}
Criteria FemaleList() {
    Criteria c;
    c.sex = 2;
    return c;
}
Criteria ChapterPrefix() {
    Criteria c;
    c.icd10Code = "S";
    return c;
}
Criteria Icd9Chapter() {
    Criteria c;
    c.icd9Code = "8"; // every ICD-9 injury code: a long IN list
    return c;
}
Criteria Icd9Name() {
    Criteria c;
    c.icd9Name = "fracture femur";
    return c;
}

void Bare(benchmark::State& state, Criteria (*make)()) {
    db::Connection* conn = Full(state);
    sqlite3* bare = benchsupport::OpenBare(state);
    if (!conn || !bare) return;
    // The statement as the search builds it (ICD-9 lookups included once).
    db::Query aux(*conn);
    db::Query q(*conn);
    const Criteria c = make();
    q.lines() = search::BuildStatement(c, aux);
    const std::string sql = q.text();
    // ICD-9 criteria are translated by lookups before the search itself.
    std::vector<std::string> lookups;
    if (!c.icd9Name.empty()) {
        lookups.push_back("SELECT ICD9_NO FROM ICD9 WHERE (" +
                          search::BuildWordClause("ICD9_NAME", c.icd9Name) + ") OR (" +
                          search::BuildWordClause("ICD9_NAME2", c.icd9Name) + ")  ");
        lookups.push_back(aux.text());
    } else if (!c.icd9Code.empty()) {
        lookups.push_back(aux.text()); // the CM rows under the ICD-9 prefix
    }
    int rows = 0;
    for (auto _ : state) {
        for (const auto& l : lookups)
            benchsupport::RunBare(bare, l);
        rows = benchsupport::RunBare(bare, sql);
    }
    state.counters["rows"] = rows;
    sqlite3_close(bare);
}

void Ours(benchmark::State& state, Criteria (*make)(), bool allRows) {
    db::Connection* conn = Full(state);
    if (!conn) return;
    db::Query result(*conn);
    db::Query aux(*conn);
    search::ResultModel model;
    int rows = 0;
    for (auto _ : state) {
        model.clear();
        if (search::RunSearch(make(), result, aux)) model.attach(&result);
        if (allRows)
            while (model.canFetchMore())
                model.fetchMore();
        rows = model.rowCount();
    }
    model.clear();
    state.counters["rows"] = rows;
}

#define SEARCH_BENCH(Action)                                                                                 \
    void Action##_bare(benchmark::State& s) {                                                                \
        Bare(s, Action);                                                                                     \
    }                                                                                                        \
    void Action##_firstScreen(benchmark::State& s) {                                                         \
        Ours(s, Action, false);                                                                              \
    }                                                                                                        \
    void Action##_allRows(benchmark::State& s) {                                                             \
        Ours(s, Action, true);                                                                               \
    }                                                                                                        \
    BENCHMARK(Action##_bare)->Name(#Action "/bare")->Unit(benchmark::kMillisecond);                          \
    BENCHMARK(Action##_firstScreen)->Name(#Action "/firstScreen")->Unit(benchmark::kMillisecond);            \
    BENCHMARK(Action##_allRows)->Name(#Action "/allRows")->Unit(benchmark::kMillisecond)

SEARCH_BENCH(WorkedExample);
SEARCH_BENCH(ChineseTwoWords);
SEARCH_BENCH(EnglishWord);
SEARCH_BENCH(FemaleList);
SEARCH_BENCH(ChapterPrefix);
SEARCH_BENCH(Icd9Name);
SEARCH_BENCH(Icd9Chapter);

// The ranking builder over 1000 ranks, on a fresh copy of the database each time.
void RankingBuilder(benchmark::State& state) {
    const std::string full = benchsupport::FullDatabasePath();
    if (full.empty()) {
        state.SkipWithError("full-size test database not built (needs ../shared/data)");
        return;
    }
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("icd_rank_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path copy = dir / "icd10_2023.mdb";
    int marks = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(full, copy, fs::copy_options::overwrite_existing);
        fs::remove(dir / "icd10_2023.mdb-wal");
        fs::remove(dir / "icd10_2023.mdb-shm");
        db::Connection c;
        c.open(copy.string());
        // The database's own test ranks when it has them, else the first 1000
        // ICD-9-CM codes of CM.
        db::Query count(c);
        count.setText("SELECT COUNT(*) AS N FROM btbindn");
        count.open();
        const bool hasRanks = count.field("N") != "0";
        count.close();
        if (!hasRanks)
            c.exec("INSERT INTO btbindn (IND_CODE, IND_INFECT_CODE) "
                   "SELECT ICD9_NO, substr('0000' || ROW_NUMBER() OVER (ORDER BY ICD9_NO), -5) "
                   "FROM (SELECT DISTINCT ICD9_NO FROM CM ORDER BY ICD9_NO LIMIT 1000)");
        state.ResumeTiming();
        marks = search::BuildRanking(c).marks;
    }
    state.counters["marks"] = marks;
    std::error_code ec;
    fs::remove_all(dir, ec);
}
BENCHMARK(RankingBuilder)->Name("RankingBuilder/1000ranks")->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
