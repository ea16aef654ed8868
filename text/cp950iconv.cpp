#include "text/cp950char.h"
#include "text/text.h"

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

bool ToCp950(std::string_view utf8, std::string& out) {
    thread_local Iconv cd("CP950", "UTF-8");
    out.clear();
    bool ok = true;
    std::size_t i = 0;
    while (i < utf8.size()) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        std::size_t n = Utf8SequenceLength(c);
        if (i + n > utf8.size()) n = utf8.size() - i;
        char in[4];
        for (std::size_t k = 0; k < n; ++k)
            in[k] = utf8[i + k];
        char buf[8];
        char* inPtr = in;
        char* outPtr = buf;
        std::size_t inLeft = n, outLeft = sizeof buf;
        iconv(cd.get(), nullptr, nullptr, nullptr, nullptr);
        std::size_t r = iconv(cd.get(), &inPtr, &inLeft, &outPtr, &outLeft);
        if (r == static_cast<std::size_t>(-1) || inLeft != 0) {
            out.push_back('?');
            ok = false;
        } else {
            out.append(buf, static_cast<std::size_t>(outPtr - buf));
        }
        i += n;
    }
    return ok;
}

} // namespace text
