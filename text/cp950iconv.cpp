#include "text/cp950char.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

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
    iconv_t get() const { return m_cd; }

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
    char in[2] = {bytes[at], pair ? bytes[at + 1] : '\0'};
    const std::size_t inLen = pair ? 2 : 1;
    char buf[16];
    char* inPtr = in;
    char* outPtr = buf;
    std::size_t inLeft = inLen, outLeft = sizeof buf;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    const std::size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    const std::size_t consumed = inLen - inLeft;
    if (r == static_cast<std::size_t>(-1) && consumed == 0) return 0;
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    return consumed;
}

bool AppendCp950Of(std::string_view utf8Character, std::string& out) {
    thread_local Iconv cd("CP950", "UTF-8");
    char in[4];
    const std::size_t n = utf8Character.copy(in, sizeof in);
    char buf[8];
    char* inPtr = in;
    char* outPtr = buf;
    std::size_t inLeft = n, outLeft = sizeof buf;
    iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
    const std::size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
    if (r == static_cast<std::size_t>(-1) || inLeft != 0) return false;
    out.append(buf, static_cast<std::size_t>(outPtr - buf));
    return true;
}

} // namespace text
