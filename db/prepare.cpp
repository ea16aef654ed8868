#include "db/prepare.h"

#include <sqlite3.h>

#include "db/error.h"

namespace db::detail {

sqlite3_stmt* PrepareOne(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    const char* tail = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &stmt, &tail) != SQLITE_OK)
        throw Error(sqlite3_errmsg(db));
    if (!stmt) throw Error("查詢敘述是空的");
    while (tail && *tail) {
        sqlite3_stmt* extra = nullptr;
        const char* next = nullptr;
        int rc = sqlite3_prepare_v2(db, tail, -1, &extra, &next);
        if (extra) {
            sqlite3_finalize(extra);
            sqlite3_finalize(stmt);
            throw Error("一次只能執行一個查詢敘述");
        }
        if (rc != SQLITE_OK) {
            std::string msg = sqlite3_errmsg(db);
            sqlite3_finalize(stmt);
            throw Error(msg);
        }
        if (next == tail) break;
        tail = next;
    }
    return stmt;
}

} // namespace db::detail
