#include "outline/outlinemodel.h"

#include "text/text.h"

namespace outline {

namespace {

constexpr std::size_t kMaxNameBytes = 100;

bool AllBlanks(const std::string& line, std::size_t count) {
    if (line.size() < count) return false;
    for (std::size_t i = 0; i < count; ++i)
        if (line[i] != ' ') return false;
    return true;
}

} // namespace

std::vector<OutlineRow> ChapterRows(const std::vector<std::string>& lines) {
    std::vector<OutlineRow> rows;
    for (const auto& line : lines) {
        if (line.empty() || static_cast<unsigned char>(line[0]) <= ' ') continue;
        if (static_cast<int>(rows.size()) == kMaxChapters) break;
        rows.push_back({line.substr(0, 7), text::Cp950Mid(line, 9, kMaxNameBytes)});
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
        const std::string& line = lines[i];
        if (!AllBlanks(line, depth)) break;
        if (line.size() > depth && line[depth] == ' ') continue; // a deeper descendant
        const std::string t = text::Trim(line);
        const std::size_t colon = t.find(':');
        if (colon == std::string::npos) {
            children.push_back({t, std::string()});
            continue;
        }
        children.push_back({t.substr(0, colon), text::Cp950Left(t.substr(colon + 1), kMaxNameBytes)});
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
