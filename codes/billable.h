#pragma once
// The billable codes under a header: what a coder can hand off when the code in
// front of them is a category or subcategory ("非最細碼無法使用").
//
// A code is billable when its ICD10_FLAG is exactly "Y", the flag as the code
// table holds it (the same test as the hand-off's finest-code check). The codes
// under a header are the longer codes that begin with it, whatever their length:
// children that skip a level (S93.01 has only S93.01XA, S93.01XD, S93.01XS) are
// found as well as direct ones.
//
//   header S934 (踝扭傷) => S93401A S93401D S93401S S93402A ... S93499S
//   header S93401        => S93401A S93401D S93401S   (seventh characters)
//   header S9301         => S9301XA S9301XD S9301XS   (placeholder X, a level skipped)
//   header S93401A       => nothing: a billable code has no codes under it
//   header SA0 (ICD-11)  => the flagged codes of SA0 in the same table

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace db {
class Query;
}

namespace codes {

// One row of the code table, as the chooser of billable codes shows it.
struct CodeRow {
    std::string code;        // ICD10_NO, without the dot
    std::string chineseName; // ICD10_CNAME, undecorated
    std::string englishName; // ICD10_ENAME
    std::string flag;        // ICD10_FLAG: "Y" billable
    std::string flag2023;    // ICD10_2023FLAG
    std::string new2023;     // ICD10_2023NEW

    bool operator==(const CodeRow&) const = default;
};

// ICD10_FLAG exactly "Y": no trimming, no other case.
bool IsBillableFlag(std::string_view flag);

// True when code lies under header: it is longer and begins with it, letters
// compared without regard to case as the code table compares them.
//   ("S934", "S93401A") => true   ("S934", "s93401a") => true
//   ("S934", "S934") => false     ("S934", "S9350") => false   ("", "A00") => false
bool IsUnder(std::string_view header, std::string_view code);

// A header and the billable codes under it.
struct HeaderCodes {
    std::optional<CodeRow> header; // the header's own row, when the table has it
    std::vector<CodeRow> billable; // the billable codes under it, in code order

    // Something to choose from: the header is a code of the table, not billable
    // itself, and has billable codes under it.
    bool offersChoice() const { return header && !IsBillableFlag(header->flag) && !billable.empty(); }
};

// From a list of rows in any order: the header's own row and the billable
// codes under it, sorted by code. The header is matched ignoring case.
HeaderCodes BillableUnder(std::string_view header, const std::vector<CodeRow>& rows);

// From the code table, through the given query (closed, given its statement,
// opened and read to the end):
//   SELECT ICD10_NO,ICD10_CNAME,ICD10_ENAME,ICD10_FLAG,ICD10_2023FLAG,ICD10_2023NEW
//   FROM ICD10 WHERE ICD10_NO LIKE 'S934%' ORDER BY ICD10_NO
// A quote in the header is doubled. An empty header gives nothing and runs no
// statement. Engine errors propagate as db::Error.
HeaderCodes BillableDescendants(db::Query& query, std::string_view header);

// Whether a row matches what the user typed into the chooser's filter: every
// blank-separated word of the filter must occur in the code (dots in the word
// are ignored, so "S93.401" finds S93401A), the Chinese name or the English name
// (ASCII letters without regard to case). An empty filter matches every row.
//   ("右 初期", 右踝扭傷，未明示韌帶，初期照護) => true
//   ("right initial", "Right ankle sprain, ..., initial encounter") => true
//   ("S93.40", S93401A) => true      ("左", 右踝扭傷...) => false
bool MatchesFilter(const CodeRow& row, std::string_view filter);

} // namespace codes
