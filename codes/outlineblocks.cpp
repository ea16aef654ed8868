#include "codes/outlineblocks.h"

#include "codes/outlinetexts.h"

namespace codes {

bool CodeInRange(std::string_view code, std::string_view range) {
    const std::size_t dash = range.find('-');
    if (dash == std::string_view::npos) return false;
    const std::string_view lower = range.substr(0, dash);
    const std::string_view upper = range.substr(dash + 1);
    return code >= lower && code.substr(0, upper.size()) <= upper;
}

std::vector<std::string> SeparateBlocksInside(const std::vector<std::string>& outlineLines,
                                              std::string_view range) {
    std::vector<std::string> inside;
    std::size_t row = outlineLines.size();
    std::vector<OutlineLine> parsed;
    parsed.reserve(outlineLines.size());
    for (const std::string& line : outlineLines)
        parsed.push_back(ParseOutlineLine(line));
    for (std::size_t i = 0; i < parsed.size(); ++i) {
        if (parsed[i].range == range) {
            row = i;
            break;
        }
    }
    if (row == outlineLines.size() || range.find('-') == std::string_view::npos) return inside;

    // The rows below the named row follow it, each with more leading blanks.
    const std::size_t depth = parsed[row].depth;
    std::size_t below = row + 1;
    while (below < parsed.size() && parsed[below].depth > depth)
        ++below;

    for (std::size_t i = 0; i < parsed.size(); ++i) {
        if (i >= row && i < below) continue;
        const std::string_view other = parsed[i].range;
        const std::size_t dash = other.find('-');
        if (dash == std::string_view::npos || other == range) continue;
        if (CodeInRange(other.substr(0, dash), range) && CodeInRange(other.substr(dash + 1), range))
            inside.emplace_back(other);
    }
    return inside;
}

bool InAnyRange(std::string_view code, const std::vector<std::string>& ranges) {
    for (const std::string& r : ranges)
        if (CodeInRange(code, r)) return true;
    return false;
}

} // namespace codes
