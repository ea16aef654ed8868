#include "db/namesrows.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "db/error.h"
#include "db/namesanswer.h"

namespace db::detail {

namespace {

// The type under which a list is bound: the engine hands a bound pointer only
// to a reader that names the same type.
constexpr const char* RowListType = "db::detail::RowList";

using HeldList = std::shared_ptr<const RowList>;

void ReleaseList(void* held) {
    delete static_cast<HeldList*>(held);
}

// Columns of names_rows: the list (its one argument), the row id and the
// position of each row. All hidden, so that "*" means the table's columns.
enum RowsColumn { ListColumn, RowidColumn, PositionColumn };

struct RowsCursor : sqlite3_vtab_cursor {
    HeldList list;
    std::size_t next = 0;             // first row of the block to search next
    std::vector<std::uint32_t> block; // positions found in the block in hand
    std::size_t at = 0;               // the current one of them
    sqlite3_int64 number = 0;         // rows given so far

    bool atEnd() const { return !list || at >= block.size(); }
    // Moves on to the next block that has a row, if any.
    void seek() {
        while (list && at >= block.size() && next < list->end) {
            const std::size_t end = std::min(next + RowList::BlockRows, list->end);
            list->find(next, end, block);
            next = end;
            at = 0;
        }
    }
};

int RowsConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** table, char**) {
    const int rc = sqlite3_declare_vtab(
        db, "CREATE TABLE x(names_list HIDDEN, names_rid INTEGER HIDDEN, names_pos INTEGER HIDDEN)");
    if (rc != SQLITE_OK) return rc;
    *table = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!*table) return SQLITE_NOMEM;
    std::memset(*table, 0, sizeof(sqlite3_vtab));
    return SQLITE_OK;
}

int RowsDisconnect(sqlite3_vtab* table) {
    sqlite3_free(table);
    return SQLITE_OK;
}

int RowsBestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    int list = -1;
    for (int i = 0; i < info->nConstraint; ++i)
        if (info->aConstraint[i].iColumn == ListColumn &&
            info->aConstraint[i].op == SQLITE_INDEX_CONSTRAINT_EQ && info->aConstraint[i].usable)
            list = i;
    if (list < 0) {
        info->idxNum = 0;
        info->estimatedCost = 1e12;
        return SQLITE_OK;
    }
    info->aConstraintUsage[list].argvIndex = 1;
    // The list's pointer reads as NULL in SQL: the engine must not compare it again.
    info->aConstraintUsage[list].omit = 1;
    info->idxNum = 1;
    info->estimatedCost = 10;
    info->estimatedRows = 1000;
    if (info->nOrderBy == 1 && info->aOrderBy[0].iColumn == PositionColumn && !info->aOrderBy[0].desc)
        info->orderByConsumed = 1;
    return SQLITE_OK;
}

int RowsOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor) {
    auto* c = new (std::nothrow) RowsCursor();
    if (!c) return SQLITE_NOMEM;
    *cursor = c;
    return SQLITE_OK;
}

int RowsClose(sqlite3_vtab_cursor* cursor) {
    delete static_cast<RowsCursor*>(cursor);
    return SQLITE_OK;
}

// The next block with a row; a failure to hold its rows is the engine's "out of memory".
int SeekRows(RowsCursor* c) {
    try {
        c->seek();
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
    return SQLITE_OK;
}

int RowsFilter(sqlite3_vtab_cursor* cursor, int idxNum, const char*, int argc, sqlite3_value** argv) {
    auto* c = static_cast<RowsCursor*>(cursor);
    c->list = nullptr;
    c->block.clear();
    c->at = c->next = 0;
    c->number = 0;
    if (idxNum != 1 || argc != 1) return SQLITE_OK; // no list named: no rows
    const auto* held = static_cast<const HeldList*>(sqlite3_value_pointer(argv[0], RowListType));
    if (!held || !*held) {
        sqlite3_free(cursor->pVtab->zErrMsg);
        cursor->pVtab->zErrMsg = sqlite3_mprintf("names_rows：參數不是名稱索引的代碼清單");
        return SQLITE_ERROR;
    }
    c->list = *held;
    c->next = c->list->first;
    return SeekRows(c);
}

int RowsNext(sqlite3_vtab_cursor* cursor) {
    auto* c = static_cast<RowsCursor*>(cursor);
    ++c->at;
    ++c->number;
    return SeekRows(c);
}

int RowsEof(sqlite3_vtab_cursor* cursor) {
    return static_cast<RowsCursor*>(cursor)->atEnd();
}

int RowsColumnValue(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column) {
    const auto* c = static_cast<RowsCursor*>(cursor);
    const std::uint32_t position = c->block[c->at];
    switch (column) {
    case ListColumn:
        break; // NULL: the list is not handed on
    case RowidColumn:
        sqlite3_result_int64(context, c->list->table->rowids[position]);
        break;
    default:
        sqlite3_result_int64(context, position);
        break;
    }
    return SQLITE_OK;
}

int RowsRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
    *rowid = static_cast<RowsCursor*>(cursor)->number;
    return SQLITE_OK;
}

// A table-valued function only (no xCreate); every other entry left empty, so
// that the table is read-only whatever the engine's version adds.
sqlite3_module MakeRowsModule() {
    sqlite3_module module{};
    module.xConnect = RowsConnect;
    module.xBestIndex = RowsBestIndex;
    module.xDisconnect = RowsDisconnect;
    module.xOpen = RowsOpen;
    module.xClose = RowsClose;
    module.xFilter = RowsFilter;
    module.xNext = RowsNext;
    module.xEof = RowsEof;
    module.xColumn = RowsColumnValue;
    module.xRowid = RowsRowid;
    return module;
}

const sqlite3_module RowsModule = MakeRowsModule();

} // namespace

void RegisterNamesRows(sqlite3* handle) {
    sqlite3_create_module(handle, "names_rows", &RowsModule, nullptr);
}

void BindRowList(sqlite3_stmt* statement, int parameter, std::shared_ptr<const RowList> rows) {
    // The engine releases the holder when it is done with it, the failed bind included.
    auto* held = new HeldList(std::move(rows));
    if (sqlite3_bind_pointer(statement, parameter, held, RowListType, ReleaseList) != SQLITE_OK)
        throw Error(sqlite3_errmsg(sqlite3_db_handle(statement)));
}

} // namespace db::detail
