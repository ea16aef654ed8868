// CP950 conversion with the Windows code-page functions (code page 950, the
// code page of Traditional Chinese Windows).
#include "text/cp950char.h"

#include <windows.h>

namespace text {

namespace {
constexpr UINT CodePage950 = 950;

// UTF-16 units of one character converted from `len` bytes in `codePage`; 0
// when the bytes are no character of that code page.
int ToWide(UINT codePage, const char* bytes, int len, wchar_t (&wide)[4]) {
    return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, len, wide, 4);
}
} // namespace

std::size_t AppendCp950Character(std::string_view bytes, std::size_t at, std::string& out) {
    // A byte that leads no pair, or a pair that is no character, is no character.
    const auto c = static_cast<unsigned char>(bytes[at]);
    if (at + 1 >= bytes.size() || !IsDBCSLeadByteEx(CodePage950, c)) return 0;
    wchar_t wide[4];
    const int units = ToWide(CodePage950, bytes.data() + at, 2, wide);
    if (units <= 0) return 0;
    char utf8[16];
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, units, utf8, sizeof utf8, nullptr, nullptr);
    if (n <= 0) return 0;
    out.append(utf8, static_cast<std::size_t>(n));
    return 2;
}

bool AppendCp950Of(std::string_view utf8Character, std::string& out) {
    wchar_t wide[4];
    const int units = ToWide(CP_UTF8, utf8Character.data(), static_cast<int>(utf8Character.size()), wide);
    if (units <= 0) return false;
    char buf[8];
    BOOL usedDefault = FALSE;
    // No best fit: a character without a CP950 form must not turn into a
    // look-alike (WC_NO_BEST_FIT_CHARS), and is reported through usedDefault.
    const int len = WideCharToMultiByte(CodePage950, WC_NO_BEST_FIT_CHARS, wide, units, buf, sizeof buf,
                                        nullptr, &usedDefault);
    if (len <= 0 || usedDefault) return false;
    out.append(buf, static_cast<std::size_t>(len));
    return true;
}

} // namespace text
