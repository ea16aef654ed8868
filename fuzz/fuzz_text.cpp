// Fuzzes the text rules and code normalisation with arbitrary bytes: nothing may
// crash, cuts never exceed their budget or split a character, CP950 text
// survives a round trip, a text file decodes to UTF-8 text or to a fault with
// its place, and the code rules keep their promises (a dotted code
// is stored as it was typed, episode variants share their stem).
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "codes/coderules.h"
#include "text/words.h"
#include "text/text.h"
#include "text/textfile.h"

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

    // The bytes read as a text file: valid UTF-8 text, or a fault at a place inside them.
    const text::DecodedText file = text::DecodeTextFile(raw);
    if (file.fault) {
        CHECK(file.utf8.empty() && file.fault.line >= 1 && file.fault.column >= 1 &&
              file.fault.column <= size);
        CHECK(text::IsValidUtf8(file.fault.what));
    } else {
        CHECK(text::IsValidUtf8(file.utf8) && file.utf8.find('\0') == std::string::npos);
    }

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

    // The code rules on the first bytes read as a code.
    const std::string_view code(raw.data(), std::min<std::size_t>(size, 13));
    const std::string dotted = codes::DottedICD10Code(code);
    CHECK(dotted.size() <= code.size() + 1);
    const bool plain = code.size() >= 4 && std::all_of(code.begin(), code.end(), [](char c) {
                           return std::isalnum(static_cast<unsigned char>(c)) != 0;
                       });
    // What the coder writes with its dot is stored as it was.
    if (plain) CHECK(codes::NormalizeICD10Code(dotted) == code);
    const std::vector<std::string> variants = codes::EpisodeVariants(code);
    CHECK(variants.size() == 1 || variants.size() == 3);
    CHECK(std::find(variants.begin(), variants.end(), code) != variants.end());
    for (const std::string& v : variants) {
        CHECK(v.size() == code.size() && v.compare(0, 6, code.substr(0, 6)) == 0);
        if (variants.size() == 3) CHECK(codes::EpisodeOfSeventh(v[6]) != codes::Episode::None);
    }
    for (char c : code) {
        const codes::Episode e = codes::EpisodeOfSeventh(c);
        for (codes::Episode other :
             {codes::Episode::Initial, codes::Episode::Subsequent, codes::Episode::Sequela})
            CHECK((codes::SeventhCharactersOf(other).find(c) != std::string_view::npos) == (e == other));
    }
    (void)codes::IsIcd11Code(code);
    return 0;
}
