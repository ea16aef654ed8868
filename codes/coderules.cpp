#include "codes/coderules.h"

namespace codes {

std::string DottedICD10Code(std::string_view code) {
    std::string result(code);
    if (result.size() > 3 && result.find('.') == std::string::npos)
        result.insert(3, 1, '.');
    return result;
}

bool IsIcd11Code(std::string_view code) {
    if (code.size() < 3) return false;
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
    return upper(code[0]) == 'S' && upper(code[1]) >= 'A' && upper(code[1]) <= 'J';
}

} // namespace codes
