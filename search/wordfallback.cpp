#include "search/wordfallback.h"

#include <algorithm>

#include "db/query.h"
#include "text/words.h"

namespace search {

namespace {

// The UTF-8 characters of a word, each as its bytes.
std::vector<std::string> Characters(const std::string& word) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < word.size();) {
        const auto lead = static_cast<unsigned char>(word[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        length = std::min(length, word.size() - i);
        out.push_back(word.substr(i, length));
        i += length;
    }
    return out;
}

bool HasChinese(const std::string& word) {
    for (char c : word)
        if (static_cast<unsigned char>(c) >= 0x80) return true;
    return false;
}

} // namespace

std::string CharacterOrderWords(std::string_view text, std::vector<std::string>* characters) {
    std::string result;
    bool split = false;
    std::size_t position = 1;
    std::string word;
    while (text::NextWord(text, ' ', position, word)) {
        if (!result.empty()) result += ' ';
        const std::vector<std::string> chars = Characters(word);
        if (chars.size() < 2 || !HasChinese(word)) {
            result += word;
            continue;
        }
        split = true;
        for (std::size_t i = 0; i < chars.size(); ++i) {
            if (i > 0) result += '%';
            result += chars[i];
            if (characters) characters->push_back(chars[i]);
        }
    }
    if (!split) {
        if (characters) characters->clear();
        return {};
    }
    return result;
}

SearchOutcome RunSearchWithFallback(const Criteria& criteria, db::Query& result, db::Query& aux) {
    SearchOutcome outcome;
    outcome.ran = RunSearch(criteria, result, aux);
    if (!outcome.ran || !result.eof()) return outcome;
    std::vector<std::string> characters;
    const std::string spread = CharacterOrderWords(criteria.chineseName, &characters);
    if (spread.empty()) return outcome;
    Criteria second = criteria;
    second.chineseName = spread;
    std::vector<std::string> exact = result.lines();
    if (!RunSearch(second, result, aux)) return outcome;
    if (result.eof()) {
        // Nothing either way: the exact statement is the one kept (its result was empty).
        result.close();
        result.lines() = std::move(exact);
        return outcome;
    }
    outcome.characterOrder = true;
    std::size_t position = 1;
    std::string word;
    while (text::NextWord(criteria.chineseName, ' ', position, word))
        outcome.typed += (outcome.typed.empty() ? "" : " ") + word;
    outcome.characters = std::move(characters);
    return outcome;
}

std::string FallbackNote(const SearchOutcome& outcome) {
    if (!outcome.characterOrder) return {};
    std::string list;
    for (const auto& c : outcome.characters)
        list += (list.empty() ? "" : "、") + c;
    return "找不到「" + outcome.typed + "」，以下為依序含「" + list + "」的結果";
}

} // namespace search
