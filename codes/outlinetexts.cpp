#include "codes/outlinetexts.h"

#include <string_view>

#include "text/text.h"

namespace codes {
namespace {

constexpr std::string_view kIcd10Text =
#include "icd10cm_outline.inc"
    ;

constexpr std::string_view kIcd11Text =
#include "icd11_outline.inc"
    ;

// Splits at line feeds; a carriage return before a line feed (a checkout with
// Windows line endings) is not part of the line. The final line feed ends the
// last line and does not start an empty one.
std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        start = end + 1;
    }
    return lines;
}

} // namespace

OutlineLine ParseOutlineLine(std::string_view line) {
    OutlineLine parsed;
    while (parsed.depth < line.size() && line[parsed.depth] == ' ')
        ++parsed.depth;
    const std::string trimmed = text::Trim(line);
    const std::size_t colon = trimmed.find(':');
    if (colon == std::string::npos) return parsed;
    parsed.range = trimmed.substr(0, colon);
    parsed.name = trimmed.substr(colon + 1);
    return parsed;
}

const std::vector<std::string>& Icd10OutlineLines() {
    static const std::vector<std::string> lines = SplitLines(kIcd10Text);
    return lines;
}

const std::vector<std::string>& Icd11OutlineLines() {
    static const std::vector<std::string> lines = SplitLines(kIcd11Text);
    return lines;
}

} // namespace codes
