#include "db/namesform.h"

#include <algorithm>
#include <vector>

#include "db/namesanswer.h"
#include "db/namescondition.h"
#include "db/namesindex.h"
#include "db/sqltokens.h"

namespace db {

namespace {

using detail::ConditionNode;
using detail::IsKeyword;
using detail::IsSymbol;
using detail::Token;
using detail::TokenKind;

// Whether the engine can read the rows of a condition through the key's index:
// a comparison or list of the key, or an OR or AND of such.
bool OnKey(const ConditionNode& node) {
    if (node.type == ConditionNode::Atom) return node.onKey;
    if (node.type == ConditionNode::Not) return false;
    const bool isAnd = node.type == ConditionNode::And;
    bool any = false, all = true;
    for (const ConditionNode& child : node.children) {
        const bool on = OnKey(child);
        any = any || on;
        all = all && on;
    }
    return isAnd ? any : all;
}

// Whether a name column other than the key takes part.
bool UsesNames(const ConditionNode& node, const NamesTable& table) {
    if (node.type == ConditionNode::Atom)
        return node.column && !SameFolded(node.column->name, table.orderColumn);
    for (const ConditionNode& child : node.children)
        if (UsesNames(child, table)) return true;
    return false;
}

// The parts of a condition that must all hold (ANDs opened, through brackets).
void Conjuncts(const ConditionNode& node, std::vector<const ConditionNode*>& out) {
    if (node.type == ConditionNode::And) {
        for (const ConditionNode& child : node.children)
            Conjuncts(child, out);
    } else {
        out.push_back(&node);
    }
}

bool IsName(const Token& t) {
    return t.kind == TokenKind::Word || t.kind == TokenKind::QuotedWord;
}

} // namespace

std::optional<NamesForm> NamesFormOf(const std::shared_ptr<const NamesIndex>& index, const std::string& sql,
                                     int likeLimit) {
    std::vector<Token> t;
    if (!index || !detail::Tokenize(sql, t)) return std::nullopt;
    // A pattern the engine refuses as too long fails there, whichever rows it meets.
    for (const Token& token : t)
        if (token.kind == TokenKind::String && token.value.size() >= static_cast<std::size_t>(likeLimit))
            return std::nullopt;
    // SELECT <columns> FROM <table> [WHERE <condition>] [ORDER BY [+]<key> [ASC]]
    if (t.size() < 4 || !IsKeyword(t[0], "SELECT")) return std::nullopt;
    std::size_t from = 1;
    while (from < t.size() && !IsKeyword(t[from], "FROM")) {
        // Plain columns only: no expressions, functions or subqueries.
        if (IsSymbol(t[from], "(") || detail::Unfollowed(t[from])) return std::nullopt;
        ++from;
    }
    if (from == 1 || from + 1 >= t.size()) return std::nullopt;
    const Token& tableName = t[from + 1];
    if (!IsName(tableName)) return std::nullopt;
    const NamesTable* table = index->table(tableName.value);
    if (!table) return std::nullopt;
    std::size_t at = from + 2;
    if (at >= t.size() || !IsKeyword(t[at], "WHERE")) return std::nullopt;
    const std::size_t whereBegin = ++at;
    std::size_t whereEnd = whereBegin;
    while (whereEnd < t.size() && !IsKeyword(t[whereEnd], "ORDER"))
        ++whereEnd;
    if (whereEnd < t.size()) {
        // ORDER BY the key, whose order the positions are, when no two rows share it.
        std::size_t k = whereEnd + 1;
        if (k >= t.size() || !IsKeyword(t[k++], "BY")) return std::nullopt;
        if (k < t.size() && IsSymbol(t[k], "+")) ++k;
        if (k >= t.size() || !IsName(t[k]) || table->orderColumn.empty() ||
            !SameFolded(t[k].value, table->orderColumn) || !table->orderIsTotal)
            return std::nullopt;
        ++k;
        if (k < t.size() && IsKeyword(t[k], "ASC")) ++k;
        if (k != t.size()) return std::nullopt;
    } else if (!table->orderColumn.empty()) {
        // Without ORDER BY the engine reads the table in row order.
        return std::nullopt;
    }

    ConditionNode condition;
    if (!detail::ParseCondition(t, whereBegin, whereEnd, *table, condition)) return std::nullopt;
    std::vector<const ConditionNode*> parts;
    Conjuncts(condition, parts);
    auto list = std::make_shared<detail::RowList>();
    list->index = index;
    list->table = table;
    list->end = table->rows();
    std::string rest;
    bool answered = false;
    for (const ConditionNode* part : parts) {
        if (detail::Answerable(*part)) {
            answered = answered || UsesNames(*part, *table);
            list->conditions.push_back(*part);
            // A code prefix holds in one run of the key order: only that run is searched.
            if (part->type == ConditionNode::Atom && !part->negated &&
                SameFolded(part->column->name, table->orderColumn))
                if (const auto run = NamesIndex::KeyPrefixRows(*table, part->pattern)) {
                    list->first = std::max(list->first, run->first);
                    list->end = std::max(list->first, std::min(list->end, run->second));
                }
            continue;
        }
        // A code list or range the engine reads through its index gives fewer
        // rows than the names allow: the statement is the engine's.
        if (OnKey(*part)) return std::nullopt;
        rest += rest.empty() ? " WHERE (" : " AND (";
        rest += sql.substr(part->begin, part->end - part->begin);
        rest += ")";
    }
    // Only worth it when a name condition is answered: code prefixes alone the
    // engine reads through its own index.
    if (!answered) return std::nullopt;
    const std::string name = sql.substr(tableName.begin, tableName.end - tableName.begin);
    NamesForm form;
    form.text = "SELECT " + sql.substr(t[1].begin, t[from].begin - t[1].begin) +
                "FROM names_rows(?1) AS names_rows CROSS JOIN " + name + " ON " + name +
                ".rowid = names_rows.names_rid" + rest + " ORDER BY names_rows.names_pos";
    form.rows = std::move(list);
    form.restToEngine = !rest.empty();
    return form;
}

} // namespace db
