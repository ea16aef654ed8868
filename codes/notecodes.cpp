#include "codes/notecodes.h"

#include <algorithm>

#include "codes/coderules.h"

namespace codes {

namespace {

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsAlnum(char c) {
    return IsUpper(c) || IsDigit(c) || (c >= 'a' && c <= 'z');
}

// A code starting at i: its stored form and where it ends (after a trailing
// "-", ".-" or "."); npos when no code starts there.
struct Scanned {
    std::size_t end = std::string_view::npos;
    std::string code;
};

Scanned ScanCode(std::string_view t, std::size_t i) {
    Scanned s;
    if (i + 3 > t.size() || !IsUpper(t[i]) || !IsDigit(t[i + 1]) || !(IsUpper(t[i + 2]) || IsDigit(t[i + 2])))
        return s;
    if (i > 0 && IsAlnum(t[i - 1])) return s;
    std::size_t j = i + 3;
    std::string code(t.substr(i, 3));
    if (j < t.size() && t[j] == '.') {
        std::size_t k = j + 1;
        while (k < t.size() && k - j <= 4 && (IsUpper(t[k]) || IsDigit(t[k])))
            code += t[k++];
        j = k; // "I69." keeps its dot; "S93.1" its characters
        if (j < t.size() && t[j] == '-' && code.size() == 3) ++j; // "B36.-"
    }
    if (j < t.size() && IsAlnum(t[j])) return s; // part of a longer word: "G6PD", "B12b"
    s.end = j;
    s.code = std::move(code);
    return s;
}

} // namespace

std::vector<CodeReference> FindCodeReferences(std::string_view text) {
    std::vector<CodeReference> out;
    std::size_t i = 0;
    while (i < text.size()) {
        Scanned a = ScanCode(text, i);
        if (a.end == std::string_view::npos) {
            ++i;
            continue;
        }
        CodeReference r;
        r.begin = i;
        r.first = r.last = a.code;
        std::size_t end = a.end;
        // A trailing dash: either "more characters follow" or the dash of a range.
        std::size_t j = end;
        if (j < text.size() && text[j] == '-') ++j;
        std::size_t k = j;
        while (k < text.size() && text[k] == ' ')
            ++k;
        // "A-B", "A--B", "A -B", "A- B": a range when a code follows the dash.
        bool dash = false;
        if (k < text.size() && text[k] == '-' && k + 1 < text.size()) {
            dash = true;
            ++k;
            while (k < text.size() && text[k] == ' ')
                ++k;
        } else if (j > end) {
            dash = true; // the dash right after the first code
        }
        Scanned b = dash ? ScanCode(text, k) : Scanned{};
        if (b.end != std::string_view::npos && b.code >= a.code) {
            r.last = b.code;
            end = b.end;
            if (end < text.size() && text[end] == '-') ++end;
        } else if (j > end && (j >= text.size() || !IsAlnum(text[j]))) {
            end = j; // "S93.1-": more characters follow
        }
        r.length = end - r.begin;
        out.push_back(std::move(r));
        i = end;
    }
    return out;
}

bool ReferenceCovers(const CodeReference& reference, std::string_view code) {
    const std::string c = CodeKey(code);
    if (reference.first.empty()) return false;
    if (!reference.isRange()) return c.compare(0, reference.first.size(), reference.first) == 0;
    const std::string low = c.substr(0, reference.first.size());
    const std::string high = c.substr(0, reference.last.size());
    return low >= reference.first && high <= reference.last;
}

} // namespace codes
