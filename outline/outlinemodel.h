#pragma once
// Reading the outline texts: the chapter rows, the children of a row and the
// bounds of a range. Positions and lengths count CP950 bytes (the outline's
// ranges and blanks are ASCII, so a byte is a character there).

#include <string>
#include <vector>

namespace outline {

// One row of the outline as the browser shows it: its range (or, below the
// outline, a database code) and its Chinese name.
struct OutlineRow {
    std::string code;
    std::string name;
    bool operator==(const OutlineRow&) const = default;
};

// Most chapter rows an outline may give (there are 22 chapter tiles).
inline constexpr int kMaxChapters = 22;

// The chapter rows in order: lines whose first byte is above the blank. At most
// 22 are taken. Code and name are the line's range and name
// (codes::ParseOutlineLine), the name at most 100 bytes.
//   "A00-B99:傳染病、寄生蟲" => {"A00-B99", "傳染病、寄生蟲"}
std::vector<OutlineRow> ChapterRows(const std::vector<std::string>& lines);

// The children of the row whose range is `code`, in outline order. The row is
// the first line that holds code + ":" anywhere; if it starts at 1-based byte p,
// its children are the following lines with exactly p leading blanks, up to the
// first line with fewer. Each child is its line's range and name
// (codes::ParseOutlineLine: the line trimmed and cut at its first colon); the
// name is at most 100 bytes.
//   "T20-T32" => T20-T25, T26-T28, T30-T32
//   "S00-T88" => its 20 blocks (the three under T20-T32 are skipped)
//   "B10"     => nothing: it only matches the upper bound in "  B10-B10:…", where
//                no line has that many leading blanks
//   " I80-I89:靜脈、淋巴管、淋巴結疾病 " gives the name without its trailing blank
std::vector<OutlineRow> OutlineChildren(const std::vector<std::string>& lines, const std::string& code);

// The bounds of a range. A code with "-" is a range: lower = bytes 1 to 3, upper
// = the 3 bytes from byte 5. A code without "-" is a single code.
//   "C45-C4A" => range C45..C4A     "B10-B10" => range B10..B10     "A01" => single
struct RangeBounds {
    bool isRange = false;
    std::string lower;
    std::string upper;
};
RangeBounds SplitRange(const std::string& code);

} // namespace outline
