#include "outline/outlinemodel.h"

#include "codes/outlinetexts.h"
#include "text/text.h"

namespace outline {

namespace {

constexpr std::size_t kMaxNameBytes = 100;

// A row of a parsed outline line, its name cut to the bytes a tile holds.
OutlineRow RowOf(const codes::OutlineLine& line) {
    return {line.range, text::Cp950Left(line.name, kMaxNameBytes)};
}

} // namespace

std::vector<OutlineRow> ChapterRows(const std::vector<std::string>& lines) {
    std::vector<OutlineRow> rows;
    for (const auto& line : lines) {
        if (line.empty() || static_cast<unsigned char>(line[0]) <= ' ') continue;
        if (static_cast<int>(rows.size()) == kMaxChapters) break;
        rows.push_back(RowOf(codes::ParseOutlineLine(line)));
    }
    return rows;
}

std::vector<OutlineRow> OutlineChildren(const std::vector<std::string>& lines, const std::string& code) {
    std::vector<OutlineRow> children;
    if (code.empty()) return children;
    const std::string key = code + ":";
    std::size_t row = 0;
    std::size_t found = std::string::npos;
    for (; row < lines.size(); ++row) {
        found = lines[row].find(key);
        if (found != std::string::npos) break;
    }
    if (found == std::string::npos) return children;
    const std::size_t depth = found + 1; // children's leading blanks (1-based position of the code)
    for (std::size_t i = row + 1; i < lines.size(); ++i) {
        const codes::OutlineLine line = codes::ParseOutlineLine(lines[i]);
        if (line.depth < depth) break;
        if (line.depth > depth) continue; // a deeper descendant
        children.push_back(RowOf(line));
    }
    return children;
}

RangeBounds SplitRange(const std::string& code) {
    RangeBounds b;
    if (code.find('-') == std::string::npos) {
        b.lower = code;
        return b;
    }
    b.isRange = true;
    b.lower = code.substr(0, 3);
    b.upper = code.size() > 4 ? code.substr(4, 3) : std::string();
    return b;
}

} // namespace outline
