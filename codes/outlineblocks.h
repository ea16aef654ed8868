#pragma once
// Which codes a block of the chapter outline holds. A block is written as a
// range of categories ("C76-C80"), and code text sorts some separate blocks
// inside the range of another: C7A and C7B sort between C76 and C80, D3A
// between D37 and D48. Those codes belong to their own block only, so the
// listing of the wider block leaves them out.

#include <string>
#include <string_view>
#include <vector>

namespace codes {

// Whether a code lies in a range "lower-upper": at or after the lower bound and,
// cut to the length of the upper bound, at or before it (so every code below the
// last category is in). Case counts; codes are stored in capitals.
//   ("C7A1", "C76-C80") => true   ("C81", "C76-C80") => false   ("C80", "C76-C80") => true
//   ("S9341XA", "S934-S936") => true   ("A00", "A00") => false (no "-", no range)
bool CodeInRange(std::string_view code, std::string_view range);

// The ranges of the outline rows that sort inside the range of the outline row
// named `range` without being that row or one of the rows below it. The outline
// lines have the form "<blanks><range>:<name>"; a range that names no row has
// none.
//   "C76-C80" => {"C7A-C7A", "C7B-C7B"}   "D37-D48" => {"D3A-D3A"}
//   "C00-C75" => {}  (C7A and C7B are rows below it)   "A00-A01" => {}
std::vector<std::string> SeparateBlocksInside(const std::vector<std::string>& outlineLines,
                                              std::string_view range);

// Whether a code belongs to one of the given ranges.
bool InAnyRange(std::string_view code, const std::vector<std::string>& ranges);

} // namespace codes
