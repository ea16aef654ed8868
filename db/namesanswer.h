#pragma once
// A condition answered from the names index (namesindex.h): which rows it is
// true for and which false, NULLs counted as the engine counts them (a NULL
// name is neither like nor not like a pattern, NOT of neither is neither, an
// AND is false when any part is, an OR true when any part is).
//
//   rows (code order)   0: "霍亂"   1: NULL   2: "傷寒"
//   ICD10_CNAME LIKE '%霍%'                   => true {0}     false {2}
//   ICD10_CNAME NOT LIKE '%霍%'               => true {2}     false {0}
//   NOT (ICD10_CNAME LIKE '%霍%')             => true {2}     false {0}
//   ICD10_CNAME LIKE '%霍%' OR ICD10_CNAME NOT LIKE '%寒%'
//                                             => true {0}     false {2}
//
// RowList holds the conditions of one statement that the index answers and
// finds the rows where all of them are true a block of rows at a time, so that
// the first screen of a common word waits for the first block, not for the
// whole table.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "db/namescondition.h"
#include "db/namesindex.h"

namespace db::detail {

// Whether the index can answer a condition exactly: every atom a name
// condition whose pattern and column it can match (NamesIndex::CanMatch),
// joined by AND, OR and NOT.
bool Answerable(const ConditionNode& node);

// An answerable condition over the rows from `first` up to `end` (bit i
// stands for row first + i): where it is true and where it is false.
struct Answer {
    RowSet isTrue, isFalse;
};
Answer Evaluate(const ConditionNode& node, const NamesTable& table, std::size_t first, std::size_t end);

// The rows that every condition of a statement the index answers allows.
struct RowList {
    static constexpr std::size_t BlockRows = 4096;

    std::shared_ptr<const NamesIndex> index; // keeps the table alive
    const NamesTable* table = nullptr;
    std::vector<ConditionNode> conditions; // answerable; all must hold
    std::size_t first = 0, end = 0;        // the positions they may hold in (a code prefix narrows them)

    // The positions from `from` up to `to` where every condition holds, in order.
    void find(std::size_t from, std::size_t to, std::vector<std::uint32_t>& out) const;
};

} // namespace db::detail
