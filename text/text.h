#pragma once
// Small text rules shared by every layer.
//
// Text inside the program is UTF-8. Where a rule counts bytes of Big5 text, it
// counts the bytes the text takes in code page 950: one byte for an ASCII
// character, two for any other character (CP950 is a double-byte code page).
// Cuts made by byte count never split a character.

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace text {

// Removes blanks and control characters (bytes 0x00-0x20 and 0x7F) at both ends.
//   "  S93.4\t" => "S93.4"     "\r\n頭痛 " => "頭痛"     "   " => ""
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// ASCII letters a to z as A to Z; every other byte as it is, so UTF-8 text keeps
// its characters (their bytes are all 0x80 or above). Not for Big5 bytes, whose
// second byte may be a letter. No locale is consulted.
//   "s93.401a" => "S93.401A"   "頭痛 all" => "頭痛 ALL"   "az`{" => "AZ`{"   'y' => 'Y'   '1' => '1'
std::string Upper(std::string_view s);
char Upper(char c);

// Length in bytes of one UTF-8 sequence starting with lead byte c (1 for an
// invalid lead byte, so broken text still advances one byte at a time).
std::size_t Utf8SequenceLength(unsigned char c);

// The characters of a UTF-8 text, each as its own string.
//   "A頭B" => {"A", "頭", "B"}
std::vector<std::string> Characters(std::string_view s);
std::size_t CharacterCount(std::string_view s);

// Bytes the text takes in CP950.
//   "A00" => 3     "頭痛" => 4     "S93 扭傷" => 8
std::size_t Cp950Length(std::string_view s);

// The longest leading run of whole characters that fits in maxBytes CP950 bytes.
//   ("頭痛欲裂", 5) => "頭痛"     ("AB頭", 3) => "AB"     ("ABC", 10) => "ABC"
std::string Cp950Left(std::string_view s, std::size_t maxBytes);

// Splits at a CP950 byte count: the head is Cp950Left(s, maxBytes), the tail is
// everything after it, so no character is lost or split.
//   ("ABC頭痛", 4) => {"ABC", "頭痛"}
std::pair<std::string, std::string> Cp950Split(std::string_view s, std::size_t maxBytes);

// Bytes from 1-based CP950 byte position `from` on, at most maxBytes of them, in
// whole characters. A position that falls on the second byte of a character
// starts after that character.
//   ("S93401A", 4, 10) => "401A"     ("頭痛ABC", 3, 10) => "痛ABC"
std::string Cp950Mid(std::string_view s, std::size_t from, std::size_t maxBytes);

// CP950 <-> UTF-8, through iconv on POSIX systems and code page 950 on Windows.
// Decoding never fails: a byte sequence that is not CP950 becomes U+FFFD.
// Encoding returns false when a character has no CP950 form (the output then
// holds '?' in its place).
std::string FromCp950(std::string_view bytes);
bool ToCp950(std::string_view utf8, std::string& out);

// True when the bytes are well-formed UTF-8: no stray or missing continuation
// byte, no overlong form, no surrogate, nothing beyond U+10FFFF.
bool IsValidUtf8(std::string_view s);

// The length of the well-formed UTF-8 sequence starting at s[i] (1 to 4), or 0
// when the bytes there are not one.
//   ("頭", 0) => 3     ("\xE9\xA0", 0) => 0     ("\xC0\x80", 0) => 0 (overlong)
std::size_t Utf8SequenceAt(std::string_view s, std::size_t i);

// The offset of the first byte that is not part of well-formed UTF-8, or npos.
//   "頭痛 A" => npos     "A\xA4\xA4" => 1
std::size_t FirstInvalidUtf8(std::string_view s);

} // namespace text
