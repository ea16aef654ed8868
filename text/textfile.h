#pragma once
// The bytes of a text file a user brings (a spreadsheet export, a downloaded
// release), read as the program's readers read them: UTF-8 with or without a
// byte-order mark, or else Big5 (CP950). Bytes that are not valid in the
// file's encoding (a damaged download, a UTF-8 file with a few bytes of
// another encoding in it, a Big5 file with broken pairs) are a fault with its
// line and column, never text: a name made of them could not be read back.
//
//   "A00,霍亂" in UTF-8                     => UTF-8, no fault
//   EF BB BF "A00,霍亂" (with the mark)      => UTF-8, the mark dropped, no fault
//   "A00," C0 4E B6 C3 (霍亂 in CP950)       => CP950, "A00,霍亂"
//   "A00,霍亂\r\nA01," B6 C3 (UTF-8, then CP950 bytes) => fault at line 2, column 5: not UTF-8
//   "A00," C0 4E "\r\nA01," A4 2C (a lead byte, then a comma) => fault at line 2, column 5: not CP950

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

enum class TextEncoding { Utf8, Cp950 };

// Where the bytes stop being text, and why.
struct TextFault {
    std::size_t line = 0;   // from 1; 0 when there is no fault
    std::size_t column = 0; // the byte within the line, from 1
    // What is wrong, in Traditional Chinese, without the place (the reader puts
    // "FILE:LINE: " before it): "第 5 個位元組起不是 UTF-8 文字（B6 C3），…".
    std::string what;
    explicit operator bool() const { return line != 0; }
};

struct DecodedText {
    std::string utf8; // the text, without a byte-order mark; empty when there is a fault
    TextEncoding encoding = TextEncoding::Utf8;
    TextFault fault;
};

// Decodes a whole file. Without a byte-order mark, bytes that are valid UTF-8
// are UTF-8; bytes that are not are read as CP950, unless they are mostly
// well-formed UTF-8 (then they are UTF-8 with a fault where they break). A NUL
// byte (a download filled up with zeros) and a UTF-16 file are faults too.
DecodedText DecodeTextFile(std::string_view bytes);

// The fault in one line of a UTF-8 text, if any (its line is 1): bytes that are
// not UTF-8, or a NUL byte.
TextFault CheckUtf8Line(std::string_view line);

} // namespace text
