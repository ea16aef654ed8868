#include "text/cp950char.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>
#include <string>

namespace text {

namespace {
// An iconv descriptor; each thread keeps one per direction, reset before every
// character, so conversions are re-entrant and cost no open per call.
class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {
        if (m_cd == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("無法轉換 CP950 文字: iconv 不支援 CP950");
    }
    ~Iconv() { iconv_close(m_cd); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    // Converts the bytes of one character (up to 4), the descriptor's state
    // reset first: puts what came out in `converted` and returns how many bytes
    // were taken; `failed` says whether iconv stopped at a byte it could not take.
    std::size_t convert(std::string_view in, std::string& converted, bool& failed) {
        char inBuf[4];
        const std::size_t n = in.copy(inBuf, sizeof inBuf);
        char outBuf[16];
        char* inPtr = inBuf;
        char* outPtr = outBuf;
        std::size_t inLeft = n, outLeft = sizeof outBuf;
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        failed = iconv(m_cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1);
        converted.assign(outBuf, static_cast<std::size_t>(outPtr - outBuf));
        return n - inLeft;
    }

private:
    iconv_t m_cd;
};
} // namespace

std::size_t AppendCp950Character(std::string_view bytes, std::size_t at, std::string& out) {
    thread_local Iconv cd("UTF-8", "CP950");
    // A lead byte (0x81 to 0xFE) and its trail byte, converted on their own so
    // that one bad pair is one bad character and nothing more; any other byte
    // alone, so that what the table reads there takes one byte.
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const bool pair = lead >= 0x81 && lead <= 0xFE && at + 1 < bytes.size();
    std::string converted;
    bool failed = false;
    const std::size_t consumed = cd.convert(bytes.substr(at, pair ? 2 : 1), converted, failed);
    if (failed && consumed == 0) return 0;
    out += converted;
    return consumed;
}

bool AppendCp950Of(std::string_view utf8Character, std::string& out) {
    thread_local Iconv cd("CP950", "UTF-8");
    std::string converted;
    bool failed = false;
    const std::size_t consumed = cd.convert(utf8Character, converted, failed);
    if (failed || consumed != utf8Character.size()) return false;
    out += converted;
    return true;
}

} // namespace text
