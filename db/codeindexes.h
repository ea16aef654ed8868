#pragma once
// Indexes and planner statistics of the code database.
//
// The statements of the windows select codes by prefix (ICD10_NO LIKE 'S93%'),
// by range (ICD10_NO >= 'C60' AND ICD10_NO <= 'C63ZZZZZ') and look up the
// ICD-9-CM tables by code. With the code columns declared COLLATE NOCASE and
// indexed with the same collation, SQLite answers the prefix LIKE and the ranges
// from the index; ANALYZE gives the planner the table sizes it needs to prefer
// those indexes. Name searches (LIKE '%word%') read the whole table whatever the
// index, which on the full classification takes tens of milliseconds.

#include <string>
#include <vector>

namespace db {

class Connection;

// The index statements for the code tables (the same as the schema file's):
// ICD10(ICD10_NO) unique, CM(ICD9_NO), CM(ICD10_NO), ICD9(ICD9_NO),
// btbindn(IND_INFECT_CODE).
struct CodeIndex {
    std::string name, table, column;
    bool unique;
};
const std::vector<CodeIndex>& CodeIndexes();

// Creates each index of CodeIndexes() whose table and column exist in the
// database and that is not there yet (a unique index that duplicates prevent is
// created non-unique instead), then runs ANALYZE. Returns the names of the
// indexes created.
std::vector<std::string> OptimizeCodeDatabase(Connection& c);

} // namespace db
