#pragma once
// A statement rewritten so that the names index (namesindex.h) answers its name
// conditions. A statement of the form
//     SELECT <columns> FROM <table> WHERE <condition> [ORDER BY <key>]
// over an indexed table, whose condition holds a name condition the index can
// answer (<column> [NOT] LIKE '<pattern>' on an indexed column), is sent to the
// engine as
//     SELECT <columns> FROM names_rows(?1) AS names_rows CROSS JOIN <table>
//       ON <table>.rowid = names_rows.names_rid [WHERE <the rest>]
//     ORDER BY names_rows.names_pos
// with ?1 bound to the list of the rows the answered parts allow (namesrows.h);
// the engine reads just those rows through the row id and checks the rest of
// the condition on them:
//
//   SELECT ICD10_NO FROM ICD10 WHERE (  ( (ICD10_CNAME LIKE '%扭傷%')  ) )
//   AND (ICD10_FLAG='Y') ORDER BY ICD10_NO
//   => SELECT ICD10_NO FROM names_rows(?1) AS names_rows CROSS JOIN ICD10
//      ON ICD10.rowid = names_rows.names_rid WHERE ((ICD10_FLAG='Y'))
//      ORDER BY names_rows.names_pos
//      rows: ICD10_CNAME LIKE '%扭傷%'      restToEngine: true
//   ... WHERE (ICD10_NO LIKE 'S93%') AND (ICD10_ENAME LIKE '%sprain%') ORDER BY ICD10_NO
//   => rows: both conditions, searched only in the run of codes that begin
//      with S93 (NamesIndex::KeyPrefixRows)              restToEngine: false
//   ... WHERE ICD10_NO LIKE 'A%' ORDER BY ICD10_NO      => none (no name: the
//      engine's code index reads it)
//   ... WHERE (ICD10_NO IN ('S93401A','A00')) AND (ICD10_CNAME LIKE '%_%')
//   => none (a code list the engine searches reads fewer rows than the names allow)
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

namespace db {

class NamesIndex;

namespace detail {
struct RowList;
}

// The names-index form of a statement: the engine's text and the row list to
// bind to its one parameter (namesquery.h's OpenNamesForm does both).
struct NamesForm {
    std::string text;
    std::shared_ptr<const detail::RowList> rows;
    bool restToEngine = false; // part of the condition is left to the engine
};

// The form of `statement` for `index`; nullopt when the index cannot answer any
// part of it. `likeLimit` is the engine's longest LIKE pattern.
std::optional<NamesForm> NamesFormOf(const std::shared_ptr<const NamesIndex>& index,
                                     const std::string& statement, int likeLimit);

} // namespace db
