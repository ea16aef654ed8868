#pragma once
// The two CP950 steps each platform supplies (iconv on POSIX systems, code page
// 950 on Windows), one character each way; the conversions of whole texts walk
// the text once, in text.cpp, and call them.

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// Appends to out, in UTF-8, the character that the CP950 bytes starting at
// bytes[at] (a byte of 0x80 or more) stand for, and returns how many bytes it
// took: 2 for a lead byte and its trail byte, 1 where the platform's table has
// a one-byte character there. Returns 0, appending nothing, when the bytes are
// no CP950 character (a byte that leads nothing, a lead byte without its trail
// byte, a pair the table does not define).
std::size_t AppendCp950Character(std::string_view bytes, std::size_t at, std::string& out);

// Appends to out the CP950 bytes of one UTF-8 character (its 2 to 4 bytes, or
// fewer where the text is cut short) and returns true; returns false, appending
// nothing, when it has no CP950 form or is no UTF-8 character.
bool AppendCp950Of(std::string_view utf8Character, std::string& out);

} // namespace text
