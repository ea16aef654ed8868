#pragma once
// Helpers shared by the benchmark programs.
//
// Every action is measured together with the bare SQLite statement it sends, in
// the same run, so results read as ratios: register "<Action>/bare" and
// "<Action>/ours" side by side.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace benchsupport {

// The full-size test database (<build>/fulldata/icd10_2023.mdb), or "" when it
// has not been built.
inline std::string FullDatabasePath() {
    std::filesystem::path p = std::filesystem::path(ICD_BINARY_DIR) / "fulldata" / "icd10_2023.mdb";
    std::error_code ec;
    return std::filesystem::is_regular_file(p, ec) ? p.string() : std::string();
}

// Runs a statement with the bare SQLite C API on its own connection and reads
// every column of every row as text; returns the number of rows. LEN is
// registered the same way the program registers it, so the statements are the
// program's own. Returns -1 on an error.
int RunBare(sqlite3* db, const std::string& sql);

// Opens the full-size database with the bare API (LEN registered); nullptr and a
// skipped benchmark when it is absent.
sqlite3* OpenBare(benchmark::State& state);

// A duration in milliseconds, and the median of measured times (0 for none),
// for benchmarks that time the steps of one iteration themselves.
inline double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}
inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

} // namespace benchsupport
