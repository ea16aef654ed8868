// Fuzzes the text rules and code normalisation with arbitrary bytes: nothing may
// crash, cuts never exceed their budget or split a character, and CP950 text
// survives a round trip.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "codes/coderules.h"
#include "text/words.h"
#include "text/text.h"

#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string raw(reinterpret_cast<const char*>(data), size);
    std::size_t n = size ? data[0] % 40 : 0;

    // The bytes read as a CP950 file: decoding always gives valid UTF-8.
    std::string utf8 = text::FromCp950(raw);
    CHECK(text::IsValidUtf8(utf8));
    std::string back;
    if (text::ToCp950(utf8, back) && utf8.find("\xEF\xBF\xBD") == std::string::npos)
        CHECK(text::FromCp950(back) == utf8);

    for (const std::string& s : {raw, utf8}) {
        std::string t = text::Trim(s);
        CHECK(t.size() <= s.size());
        auto [head, tail] = text::Cp950Split(s, n);
        CHECK(head + tail == s);
        CHECK(text::Cp950Length(head) <= n);
        std::string mid = text::Cp950Mid(s, n, 10);
        CHECK(text::Cp950Length(mid) <= 10);
        CHECK(s.find(mid) != std::string::npos);
        CHECK(text::Characters(s).size() == text::CharacterCount(s));
        std::string c10 = codes::NormalizeICD10Code(s);
        std::string c9 = codes::NormalizeICD9Code(s);
        std::size_t pos = 1;
        std::string word;
        int words = 0;
        while (text::NextWord(s, ' ', pos, word)) {
            CHECK(!word.empty() && word.find(' ') == std::string::npos);
            CHECK(++words <= static_cast<int>(s.size()));
        }
    }
    if (text::IsValidUtf8(utf8)) CHECK(text::IsValidUtf8(text::Cp950Left(utf8, n)));
    return 0;
}
