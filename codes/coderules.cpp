#include "codes/coderules.h"

namespace codes {

std::string DottedICD10Code(std::string_view code) {
    std::string result(code);
    if (result.size() > 3 && result.find('.') == std::string::npos) result.insert(3, 1, '.');
    return result;
}

Episode EpisodeOfSeventh(char seventh) {
    for (Episode e : {Episode::Initial, Episode::Subsequent, Episode::Sequela})
        if (SeventhCharactersOf(e).find(seventh) != std::string_view::npos) return e;
    return Episode::None;
}

std::string_view SeventhCharactersOf(Episode episode) {
    switch (episode) {
    case Episode::Initial:
        return "ABC";
    case Episode::Subsequent:
        return "DEFGHJKMNPQR";
    case Episode::Sequela:
        return "S";
    case Episode::None:
        break;
    }
    return "";
}

std::vector<std::string> EpisodeVariants(std::string_view code) {
    if (code.size() == 7 && std::string_view("ADS").find(code[6]) != std::string_view::npos) {
        const std::string stem(code.substr(0, 6));
        return {stem + "A", stem + "D", stem + "S"};
    }
    return {std::string(code)};
}

bool IsIcd11Code(std::string_view code) {
    if (code.size() < 2 || (code[0] != 'S' && code[0] != 's')) return false;
    const char second = code[1];
    return (second >= 'A' && second <= 'Z') || (second >= 'a' && second <= 'z');
}

} // namespace codes
