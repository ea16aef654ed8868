#pragma once
// Blank-separated words of a text, as the search splits a name box and as the
// browsers take a code out of a stored text. Positions count bytes; a Big5 or
// UTF-8 trail byte is never a blank, so Chinese text splits correctly.

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// The next word of a text: words are the maximal runs of bytes other than the
// separator; runs of separators count as one. position is 1-based and advances
// past the word and one separator. Returns true when a word was found.
//   ("  頭痛  慢性 ", ' ', 1) => "頭痛", then "慢性", then false
bool NextWord(std::string_view text, char separator, std::size_t& position, std::string& word);

// The first blank-separated word of a text ("" when it has none).
std::string FirstWord(std::string_view text);

} // namespace text
