#pragma once
// names_rows(?1): the rows a RowList allows (namesanswer.h), as a table the
// engine reads, in the table's key order, a block of rows at a time as the
// engine asks for them. Its columns are hidden, so that "*" still means the
// other table's columns: names_rid (the row id of the indexed table) and
// names_pos (the row's position in the key order).
//
//   SELECT ICD10_NO FROM names_rows(?1) AS names_rows CROSS JOIN ICD10
//     ON ICD10.rowid = names_rows.names_rid ORDER BY names_rows.names_pos
//   ?1 bound by BindRowList to the list of ICD10_CNAME LIKE '%扭傷%'
//   => the codes whose Chinese name holds 扭傷, in code order, read through
//      their row ids (no sort: the positions are the order)
//
// The list reaches the function only as a pointer bound with its own type
// (the engine's pointer passing): SQL text cannot name one, and a statement
// that gives it a number, a text or another program's pointer fails with
//   "names_rows：參數不是名稱索引的代碼清單"
// The statement owns the list from binding until it is finalized (or the
// parameter bound again); nothing else records it.

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

namespace db::detail {

struct RowList;

// Makes names_rows known to a handle (Connection::open does it).
void RegisterNamesRows(sqlite3* handle);

// Binds the list to the statement's parameter; throws db::Error when the
// statement has no such parameter.
void BindRowList(sqlite3_stmt* statement, int parameter, std::shared_ptr<const RowList> rows);

} // namespace db::detail
