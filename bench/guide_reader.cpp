// The coder's guide (bin/icd10cm_guide_2023.db, made by the build), each action
// beside the bare SQLite statements of the same work:
//   GuideNotes/<code>/ours      Guide::lookup: path, every inherited note with
//                               its links, the 7th-character table
//   GuideNotes/<code>/bare      the statements it rests on, bare: the path, the
//                               notes of the path, the 7th-character table, the
//                               order-file row
//   IndexTyping/<n>_<typed>     each keystroke of "sprain ankle" and "low back
//                               pain": the index search and the first screen
//                               (50 entries) as text. Counters: median_ms and
//                               worst_ms over the iterations; bare_ms, the median
//                               of a bare LIKE scan of the term table for the
//                               typed words (own titles only, so it finds less).
//   IndexLoad/ours, /bare       reading the index into memory on first use, and
//                               the bare statement that reads the same rows;
//                               counters: memory_MB (the index's own count),
//                               rss_growth_MB (the process's resident size after
//                               the load) and peak_growth_MB (its high-water mark)
//   BuildGuide/ours, /bare      icdtool build-guide's work from data/official,
//                               and the bare engine writing the finished guide
//                               anew (VACUUM INTO): the floor for its pages
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "benchsupport.h"
#include "guide/importer.h"
#include "guide/reader.h"

namespace {

using Clock = std::chrono::steady_clock;
using benchsupport::Median;
using benchsupport::Ms;

std::string GuidePath() {
    const std::filesystem::path p = std::filesystem::path(ICD_BINARY_DIR) / "bin" / "icd10cm_guide_2023.db";
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) ? p.string() : std::string();
}

double StatusKb(const char* key) {
    std::ifstream f("/proc/self/status");
    std::string k;
    double kb = 0;
    while (f >> k)
        if (k == std::string(key) + ":") {
            f >> kb;
            break;
        }
    return kb;
}

sqlite3* OpenBareGuide(benchmark::State& state) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(GuidePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("cannot open the guide");
        sqlite3_close(db);
        return nullptr;
    }
    return db;
}

bool NeedGuide(benchmark::State& state) {
    if (!GuidePath().empty()) return true;
    state.SkipWithError("the guide is not built (target guide_db)");
    return false;
}

// Code, its tabular node and the node whose 7th-character table applies.
struct NotesCase {
    const char* code;
    const char* stem; // the tabular code it stands under ("" = itself)
};
const NotesCase kNotes[] = {{"S93401A", "S93401"}, {"M5450", ""}, {"T1501XA", "T1501"}};

void NotesOurs(benchmark::State& state, NotesCase c) {
    if (!NeedGuide(state)) return;
    guide::Guide g;
    g.open(GuidePath());
    std::size_t notes = 0;
    for (auto _ : state) {
        const guide::CodeGuide s = g.lookup(c.code);
        notes = 0;
        for (const auto& group : s.notes)
            notes += group.notes.size();
        benchmark::DoNotOptimize(s);
    }
    state.counters["notes"] = static_cast<double>(notes);
}

void NotesBare(benchmark::State& state, NotesCase c) {
    if (!NeedGuide(state)) return;
    sqlite3* db = OpenBareGuide(state);
    if (!db) return;
    const std::string key = *c.stem ? c.stem : c.code;
    // The node and the nearest 7th-character table are looked up once: the
    // statements below are what every lookup then reads.
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, ("SELECT id FROM node WHERE key = '" + key + "'").c_str(), -1, &st, nullptr);
    sqlite3_step(st);
    const std::string id = std::to_string(sqlite3_column_int64(st, 0));
    sqlite3_finalize(st);
    const std::string up =
        "WITH RECURSIVE up(id) AS (SELECT " + id +
        " UNION ALL SELECT (SELECT node.parent FROM node WHERE node.id = up.id) FROM up WHERE "
        "up.id IS NOT NULL) ";
    const std::vector<std::string> statements = {
        "SELECT id FROM node WHERE key = '" + key + "'",
        up + "SELECT node.id, node.kind, node.code, node.title, node.depth, node.last FROM up CROSS JOIN "
             "node ON "
             "node.id = up.id ORDER BY node.depth",
        up + "SELECT note.node, note.kind, note.text FROM up CROSS JOIN note ON note.node = up.id ORDER BY "
             "note.block, note.seq",
        up + "SELECT seventh.character, seventh.text FROM up CROSS JOIN seventh ON seventh.node = up.id",
        std::string("SELECT billable, title FROM code WHERE code = '") + c.code + "'"};
    for (auto _ : state)
        for (const std::string& s : statements)
            benchsupport::RunBare(db, s);
    sqlite3_close(db);
}

// One keystroke of a typed text: the search and its first screen.
void TypeKey(benchmark::State& state, std::string typed, std::size_t key) {
    if (!NeedGuide(state)) return;
    static guide::Guide g;
    if (!g.isOpen()) g.open(GuidePath());
    guide::IndexSearch& index = g.index();
    index.load();
    const std::string text = typed.substr(0, key);
    std::vector<double> times;
    std::size_t rows = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const std::vector<long> hits = index.find(text);
        std::size_t bytes = 0;
        for (std::size_t i = 0; i < hits.size() && i < 50; ++i)
            bytes += index.entry(hits[i]).text().size();
        benchmark::DoNotOptimize(bytes);
        const auto took = Clock::now() - start;
        times.push_back(Ms(took));
        state.SetIterationTime(std::chrono::duration<double>(took).count());
        rows = hits.size();
    }
    // The bare engine: a LIKE scan of the terms for each typed word.
    sqlite3* db = OpenBareGuide(state);
    if (!db) return;
    std::string sql = "SELECT id, display, code FROM term WHERE 1";
    for (const std::string& w : guide::SearchWords(text))
        sql += " AND (' ' || display) LIKE '% " + w + "%'";
    std::vector<double> bare;
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        benchsupport::RunBare(db, sql);
        bare.push_back(Ms(Clock::now() - start));
    }
    sqlite3_close(db);
    state.counters["median_ms"] = Median(times);
    state.counters["worst_ms"] = times.empty() ? 0 : *std::max_element(times.begin(), times.end());
    state.counters["bare_ms"] = Median(bare);
    state.counters["rows"] = static_cast<double>(rows);
}

void IndexLoadOurs(benchmark::State& state) {
    if (!NeedGuide(state)) return;
    // The first load of the process is the one the program makes: later ones
    // reuse memory the allocator kept.
    double rss = 0, peak = 0, bytes = 0;
    for (auto _ : state) {
        guide::Guide g;
        g.open(GuidePath());
        const double before = StatusKb("VmRSS"), peakBefore = StatusKb("VmHWM");
        g.index().load();
        rss = std::max(rss, StatusKb("VmRSS") - before);
        peak = std::max(peak, StatusKb("VmHWM") - peakBefore);
        bytes = static_cast<double>(g.index().memoryBytes());
    }
    state.counters["memory_MB"] = bytes / (1024.0 * 1024.0);
    state.counters["rss_growth_MB"] = rss / 1024.0;
    state.counters["peak_growth_MB"] = peak / 1024.0;
}

void IndexLoadBare(benchmark::State& state) {
    if (!NeedGuide(state)) return;
    sqlite3* db = OpenBareGuide(state);
    if (!db) return;
    for (auto _ : state)
        benchsupport::RunBare(
            db, "SELECT id, parent, level, last, title, nemod, display, code, manif, see, see_also, "
                "subcat, seecat FROM term ORDER BY id");
    sqlite3_close(db);
}

void BuildOurs(benchmark::State& state) {
    if (!NeedGuide(state)) return;
    const std::string out = (std::filesystem::temp_directory_path() / "bench_guide.db").string();
    const guide::ImportSources sources =
        guide::OfficialSources(std::string(ICD_SOURCE_DIR) + "/data/official");
    for (auto _ : state)
        guide::BuildGuide(out, sources, nullptr);
    std::filesystem::remove(out);
}

void BuildBare(benchmark::State& state) {
    if (!NeedGuide(state)) return;
    sqlite3* db = OpenBareGuide(state);
    if (!db) return;
    const std::string out = (std::filesystem::temp_directory_path() / "bench_guide_bare.db").string();
    for (auto _ : state) {
        std::filesystem::remove(out);
        sqlite3_exec(db, ("VACUUM INTO '" + out + "'").c_str(), nullptr, nullptr, nullptr);
    }
    std::filesystem::remove(out);
    sqlite3_close(db);
}

const bool kRegistered = [] {
    // Loading first, in a process that has not read the index yet.
    benchmark::RegisterBenchmark("IndexLoad/bare", IndexLoadBare)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("IndexLoad/ours", IndexLoadOurs)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
    for (const NotesCase& c : kNotes) {
        benchmark::RegisterBenchmark((std::string("GuideNotes/") + c.code + "/bare").c_str(), NotesBare, c)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("GuideNotes/") + c.code + "/ours").c_str(), NotesOurs, c)
            ->Unit(benchmark::kMillisecond);
    }
    for (const std::string typed : {"sprain ankle", "low back pain"})
        for (std::size_t key = 1; key <= typed.size(); ++key) {
            if (typed[key - 1] == ' ') continue; // a blank adds no word
            benchmark::RegisterBenchmark(
                ("IndexTyping/" + std::to_string(key) + "_" + typed.substr(0, key)).c_str(),
                [typed, key](benchmark::State& s) { TypeKey(s, typed, key); })
                ->UseManualTime()
                ->Iterations(30)
                ->Unit(benchmark::kMillisecond);
        }
    benchmark::RegisterBenchmark("BuildGuide/bare", BuildBare)->Unit(benchmark::kSecond)->Iterations(2);
    benchmark::RegisterBenchmark("BuildGuide/ours", BuildOurs)->Unit(benchmark::kSecond)->Iterations(2);
    return true;
}();

} // namespace
