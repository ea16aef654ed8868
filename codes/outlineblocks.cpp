#include "codes/outlineblocks.h"

namespace codes {

namespace {

std::size_t LeadingBlanks(std::string_view line) {
    std::size_t n = 0;
    while (n < line.size() && line[n] == ' ')
        ++n;
    return n;
}

// The range of an outline line: after its leading blanks, up to its first colon.
std::string_view LineRange(std::string_view line) {
    line.remove_prefix(LeadingBlanks(line));
    const std::size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

} // namespace

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
    for (std::size_t i = 0; i < outlineLines.size(); ++i) {
        if (LineRange(outlineLines[i]) == range) {
            row = i;
            break;
        }
    }
    if (row == outlineLines.size() || range.find('-') == std::string_view::npos) return inside;

    // The rows below the named row follow it, each with more leading blanks.
    const std::size_t depth = LeadingBlanks(outlineLines[row]);
    std::size_t below = row + 1;
    while (below < outlineLines.size() && LeadingBlanks(outlineLines[below]) > depth)
        ++below;

    for (std::size_t i = 0; i < outlineLines.size(); ++i) {
        if (i >= row && i < below) continue;
        const std::string_view other = LineRange(outlineLines[i]);
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
