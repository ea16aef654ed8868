#include "text/textfile.h"

#include <cstdio>

#include "text/cp950char.h"
#include "text/text.h"

namespace text {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

enum class Fault { None, Utf8, Cp950, Nul };

// Up to four bytes from `at`, in hexadecimal: "B6 C3".
std::string HexBytes(std::string_view bytes, std::size_t at) {
    std::string out;
    for (std::size_t i = at; i < bytes.size() && i < at + 4; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(bytes[i]));
        out += (out.empty() ? "" : " ") + std::string(hex);
    }
    return out;
}

// The fault at bytes[at], placed by line and column. A line ends at LF, CR LF
// or a lone CR, as the readers count them; neither byte can be part of a
// multi-byte character in UTF-8 or CP950, so counting them byte by byte is right
// in both.
TextFault FaultAt(std::string_view bytes, std::size_t at, Fault kind) {
    TextFault f;
    f.line = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < at; ++i) {
        if (bytes[i] == '\n' || (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))) {
            ++f.line;
            lineStart = i + 1;
        }
    }
    f.column = at - lineStart + 1;
    const std::string column = std::to_string(f.column), hex = HexBytes(bytes, at);
    switch (kind) {
    case Fault::Utf8:
        f.what = "第 " + column + " 個位元組起不是 UTF-8 文字（" + hex +
                 "），檔案可能已損壞或混有其他編碼的文字，請重新下載";
        break;
    case Fault::Cp950:
        f.what =
            "第 " + column + " 個位元組起不是 Big5（CP950）文字（" + hex + "），檔案可能已損壞，請重新下載";
        break;
    case Fault::Nul:
        f.what = "第 " + column + " 個位元組是 NUL，不是文字，檔案可能下載不完整，請重新下載";
        break;
    case Fault::None:
        break;
    }
    return f;
}

// The first byte that is no UTF-8 text (a broken sequence or NUL), or npos.
std::pair<std::size_t, Fault> FirstUtf8Fault(std::string_view bytes) {
    const std::size_t bad = FirstInvalidUtf8(bytes);
    const std::size_t nul = bytes.substr(0, bad).find('\0');
    if (nul != std::string_view::npos) return {nul, Fault::Nul};
    return {bad, bad == std::string_view::npos ? Fault::None : Fault::Utf8};
}

// Whether bytes that are not valid UTF-8 are still mostly UTF-8: more
// well-formed multi-byte sequences than bytes that break. Big5 text has far
// more breaking bytes than sequences that happen to be well-formed.
bool MostlyUtf8(std::string_view bytes) {
    std::size_t good = 0, bad = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) {
            ++i;
        } else if (const std::size_t n = Utf8SequenceAt(bytes, i); n > 0) {
            ++good;
            i += n;
        } else {
            ++bad;
            ++i;
        }
    }
    return good > 2 * bad;
}

} // namespace

TextFault CheckUtf8Line(std::string_view line) {
    const auto [at, kind] = FirstUtf8Fault(line);
    return kind == Fault::None ? TextFault{} : FaultAt(line, at, kind);
}

DecodedText DecodeTextFile(std::string_view bytes) {
    DecodedText d;
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF") {
        d.fault.line = d.fault.column = 1;
        d.fault.what = "這是 UTF-16 編碼的檔案，請另存為 UTF-8 或 Big5 的 CSV";
        return d;
    }
    const bool marked = bytes.substr(0, ByteOrderMark.size()) == ByteOrderMark;
    if (marked) bytes.remove_prefix(ByteOrderMark.size());
    const auto [at, kind] = FirstUtf8Fault(bytes);
    if (kind == Fault::None) {
        d.utf8 = std::string(bytes);
        return d;
    }
    // A marked file says it is UTF-8; an unmarked one that is mostly UTF-8 is
    // UTF-8 with something else in it, which decoding as Big5 would garble.
    if (marked || kind == Fault::Nul || MostlyUtf8(bytes)) {
        d.fault = FaultAt(bytes, at, kind);
        return d;
    }
    d.encoding = TextEncoding::Cp950;
    d.utf8.reserve(bytes.size() * 3 / 2);
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0) {
            d.fault = FaultAt(bytes, i, Fault::Nul);
        } else if (c < 0x80) {
            d.utf8.push_back(bytes[i++]);
            continue;
        } else if (AppendCp950Character(bytes, i, d.utf8) == 2) {
            // Only pairs count: a lone high byte that a platform's table reads as a
            // control character (iconv reads 0x80 as U+0080) is no text either.
            i += 2;
            continue;
        } else {
            d.fault = FaultAt(bytes, i, Fault::Cp950);
        }
        d.utf8.clear();
        return d;
    }
    return d;
}

} // namespace text
