#include "text/words.h"

namespace text {

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

} // namespace text
