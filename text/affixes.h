#pragma once
// The prefix and suffix shared by a list of sibling names, counted in characters
// (a double-byte character is one), and what tells each name apart.
//
//   {"肝系病類","心系病類","其他特指的臟腑系統病類"} => prefix 0, suffix 2,
//       distinct {"肝系","心系","其他特指的臟腑系統"}
//   {"頭痛"}                 => 0, 0, {"頭痛"}
//   {"頭痛","頭痛"}          => 2, 2, {"",""}
//   {"頭","頭痛","頭暈"}     => prefix 1 ("頭" is the beginning of all), distinct {"","痛","暈"}

#include <string>
#include <vector>

namespace text {

struct AffixResult {
    int prefixLength = 0;
    int suffixLength = 0;
    std::vector<std::string> distinct; // one per name, in the same order
};

AffixResult StripCommonAffixes(const std::vector<std::string>& names);

} // namespace text
