#include "text/affixes.h"

#include <algorithm>

#include "text/text.h"

namespace text {

AffixResult StripCommonAffixes(const std::vector<std::string>& names) {
    AffixResult r;
    std::vector<std::vector<std::string>> chars;
    chars.reserve(names.size());
    for (const auto& n : names)
        chars.push_back(text::Characters(n));
    if (names.size() < 2) {
        r.distinct = names;
        return r;
    }
    std::size_t shortest = chars[0].size();
    for (const auto& c : chars)
        shortest = std::min(shortest, c.size());

    auto agreeFront = [&](std::size_t m) { // all neighbours agree on their first m characters
        for (std::size_t i = 1; i < chars.size(); ++i)
            if (!std::equal(chars[i - 1].begin(), chars[i - 1].begin() + static_cast<long>(m),
                            chars[i].begin()))
                return false;
        return true;
    };
    auto agreeBack = [&](std::size_t m) {
        for (std::size_t i = 1; i < chars.size(); ++i)
            if (!std::equal(chars[i - 1].end() - static_cast<long>(m), chars[i - 1].end(),
                            chars[i].end() - static_cast<long>(m)))
                return false;
        return true;
    };
    std::size_t p = 0;
    while (p < shortest && agreeFront(p + 1))
        ++p;
    std::size_t s = 0;
    while (s < shortest && agreeBack(s + 1))
        ++s;
    r.prefixLength = static_cast<int>(p);
    r.suffixLength = static_cast<int>(s);
    for (const auto& c : chars) {
        std::string d;
        if (p + s < c.size())
            for (std::size_t k = p; k < c.size() - s; ++k)
                d += c[k];
        r.distinct.push_back(d);
    }
    return r;
}

} // namespace text
