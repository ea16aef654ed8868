// Fuzzes the outline readers over arbitrary outline text: the chapter rows, the
// children of a row picked from the text itself, and the bounds of a range.
// Nothing may crash; rows keep to their byte budgets and come from the text.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "outline/outlinemodel.h"
#include "text/text.h"

#include "fuzzcheck.h"

namespace {

std::vector<std::string> Lines(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= s.size(); ++i)
        if (i == s.size() || s[i] == '\n') {
            out.push_back(s.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

void CheckRows(const std::vector<outline::OutlineRow>& rows) {
    for (const auto& r : rows) {
        CHECK(text::Cp950Length(r.name) <= 100);
        outline::RangeBounds b = outline::SplitRange(r.code);
        CHECK(b.lower.size() <= r.code.size());
        CHECK(b.upper.size() <= r.code.size());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string raw(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = Lines(raw);

    const auto chapters = outline::ChapterRows(lines);
    CHECK(chapters.size() <= static_cast<std::size_t>(outline::kMaxChapters));
    CheckRows(chapters);

    // Children of every chapter, of the first word of every line, and of the
    // whole first line as a key.
    for (const auto& c : chapters) {
        auto rows = outline::OutlineChildren(lines, c.code);
        CHECK(rows.size() < lines.size());
        CheckRows(rows);
    }
    for (const std::string& line : lines) {
        const std::string t = text::Trim(line);
        const std::string key = t.substr(0, t.find(':'));
        auto rows = outline::OutlineChildren(lines, key);
        CHECK(rows.size() < lines.size() || lines.empty());
        CheckRows(rows);
        outline::SplitRange(key);
        outline::SplitRange(line);
    }
    if (!lines.empty()) CheckRows(outline::OutlineChildren(lines, lines.front()));
    CheckRows(outline::OutlineChildren(lines, ""));
    return 0;
}
