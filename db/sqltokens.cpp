#include "db/sqltokens.h"

#include <cstring>

#include "db/namesindex.h"

namespace db::detail {

namespace {

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsWordByte(unsigned char c) {
    return c >= 0x80 || c == '_' || c == '$' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
           (c >= 'A' && c <= 'Z');
}

} // namespace

bool Tokenize(std::string_view sql, std::vector<Token>& out) {
    std::size_t i = 0;
    while (i < sql.size()) {
        const char c = sql[i];
        const auto u = static_cast<unsigned char>(c);
        if (IsSpace(c)) {
            ++i;
            continue;
        }
        const std::size_t begin = i;
        if (c == '\'' || c == '"') {
            std::string value;
            ++i;
            while (true) {
                if (i >= sql.size()) return false;
                if (sql[i] == c) {
                    if (i + 1 < sql.size() && sql[i + 1] == c) {
                        value += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                if (sql[i] == '\0') return false;
                value += sql[i++];
            }
            out.push_back(
                {c == '\'' ? TokenKind::String : TokenKind::QuotedWord, begin, i, std::move(value)});
            continue;
        }
        if ((u >= 0x80 || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            while (i < sql.size() && IsWordByte(static_cast<unsigned char>(sql[i])))
                ++i;
            // x'..' is a blob.
            if (i - begin == 1 && (c == 'x' || c == 'X') && i < sql.size() && sql[i] == '\'') return false;
            out.push_back({TokenKind::Word, begin, i, std::string(sql.substr(begin, i - begin))});
            continue;
        }
        if ((c >= '0' && c <= '9') ||
            (c == '.' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9')) {
            while (i < sql.size() && (IsWordByte(static_cast<unsigned char>(sql[i])) || sql[i] == '.'))
                ++i;
            out.push_back({TokenKind::Number, begin, i, {}});
            continue;
        }
        if ((c == '-' && i + 1 < sql.size() && sql[i + 1] == '-') ||
            (c == '/' && i + 1 < sql.size() && sql[i + 1] == '*'))
            return false;
        static const char* const pairs[] = {"<=", ">=", "<>", "!=", "==", "||", "<<", ">>", "->"};
        std::size_t length = 0;
        for (const char* p : pairs)
            if (sql.substr(i, 2) == p) length = 2;
        if (length == 0 && std::strchr("(),=<>+-*/%&|~.", c) && c != '\0') length = 1;
        if (length == 0) return false;
        out.push_back({TokenKind::Symbol, begin, i + length, std::string(sql.substr(i, length))});
        i += length;
    }
    return true;
}

bool IsKeyword(const Token& t, std::string_view word) {
    return t.kind == TokenKind::Word && SameFolded(t.value, word);
}

bool IsSymbol(const Token& t, std::string_view symbol) {
    return t.kind == TokenKind::Symbol && t.value == symbol;
}

bool Unfollowed(const Token& t) {
    static const char* const words[] = {"SELECT",  "BETWEEN", "CASE",   "WHEN",      "THEN",   "ELSE",
                                        "END",     "EXISTS",  "FROM",   "WHERE",     "GROUP",  "HAVING",
                                        "LIMIT",   "UNION",   "EXCEPT", "INTERSECT", "WINDOW", "OVER",
                                        "FILTER",  "JOIN",    "ON",     "USING",     "RAISE",  "DISTINCT",
                                        "NATURAL", "OFFSET",  "VALUES", "RETURNING"};
    if (t.kind != TokenKind::Word) return false;
    for (const char* w : words)
        if (SameFolded(t.value, w)) return true;
    return false;
}

} // namespace db::detail
