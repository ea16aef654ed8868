#pragma once
// The two outline texts of the classification (the chapter outline browser and
// the tree browser read them), compiled into the program.
//
// Each line reads: L leading blanks (the level, 0 for a chapter row), a range of
// exactly 7 characters ("A00-A09", "C45-C4A", "B10-B10"), a colon, then the
// Chinese name up to the end of the line. Lines are returned unchanged, leading
// blanks and the one trailing blank (" I80-I89:靜脈、淋巴管、淋巴結疾病 ") kept.
//
//   Icd10OutlineLines(): 313 lines, 22 chapters, ICD-10-CM chapters and blocks
//   Icd11OutlineLines():  31 lines,  2 chapters, ICD-11 traditional medicine

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace codes {

// One outline line taken apart: its depth (the leading blanks; only blanks
// count), its range (the line without its leading and trailing blanks, up to
// its first colon; none without a colon) and its name (what follows that colon).
//   "  A00-A09:腸道傳染病"                  => 2, "A00-A09", "腸道傳染病"
//   " I80-I89:靜脈、淋巴管、淋巴結疾病 "    => 1, "I80-I89", "靜脈、淋巴管、淋巴結疾病"
//   "\t B10-B10:x:y"                        => 0, "B10-B10", "x:y"
//   "腸道傳染病" => 0, "", ""      "" => 0, "", ""      "   " => 3, "", ""
struct OutlineLine {
    std::size_t depth = 0;
    std::string range;
    std::string name;
};
OutlineLine ParseOutlineLine(std::string_view line);

const std::vector<std::string>& Icd10OutlineLines();
const std::vector<std::string>& Icd11OutlineLines();

// The lines of the outline of the given mode.
inline const std::vector<std::string>& OutlineTextLines(bool icd11Mode) {
    return icd11Mode ? Icd11OutlineLines() : Icd10OutlineLines();
}

} // namespace codes
