#include "text/text.h"

#include "text/cp950char.h"

#include <algorithm>

namespace text {

namespace {
bool IsBlankOrControl(unsigned char c) {
    return c <= 0x20 || c == 0x7F;
}
} // namespace

std::string TrimLeft(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlankOrControl(static_cast<unsigned char>(s[b])))
        ++b;
    return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsBlankOrControl(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlankOrControl(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && IsBlankOrControl(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = Upper(c);
    return out;
}

std::size_t Utf8SequenceLength(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

namespace {
// Length of the character at i, clipped to the text (a truncated sequence at the
// end counts as what is left of it).
std::size_t CharLenAt(std::string_view s, std::size_t i) {
    std::size_t n = Utf8SequenceLength(static_cast<unsigned char>(s[i]));
    if (i + n > s.size()) n = s.size() - i;
    return n;
}
std::size_t Cp950Width(std::string_view s, std::size_t i) {
    return static_cast<unsigned char>(s[i]) < 0x80 ? 1 : 2;
}
} // namespace

std::vector<std::string> Characters(std::string_view s) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < s.size();) {
        std::size_t n = CharLenAt(s, i);
        out.emplace_back(s.substr(i, n));
        i += n;
    }
    return out;
}

std::size_t CharacterCount(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); i += CharLenAt(s, i))
        ++count;
    return count;
}

std::size_t Cp950Length(std::string_view s) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < s.size(); i += CharLenAt(s, i))
        bytes += Cp950Width(s, i);
    return bytes;
}

std::pair<std::string, std::string> Cp950Split(std::string_view s, std::size_t maxBytes) {
    std::size_t used = 0, i = 0;
    while (i < s.size()) {
        std::size_t w = Cp950Width(s, i);
        if (used + w > maxBytes) break;
        used += w;
        i += CharLenAt(s, i);
    }
    return {std::string(s.substr(0, i)), std::string(s.substr(i))};
}

std::string Cp950Left(std::string_view s, std::size_t maxBytes) {
    return Cp950Split(s, maxBytes).first;
}

std::string Cp950Mid(std::string_view s, std::size_t from, std::size_t maxBytes) {
    if (from < 1) from = 1;
    std::size_t pos = 1, i = 0;
    while (i < s.size() && pos < from) {
        pos += Cp950Width(s, i);
        i += CharLenAt(s, i);
    }
    return Cp950Left(s.substr(i), maxBytes);
}

std::size_t Utf8SequenceAt(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
    const unsigned char c = byte(0);
    if (c < 0x80) return 1;
    // The lead byte gives the length and the range of the second byte, which
    // shuts out overlong forms, surrogates and code points beyond U+10FFFF.
    std::size_t n = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size() || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if ((byte(k) & 0xC0) != 0x80) return 0;
    return n;
}

std::size_t FirstInvalidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8SequenceAt(s, i);
        if (n == 0) return i;
        i += n;
    }
    return std::string_view::npos;
}

bool IsValidUtf8(std::string_view s) {
    return FirstInvalidUtf8(s) == std::string_view::npos;
}

std::string FromCp950(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2 + 4);
    for (std::size_t i = 0; i < bytes.size();) {
        if (static_cast<unsigned char>(bytes[i]) < 0x80) { // ASCII, the common case
            out.push_back(bytes[i++]);
            continue;
        }
        const std::size_t used = AppendCp950Character(bytes, i, out);
        if (used == 0) out += "\xEF\xBF\xBD"; // one bad byte, one replacement character
        i += used == 0 ? 1 : used;
    }
    return out;
}

bool ToCp950(std::string_view utf8, std::string& out) {
    out.clear();
    bool ok = true;
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            out.push_back(utf8[i++]);
            continue;
        }
        const std::size_t n =
            std::min(Utf8SequenceLength(static_cast<unsigned char>(utf8[i])), utf8.size() - i);
        if (!AppendCp950Of(utf8.substr(i, n), out)) {
            out.push_back('?'); // one character without a CP950 form, one question mark
            ok = false;
        }
        i += n;
    }
    return ok;
}

} // namespace text
