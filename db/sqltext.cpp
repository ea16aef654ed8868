#include "db/sqltext.h"

namespace db {

namespace {

std::string Enclosed(std::string_view text, char quote) {
    std::string out;
    out.reserve(text.size() + 2);
    out.push_back(quote);
    for (char c : text) {
        out.push_back(c);
        if (c == quote) out.push_back(quote);
    }
    out.push_back(quote);
    return out;
}

} // namespace

std::string SqlLiteral(std::string_view value) {
    return Enclosed(value, '\'');
}

std::string SqlIdentifier(std::string_view name) {
    return Enclosed(name, '"');
}

} // namespace db
