#include "benchsupport.h"

namespace benchsupport {

namespace {
void Len(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const unsigned char* t = sqlite3_value_text(argv[0]);
    if (!t) return sqlite3_result_null(ctx);
    sqlite3_int64 n = 0;
    for (; *t; ++t)
        if ((*t & 0xC0) != 0x80) ++n;
    sqlite3_result_int64(ctx, n);
}
} // namespace

int RunBare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) return -1;
    int rows = 0, cols = sqlite3_column_count(st);
    std::size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < cols; ++c) {
            sqlite3_column_text(st, c);
            bytes += static_cast<std::size_t>(sqlite3_column_bytes(st, c));
        }
        ++rows;
    }
    benchmark::DoNotOptimize(bytes);
    sqlite3_finalize(st);
    return rows;
}

sqlite3* OpenBare(benchmark::State& state) {
    std::string path = FullDatabasePath();
    if (path.empty()) {
        state.SkipWithError("full-size test database not built (needs ../shared/data)");
        return nullptr;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("cannot open the full-size test database");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_create_function_v2(db, "LEN", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, Len, nullptr,
                               nullptr, nullptr);
    return db;
}

} // namespace benchsupport
