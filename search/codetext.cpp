#include "search/codetext.h"

#include "text/text.h"

namespace search {

namespace {
// The character that starts at 1-based CP950 byte position pos, or "" when pos
// falls inside a double-byte character or past the end.
std::string CharAtCp950(std::string_view s, std::size_t pos) {
    std::size_t at = 1;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = text::Utf8SequenceLength(static_cast<unsigned char>(s[i]));
        if (i + n > s.size()) n = s.size() - i;
        if (at == pos) return std::string(s.substr(i, n));
        if (at > pos) return {};
        at += static_cast<unsigned char>(s[i]) < 0x80 ? 1 : 2;
        i += n;
    }
    return {};
}
} // namespace

std::string NormalizeICD10Code(std::string_view typed) {
    std::string t = text::Trim(typed);
    if (CharAtCp950(t, 4) != ".") return t;
    auto [head, rest] = text::Cp950Split(t, 3);
    return head + text::Cp950Left(std::string_view(rest).substr(1), 10);
}

std::string NormalizeICD9Code(std::string_view typed) {
    std::string t = text::Trim(typed);
    const std::size_t head = !t.empty() && (t[0] == 'E' || t[0] == 'e') ? 4 : 3;
    if (text::Cp950Length(t) <= head || CharAtCp950(t, head + 1) == ".") return t;
    auto [first, rest] = text::Cp950Split(t, head);
    return first + "." + text::Cp950Left(rest, 10);
}

bool NextWord(std::string_view text, char separator, std::size_t& position, std::string& word) {
    word.clear();
    bool found = false;
    if (position < 1) position = 1;
    if (position > text.size()) return false;
    while (position <= text.size() && text[position - 1] == separator)
        ++position;
    while (position <= text.size() && text[position - 1] != separator) {
        word.push_back(text[position - 1]);
        ++position;
        found = true;
    }
    // Step past the separator that ended the word (only reached after a word).
    if (position <= text.size() && text[position - 1] == separator) ++position;
    return found;
}

std::string FirstWord(std::string_view text) {
    std::size_t pos = 1;
    std::string word;
    NextWord(text, ' ', pos, word);
    return word;
}

} // namespace search
