#include "codes/coderules.h"

namespace codes {

std::string DottedICD10Code(std::string_view code) {
    std::string result(code);
    if (result.size() > 3 && result.find('.') == std::string::npos)
        result.insert(3, 1, '.');
    return result;
}

} // namespace codes
