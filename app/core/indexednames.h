#pragma once
// The name columns of the code database that the program's searches read with
// LIKE '%word%' (search/statement.cpp: the criteria's words, the ICD-9 name
// look-up), which the names index (db/namesindex.h) holds in memory:
//
//   ICD10, in code order (ICD10_NO):  ICD10_NO, ICD10_CNAME, ICD10_ENAME
//       (the codes too, so that a typed code prefix narrows a word search)
//   ICD9, in row order:               ICD9_NAME, ICD9_NAME2
//
// A search that reads another name column with LIKE adds it here; until then
// the engine answers that condition (and the rest of its statement) itself.

#include <vector>

#include "db/namesindex.h"

namespace db {
class Connection;
}

namespace app {

const std::vector<db::NamesIndex::IndexedTable>& IndexedNames();

// Starts building the connection's names index over IndexedNames() in the
// background (start-up, a database built or chosen in the program, and the
// tests and benchmarks that search as the program does).
void StartNamesIndex(db::Connection& connection);

} // namespace app
