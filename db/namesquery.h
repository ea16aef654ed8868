#pragma once
// Statements answered in part from the names index (namesindex.h).
//
// A statement of the form
//     SELECT <columns> FROM <table> WHERE <condition> [ORDER BY <key>]
// over an indexed table, whose condition holds a name condition the index can
// answer (<column> [NOT] LIKE '<pattern>' on an indexed column), is sent to the
// engine as
//     SELECT <columns> FROM names_rows(<n>) AS names_rows CROSS JOIN <table>
//       ON <table>.rowid = names_rows.names_rid [WHERE <the rest>]
//     ORDER BY names_rows.names_pos
// names_rows(n) gives, in the table's key order, the rows that the parts of
// the condition the index answers allow, found a block of rows at a time as
// the engine asks for them (a common word's first screen does not wait for the
// whole table); the engine reads just those rows through the row id and
// checks the rest of the condition on them:
//
//   SELECT ICD10_NO FROM ICD10 WHERE (  ( (ICD10_CNAME LIKE '%扭傷%')  ) )
//   AND (ICD10_FLAG='Y') ORDER BY ICD10_NO
//   => SELECT ICD10_NO FROM names_rows(7) AS names_rows CROSS JOIN ICD10
//      ON ICD10.rowid = names_rows.names_rid WHERE ((ICD10_FLAG='Y'))
//      ORDER BY names_rows.names_pos
//
// The rows are the engine's for the statement as written, in the same order:
// the index answers a LIKE exactly as the engine does (and leaves any it cannot
// tell to the engine); a NOT, AND or OR is answered by the index only when it
// can answer every part, NULLs counted as the engine counts them; the key order
// stands for ORDER BY <key> only when no two rows share a key; a statement
// without ORDER BY is rewritten only for a table kept in row order. Whatever
// else the statement holds (another table, a join, a subquery, BETWEEN, CASE,
// a comment, a parameter, a pattern too long for the engine's LIKE) is sent as
// written.

#include <memory>
#include <optional>
#include <string>

struct sqlite3;

namespace db {

class NamesIndex;
class Query;

// The names-index form of a statement: the engine's text and the row list it
// names, which must stay alive until the statement has ended.
struct NamesForm {
    std::string text;
    std::shared_ptr<const void> rows;
    bool restToEngine = false; // part of the condition is left to the engine
};

// The form of `statement` for `index`; nullopt when the index cannot answer any
// part of it. `likeLimit` is the engine's longest LIKE pattern.
std::optional<NamesForm> NamesFormOf(const std::shared_ptr<const NamesIndex>& index,
                                     const std::string& statement, int likeLimit);

// Opens the query in its names-index form and returns true when the
// connection's names index is ready and can answer part of its condition, and
// the engine would not rather read the rest through an index of its own (a
// code range or list it searches reads fewer rows than the names allow: such
// a statement has no names-index form at all);
// otherwise leaves it closed and returns false, and the caller opens it as it
// is. The query's lines stay as they are. A stale index is found here (after
// the statement has begun its read) and the statement is then not kept.
// Engine errors propagate as from Query::open.
bool TryOpenWithNames(Query& query);

// The text TryOpenWithNames would send for the query's lines now; "" when it
// would send none.
std::string NamesEngineText(Query& query);

namespace detail {
// Makes names_rows(n) known to a handle (Connection::open does it).
void RegisterNamesRows(sqlite3* handle);
} // namespace detail

} // namespace db
