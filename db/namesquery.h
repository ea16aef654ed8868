#pragma once
// Opening a query through the names index: a statement's name conditions
// answered from the connection's index (namesform.h rewrites the statement,
// namesrows.h gives the engine the rows), the rest by the engine.
//
//   q.setText("SELECT ICD10_NO FROM ICD10 WHERE (ICD10_CNAME LIKE '%扭傷%') ORDER BY ICD10_NO");
//   if (!db::TryOpenWithNames(q)) q.open();   // the same rows either way
//
//   TryOpenWithNames => true   the index is ready and current: the rows come
//                              through it (q.lines() unchanged)
//                    => false  the index is still being built, found stale, or
//                              cannot answer the statement; the statement is
//                              better read through a code index of the
//                              engine's; or the rewritten form fails (the
//                              statement as written then says what is wrong)
//
// The file as the opened statement reads it must be the one the index was
// built from: the index's data version is checked after the statement has
// begun its read (a write committed before that, by any connection, makes the
// index stale; it is then dropped and built again), and not at all beside a
// statement of the same connection that is part-way through an older read.

#include <string>

namespace db {

class Query;
struct NamesForm;

// Opens the query in its names-index form and returns true when the
// connection's names index is ready and can answer part of its condition, and
// the engine would not rather read the rest through an index of its own (a
// code range or list it searches reads fewer rows than the names allow: such
// a statement has no names-index form at all);
// otherwise leaves it closed and returns false, and the caller opens it as it
// is. The query's lines stay as they are. An interruption propagates
// (db::Interrupted); an engine error of the rewritten form returns false, so
// that the statement as written, opened by the caller, says what is wrong.
bool TryOpenWithNames(Query& query);

// The text TryOpenWithNames would send for the query's lines now; "" when it
// would send none.
std::string NamesEngineText(Query& query);

// Opens the query with the form's text in place of its lines, the form's rows
// bound to its parameter; no check of the index's currency (the caller's:
// tests and the fuzzer, which build an index of their own). Throws as
// Query::open.
void OpenNamesForm(Query& query, const NamesForm& form);

} // namespace db
