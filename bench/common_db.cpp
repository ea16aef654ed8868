// The engine layer on the full-size database: opening it through db::Connection
// and reading results through db::Query, each next to the bare SQLite C API
// doing the same work; the peak memory with the database open; and the names
// index: how long after opening it is ready, and what it holds.
#include <algorithm>
#include <fstream>
#include <string>

#include "app/core/indexednames.h"
#include "benchsupport.h"
#include "db/connection.h"
#include "db/databasefile.h"
#include "db/namesindex.h"
#include "db/query.h"

namespace {

// Opening as the program does: which file to open, the connection (LEN, busy
// timeout, the check that it is a database), closed again.
void OpenDatabaseOurs(benchmark::State& state) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    for (auto _ : state) {
        db::Connection c;
        c.open(db::PrepareDatabaseFile(path));
        c.close();
    }
}

void OpenDatabaseBare(benchmark::State& state) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        benchsupport::RunBare(db, "SELECT count(*) FROM sqlite_master");
        sqlite3_close(db);
    }
}

// Statements as the windows send them, read to the end, every column as text.
struct Statement {
    const char* name;
    const char* sql;
};
const Statement kStatements[] = {
    {"PrefixQuery", "SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'S93%' ORDER BY ICD10_NO"},
    {"RangeQuery", "SELECT * FROM ICD10 WHERE ICD10_NO >=  'M00' AND ICD10_NO<='M99ZZZZZ' ORDER BY ICD10_NO"},
    {"ChildrenQuery",
     "SELECT * FROM ICD10 WHERE ICD10_NO LIKE 'S934%' AND len(ICD10_NO)=5 ORDER BY ICD10_NO"},
    {"NameWordQuery",
     "SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW FROM ICD10 WHERE \r\n"
     "(  ( (ICD10_CNAME LIKE '%扭傷%')  AND (ICD10_CNAME LIKE '%踝%')  ) )\r\nORDER BY ICD10_NO\r\n"},
    {"Icd9Lookup", "SELECT * FROM CM WHERE ICD9_NO LIKE '845.0%' ORDER BY ICD10_NO "},
};

void QueryOurs(benchmark::State& state, const Statement& s) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    db::Connection c;
    c.open(path);
    db::Query q(c);
    int rows = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        q.close();
        q.setText(s.sql);
        q.open();
        rows = 0;
        for (; !q.eof(); q.next()) {
            for (int i = 0; i < q.fieldCount(); ++i)
                bytes += q.value(i).size();
            ++rows;
        }
    }
    benchmark::DoNotOptimize(bytes);
    state.counters["rows"] = rows;
}

void QueryBare(benchmark::State& state, const Statement& s) {
    sqlite3* db = benchsupport::OpenBare(state);
    if (!db) return;
    int rows = 0;
    for (auto _ : state)
        rows = benchsupport::RunBare(db, s.sql);
    state.counters["rows"] = rows;
    sqlite3_close(db);
}

// Kilobytes of a field of /proc/self/status ("VmHWM:   12345 kB").
double StatusKb(const char* field) {
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size() + 1));
    return 0;
}

// Peak memory of this process with the full database open and every code row
// read through a query (the largest result any window asks for), as the
// database layer's share of the program's peak.
void PeakMemoryFullDatabase(benchmark::State& state) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    const double before = StatusKb("VmHWM");
    db::Connection c;
    c.open(path);
    int rows = 0;
    for (auto _ : state) {
        db::Query q(c);
        q.setText("SELECT * FROM ICD10 ORDER BY ICD10_NO");
        q.open();
        rows = 0;
        for (; !q.eof(); q.next()) {
            benchmark::DoNotOptimize(q.field("ICD10_CNAME"));
            ++rows;
        }
    }
    state.counters["rows"] = rows;
    state.counters["VmHWM_MB"] = StatusKb("VmHWM") / 1024.0;
    state.counters["VmHWM_before_open_MB"] = before / 1024.0;
}

} // namespace

BENCHMARK(OpenDatabaseBare)->Name("OpenDatabase/bare")->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenDatabaseOurs)->Name("OpenDatabase/ours")->Unit(benchmark::kMicrosecond);

namespace {
const bool kRegistered = [] {
    for (const auto& s : kStatements) {
        benchmark::RegisterBenchmark((std::string(s.name) + "/bare").c_str(), QueryBare, s)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string(s.name) + "/ours").c_str(), QueryOurs, s)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();
} // namespace

BENCHMARK(PeakMemoryFullDatabase)
    ->Name("PeakMemory/fullDatabaseOpen")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

namespace {

// From opening the database and starting the names index, as the program does
// at start-up, until the index is ready (real time: it is built on a thread of
// its own). Counters: MB, the index's own count of the bytes it holds;
// RSS_growth_MB, how much the process's resident memory grew (the largest
// growth of the iterations).
void NamesIndexReady(benchmark::State& state) {
    const std::string path = benchsupport::FullDatabasePath();
    if (path.empty()) return state.SkipWithError("full-size test database not built (needs ../shared/data)");
    double megabytes = 0, growth = 0;
    for (auto _ : state) {
        const double before = StatusKb("VmRSS");
        db::Connection c;
        c.open(path);
        app::StartNamesIndex(c);
        if (!c.waitForNamesIndex()) return state.SkipWithError("the names index was not built");
        megabytes = static_cast<double>(c.namesIndex()->bytes()) / 1048576.0;
        growth = std::max(growth, (StatusKb("VmRSS") - before) / 1024.0);
        state.PauseTiming();
        c.close();
        state.ResumeTiming();
    }
    state.counters["MB"] = megabytes;
    state.counters["RSS_growth_MB"] = growth;
}

} // namespace

BENCHMARK(NamesIndexReady)
    ->Name("NamesIndex/ready")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
