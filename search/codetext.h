#pragma once
// Code normalisation and the word tokenizer shared by the search, the tree
// browser and the outline browser. Positions and lengths count CP950 bytes, and
// no cut splits a double-byte character.

#include <cstddef>
#include <string>
#include <string_view>

namespace search {

// An ICD-10 code as typed, in the dot-free stored form. Only a dot at byte 4 is
// removed; at most 10 bytes follow it.
//   "S93.401A" => "S93401A"   "M25.5" => "M255"   " A00 " => "A00"   "S934.01" => "S934.01"
std::string NormalizeICD10Code(std::string_view typed);

// An ICD-9 code as typed, in the dotted stored form: longer than 3 bytes without
// a dot at byte 4 gets one after byte 3 (at most 10 bytes follow it). External
// causes (E800-E999) have four characters before their dot, so an E code gets
// its dot after byte 4 instead.
//   "7231" => "723.1"   "723" => "723"   "72" => "72"   "723.1" => "723.1"
//   "E9060" => "E906.0"   "E906.0" => "E906.0"   "E906" => "E906"
std::string NormalizeICD9Code(std::string_view typed);

// The next word of a text: words are the maximal runs of bytes other than the
// separator; runs of separators count as one. position is 1-based and advances
// past the word and one separator. Returns true when a word was found.
//   ("  頭痛  慢性 ", ' ', 1) => "頭痛", then "慢性", then false
bool NextWord(std::string_view text, char separator, std::size_t& position, std::string& word);

// The first blank-separated word of a text ("" when it has none).
std::string FirstWord(std::string_view text);

} // namespace search
