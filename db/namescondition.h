#pragma once
// A statement's WHERE condition read as a tree of AND, OR and NOT over atoms,
// for the names index (namesform.h). An atom is a name condition the index may
// answer (<column> [NOT] LIKE '<pattern>' on a column of the indexed table),
// or anything else, which only the engine answers; an atom that compares or
// lists the table's key is marked, since the engine reads those through an
// index of its own. Each node keeps its bytes of the statement.
//
// For a table indexed with the key ICD10_NO and the name column ICD10_CNAME:
//
//   (ICD10_CNAME LIKE '%扭傷%') AND (ICD10_FLAG='Y')
//   => And[ Atom ICD10_CNAME LIKE "%扭傷%", Atom (the engine's) ]
//   NOT (ICD10_CNAME NOT LIKE '%左%' OR ICD10_NO IN ('A00'))
//   => Not[ Or[ Atom ICD10_CNAME NOT LIKE "%左%", Atom on the key ] ]
//   ICD10_ENAME LIKE 'a'      => Atom (the engine's: ICD10_ENAME is not indexed here)
//   ICD10_CNAME LIKE '%a%' ESCAPE '!'  => Atom (the engine's: not the plain form)
//   refused: BETWEEN, CASE, EXISTS, a subquery or any other word of
//            Unfollowed (sqltokens.h); unbalanced brackets; "(a) = 1"

#include <cstddef>
#include <string>
#include <vector>

#include "db/sqltokens.h"

namespace db {

struct NamesColumn;
struct NamesTable;

namespace detail {

struct ConditionNode {
    enum Type { And, Or, Not, Atom } type = Atom;
    std::vector<ConditionNode> children;
    std::size_t begin = 0, end = 0;      // bytes of the statement
    const NamesColumn* column = nullptr; // a name condition: its column ...
    bool negated = false;                // ... NOT LIKE ...
    std::string pattern;                 // ... and its pattern
    bool onKey = false; // a comparison or list of the table's key (ICD10_NO IN (...), ICD10_NO >= 'C60')
};

// Reads the condition held by tokens [begin, end) over `table`; false when it
// is not one this reading follows.
bool ParseCondition(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                    const NamesTable& table, ConditionNode& out);

} // namespace detail

} // namespace db
