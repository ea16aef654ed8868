#include "db/namescondition.h"

#include "db/namesindex.h"

namespace db::detail {

namespace {

using Node = ConditionNode;

// A recursive descent over the tokens: OR of ANDs of NOTs of primaries, a
// primary being a bracketed condition or an atom (everything up to the next
// AND, OR or closing bracket at its own depth).
class Parser {
public:
    Parser(const std::vector<Token>& tokens, std::size_t end, const NamesTable& table)
        : m_t(tokens), m_end(end), m_table(table) {}

    // The condition from token `at`; false when it is not one this reading follows.
    bool parse(std::size_t at, Node& out) {
        m_at = at;
        return parseOr(out) && m_at == m_end;
    }

private:
    bool at(std::string_view keyword) const { return m_at < m_end && IsKeyword(m_t[m_at], keyword); }

    bool parseList(Node& out, Node::Type type, bool (Parser::*part)(Node&), std::string_view keyword) {
        Node first;
        if (!(this->*part)(first)) return false;
        if (!at(keyword)) {
            out = std::move(first);
            return true;
        }
        out = Node{};
        out.type = type;
        out.begin = first.begin;
        out.children.push_back(std::move(first));
        while (at(keyword)) {
            ++m_at;
            Node next;
            if (!(this->*part)(next)) return false;
            out.children.push_back(std::move(next));
        }
        out.end = out.children.back().end;
        return true;
    }
    bool parseOr(Node& out) { return parseList(out, Node::Or, &Parser::parseAnd, "OR"); }
    bool parseAnd(Node& out) { return parseList(out, Node::And, &Parser::parseNot, "AND"); }

    bool parseNot(Node& out) {
        if (!at("NOT")) return parsePrimary(out);
        const std::size_t begin = m_t[m_at++].begin;
        Node inner;
        if (!parseNot(inner)) return false;
        out = Node{};
        out.type = Node::Not;
        out.begin = begin;
        out.end = inner.end;
        out.children.push_back(std::move(inner));
        return true;
    }

    bool endsPart() const { return m_at >= m_end || at("AND") || at("OR") || IsSymbol(m_t[m_at], ")"); }

    bool parsePrimary(Node& out) {
        if (m_at >= m_end) return false;
        if (IsSymbol(m_t[m_at], "(")) {
            const std::size_t begin = m_t[m_at++].begin;
            if (!parseOr(out)) return false;
            if (m_at >= m_end || !IsSymbol(m_t[m_at], ")")) return false;
            out.begin = begin;
            out.end = m_t[m_at++].end;
            // "(a) = 1" and the like are not followed.
            return endsPart();
        }
        const std::size_t first = m_at;
        int depth = 0;
        while (m_at < m_end && (depth > 0 || !endsPart())) {
            const Token& t = m_t[m_at];
            if (Unfollowed(t)) return false;
            if (IsSymbol(t, "(")) ++depth;
            if (IsSymbol(t, ")")) --depth;
            ++m_at;
        }
        if (m_at == first || depth != 0) return false;
        out = Node{};
        out.begin = m_t[first].begin;
        out.end = m_t[m_at - 1].end;
        // <column> [NOT] LIKE '<pattern>', and nothing else, is a name condition.
        const std::size_t n = m_at - first;
        const Token& name = m_t[first];
        const bool isName = name.kind == TokenKind::Word || name.kind == TokenKind::QuotedWord;
        if (n >= 3 && isName && !m_table.orderColumn.empty() && SameFolded(name.value, m_table.orderColumn)) {
            const Token& op = m_t[first + 1];
            out.onKey = IsKeyword(op, "IN");
            for (const char* symbol : {"=", "==", "<", "<=", ">", ">="})
                out.onKey = out.onKey || IsSymbol(op, symbol);
        }
        const bool negated = n == 4 && IsKeyword(m_t[first + 1], "NOT");
        if ((n == 3 || negated) && isName && IsKeyword(m_t[m_at - 2], "LIKE") &&
            m_t[m_at - 1].kind == TokenKind::String) {
            out.column = m_table.column(name.value);
            out.negated = negated;
            out.pattern = m_t[m_at - 1].value;
        }
        return true;
    }

    const std::vector<Token>& m_t;
    std::size_t m_end;
    const NamesTable& m_table;
    std::size_t m_at = 0;
};

} // namespace

bool ParseCondition(const std::vector<Token>& tokens, std::size_t begin, std::size_t end,
                    const NamesTable& table, ConditionNode& out) {
    return Parser(tokens, end, table).parse(begin, out);
}

} // namespace db::detail
