#include "codes/coderules.h"

#include <algorithm>

#include "text/text.h"

namespace codes {

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

bool IsLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Upper-case letters and digits only, between minLength and maxLength of them.
bool IsUpperLettersAndDigits(std::string_view code, std::size_t minLength, std::size_t maxLength) {
    return code.size() >= minLength && code.size() <= maxLength &&
           std::all_of(code.begin(), code.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z'); });
}
} // namespace

bool IsStoredICD10Code(std::string_view code) {
    return IsUpperLettersAndDigits(code, 3, 7) && code[0] >= 'A' && code[0] <= 'Z' && code[1] >= '0' &&
           code[1] <= '9';
}

bool IsWrittenICD10Code(std::string_view code) {
    std::string stored(code);
    if (stored.size() > 3 && stored[3] == '.') stored.erase(3, 1);
    return IsStoredICD10Code(stored) && DottedICD10Code(stored) == code;
}

bool IsStoredIcd11Code(std::string_view code) {
    return IsUpperLettersAndDigits(code, 4, 7) && IsIcd11Code(code);
}

std::string CodeKey(std::string_view code) {
    std::string key;
    for (char c : code)
        if (c != '.') key += text::Upper(c);
    return key;
}

std::string LookupKey(std::string_view written) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!written.empty() && blank(written.front()))
        written.remove_prefix(1);
    while (!written.empty() && blank(written.back()))
        written.remove_suffix(1);
    const std::size_t dash = written.find('-');
    if (dash != std::string_view::npos && dash + 1 < written.size()) {
        std::string range;
        for (char c : written)
            if (!blank(c)) range += text::Upper(c);
        return range;
    }
    while (!written.empty() && (written.back() == '-' || written.back() == '.'))
        written.remove_suffix(1);
    return CodeKey(written);
}

std::string TypedPrefixKey(std::string_view typed) {
    const std::string t = text::Trim(typed);
    if (!std::all_of(t.begin(), t.end(), [](char c) { return c == '.' || IsLetterOrDigit(c); })) return {};
    std::string key = CodeKey(t);
    return key.size() <= 7 ? key : std::string();
}

std::string LettersAndDigits(std::string_view code) {
    std::string out;
    for (char c : code)
        if (IsLetterOrDigit(c)) out += text::Upper(c);
    return out;
}

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

std::string DottedICD10Code(std::string_view code) {
    std::string result(code);
    if (result.size() > 3 && result.find('.') == std::string::npos) result.insert(3, 1, '.');
    return result;
}

std::string DottedCode(std::string_view code) {
    if (!IsIcd11Code(code)) return DottedICD10Code(code);
    std::string result(code);
    if (result.size() > 4 && result.find('.') == std::string::npos) result.insert(4, 1, '.');
    return result;
}

Episode EpisodeOfSeventh(char seventh) {
    for (Episode e : {Episode::Initial, Episode::Subsequent, Episode::Sequela})
        if (SeventhCharactersOf(e).find(seventh) != std::string_view::npos) return e;
    return Episode::None;
}

std::string_view SeventhCharactersOf(Episode episode) {
    switch (episode) {
    case Episode::Initial:
        return "ABC";
    case Episode::Subsequent:
        return "DEFGHJKMNPQR";
    case Episode::Sequela:
        return "S";
    case Episode::None:
        break;
    }
    return "";
}

std::string_view EpisodeSeventhCharacters() {
    static const std::string all = [] {
        std::string s;
        for (Episode e : {Episode::Initial, Episode::Subsequent, Episode::Sequela})
            s += SeventhCharactersOf(e);
        return s;
    }();
    return all;
}

bool IsPlainEpisode(char seventh) {
    for (Episode e : {Episode::Initial, Episode::Subsequent, Episode::Sequela})
        if (SeventhCharactersOf(e).front() == seventh) return true;
    return false;
}

bool HasEpisodeSeventh(std::string_view code) {
    if (code.size() != 7) return false;
    const char seventh = text::Upper(code[6]);
    return seventh >= 'A' && seventh <= 'Z';
}

std::vector<std::string> EpisodeVariants(std::string_view code) {
    if (code.size() == 7 && IsPlainEpisode(code[6])) {
        const std::string stem(code.substr(0, 6));
        return {stem + "A", stem + "D", stem + "S"};
    }
    return {std::string(code)};
}

std::string WithSeventhCharacter(std::string_view stem, char seventh) {
    if (stem.size() >= 7) return {};
    std::string code(stem);
    code.resize(6, 'X');
    return code + seventh;
}

std::vector<std::string> SeventhCharacterStems(std::string_view code) {
    const std::string c = text::Upper(NormalizeICD10Code(code));
    if (c.size() != 7) return {};
    std::vector<std::string> out{c.substr(0, 6)};
    while (out.back().size() > 3 && out.back().back() == 'X')
        out.push_back(out.back().substr(0, out.back().size() - 1));
    return out;
}

bool IsIcd11Code(std::string_view code) {
    if (code.size() < 2 || (code[0] != 'S' && code[0] != 's')) return false;
    const char second = text::Upper(code[1]);
    if (second < 'A' || second > 'J' || second == 'I') return false;
    return code.size() == 2 || (code[2] >= '0' && code[2] <= '9');
}

std::string WrittenCode(std::string_view code) {
    // Only a code of letters and digits gets its dot: a range stays as it is.
    const bool plain = !code.empty() && std::all_of(code.begin(), code.end(), IsLetterOrDigit);
    return !plain || IsIcd11Code(code) ? std::string(code) : DottedICD10Code(code);
}

} // namespace codes
