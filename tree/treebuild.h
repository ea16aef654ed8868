#pragma once
// Building the trees of the tree browser: the result tree (codes under a typed
// prefix or in a typed or chosen range, nested by code length), the outline tree
// (the chapter outline text) and the simplified subtree (one query per node,
// names shortened to what tells siblings apart). Builders fill plain nodes
// (treenode.h); nothing is fetched later when a node is expanded.
//
// Values typed by the user go into the statements between single quotes with
// each single quote doubled.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tree/treenode.h"

namespace db {
class Connection;
class Query;
} // namespace db

namespace tree {

// Lower and upper bound of a typed range: the text before the first "-", and at
// most 10 bytes after it (never cutting a character). Nothing is trimmed.
//   "A00-A09" => {"A00", "A09"}   "A00-" => {"A00", ""}   " A00 - B" => {" A00 ", " B"}
struct CodeRange {
    std::string lower;
    std::string upper;
};
CodeRange SplitCodeRange(std::string_view text);

// The key of a display: the text trimmed, a-z turned to A-Z (no other byte
// changes), then NormalizeICD10Code, of each bound when it is a range.
//   " a00.1 " => "A001"   "s00-t88" => "S00-T88"   "頭a" => "頭A"
//   "S93.4-S93.6" => "S934-S936"   "s93.4 - s93.60" => "S934-S9360"
std::string DisplayKey(std::string_view editText);

// Whether the key names a range (it holds a "-").
inline bool IsRangeKey(std::string_view key) {
    return key.find('-') != std::string_view::npos;
}

// The statement of the result tree.
//   prefix (no "-" in the key): from NormalizeICD10Code of the text as typed, in
//     its own letter case:  SELECT * FROM ICD10 WHERE ICD10_NO LIKE  'a00%' ORDER BY ICD10_NO
//   range: SELECT * FROM ICD10 WHERE ICD10_NO >=  'A00' AND ICD10_NO<='A09ZZZZZ' ORDER BY ICD10_NO
std::string ResultTreeStatement(const std::string& key, const std::string& typed);

// Statement of the children of a code at a given length in a simplified subtree.
//   ("A00", 4) => SELECT * FROM ICD10 WHERE ICD10_NO LIKE 'A00%' AND len(ICD10_NO)=4 ORDER BY ICD10_NO
std::string SubtreeStatement(const std::string& code, std::size_t length);

// The outline lines the tree browser searches for block roots: one list for the
// whole run, shared by every tree window, refilled by every outline build.
std::vector<std::string>& TreeOutlineLines();

// Text of a code node: the code, a blank, the decorated Chinese name of the
// query's current row.
std::string CodeNodeText(const db::Query& row);
// Gives a node the code and names of the query's current row (its tooltip).
void SetCodeNames(Tree& tree, Node* node, const db::Query& row);

// Clears the tree and fills it from one ordered query on `query` (left open
// after its last row). A range key gets, as its top, a block root made from the
// first of `outlineLines` that contains the key; codes nest by their length:
// a longer code hangs under the code placed last, one of the same length
// beside it, a shorter one beside the last code of its own length. The first
// top-level node is marked to be shown expanded by one level. A prefix that
// matches nothing gives one node whose text is a single blank; a range that
// matches no code and no outline line gives one node saying so
// (NoCodesInRangeText). When the key is the range of an outline row, codes of
// separate outline blocks that sort inside it (C7A in C76-C80) are left out,
// and so are ICD-11 codes from an ICD-10-CM range. Engine errors propagate;
// the nodes added so far stay.
void BuildResultTree(Tree& tree, const std::string& key, const std::string& typed, db::Query& query,
                     const std::vector<std::string>& outlineLines);

// Text of the one node of a range that finds nothing:
//   "S934-S936" => " S934-S936:此範圍查無代碼"
std::string NoCodesInRangeText(const std::string& key);

// Root text of the outline tree: "2023 ICD-10-CM", or "ICD-11-CM" in ICD-11 mode.
std::string OutlineRootText(bool icd11Mode);

// Clears the tree and fills it from outline lines under the root of the mode:
// a line with k leading blanks sits at level k + 1 below the root. Refills
// TreeOutlineLines() with the lines. The root is marked to be shown expanded.
void BuildOutlineTree(Tree& tree, bool icd11Mode, const std::vector<std::string>& lines);
// The same from the outline text of the mode: the ICD-10-CM chapters and blocks,
// or the ICD-11 traditional-medicine chapter.
void BuildOutlineTree(Tree& tree, bool icd11Mode);

// Adds a node "code name" below `parent` (top level when null) and, below it,
// every descendant of the code with one query per node: the children are the
// codes one byte longer, or two, or three when the shorter lengths give none.
// Below the added node every name is shortened to its distinct part among its
// siblings (the tooltip keeps the whole name). Returns the added node.
Node* AddCodeSubtree(Tree& tree, Node* parent, const std::string& code, const std::string& name,
                     db::Connection& connection, const std::string& englishName = {});

// The simplified display: clears the tree, looks the code (NormalizeICD10Code
// of the edit text, case kept) up on `query` for its decorated name (empty when
// absent) and adds its simplified subtree at the top level.
void BuildSimplifiedTree(Tree& tree, const std::string& editText, db::Query& query,
                         db::Connection& connection);

} // namespace tree
