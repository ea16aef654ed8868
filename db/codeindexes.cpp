#include "db/codeindexes.h"

#include <sqlite3.h>

#include "db/connection.h"
#include "db/sqltext.h"

namespace db {

namespace {

bool HasColumn(sqlite3* db, const std::string& table, const std::string& column) {
    return sqlite3_table_column_metadata(db, nullptr, table.c_str(), column.c_str(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool HasIndex(sqlite3* db, const std::string& name) {
    sqlite3_stmt* st = nullptr;
    bool found = false;
    if (sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_master WHERE type='index' AND name=?1 COLLATE NOCASE",
                           -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        found = sqlite3_step(st) == SQLITE_ROW;
    }
    sqlite3_finalize(st);
    return found;
}

} // namespace

const std::vector<CodeIndex>& CodeIndexes() {
    static const std::vector<CodeIndex> indexes = {
        {"ICD10_NO_IDX", "ICD10", "ICD10_NO", true},
        {"CM_ICD9_IDX", "CM", "ICD9_NO", false},
        {"CM_ICD10_IDX", "CM", "ICD10_NO", false},
        {"ICD9_NO_IDX", "ICD9", "ICD9_NO", false},
        {"BTBINDN_RANK_IDX", "btbindn", "IND_INFECT_CODE", false},
    };
    return indexes;
}

std::vector<std::string> OptimizeCodeDatabase(Connection& c) {
    sqlite3* db = c.handle();
    std::vector<std::string> made;
    for (const auto& ix : CodeIndexes()) {
        if (!HasColumn(db, ix.table, ix.column) || HasIndex(db, ix.name)) continue;
        std::string tail =
            " ON " + SqlIdentifier(ix.table) + " (" + SqlIdentifier(ix.column) + " COLLATE NOCASE)";
        if (ix.unique) {
            try {
                c.exec("CREATE UNIQUE INDEX " + SqlIdentifier(ix.name) + tail);
                made.push_back(ix.name);
                continue;
            } catch (const Error&) {
                // Duplicate codes in a clinic's own table: index them all the same.
            }
        }
        c.exec("CREATE INDEX " + SqlIdentifier(ix.name) + tail);
        made.push_back(ix.name);
    }
    c.exec("ANALYZE");
    return made;
}

} // namespace db
