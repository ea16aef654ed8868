#include "db/namesquery.h"

#include <sqlite3.h>

#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "db/connection.h"
#include "db/namesindex.h"
#include "db/query.h"

namespace db {

namespace {

// ---- Reading the statement ---------------------------------------------------------------------

enum class Kind { Word, QuotedWord, String, Number, Symbol };

struct Token {
    Kind kind;
    std::size_t begin, end; // bytes of the statement
    std::string value;      // a string's or quoted name's text with doubled quotes undone
};

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool IsWordByte(unsigned char c) {
    return c >= 0x80 || c == '_' || c == '$' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') ||
           (c >= 'A' && c <= 'Z');
}

// Splits the statement into tokens; false for anything this reading does not
// take (comments, parameters, blob literals, bracketed names, a second
// statement, an unterminated quote, a NUL).
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
            out.push_back({c == '\'' ? Kind::String : Kind::QuotedWord, begin, i, std::move(value)});
            continue;
        }
        if ((u >= 0x80 || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) {
            while (i < sql.size() && IsWordByte(static_cast<unsigned char>(sql[i])))
                ++i;
            // x'..' is a blob.
            if (i - begin == 1 && (c == 'x' || c == 'X') && i < sql.size() && sql[i] == '\'') return false;
            out.push_back({Kind::Word, begin, i, std::string(sql.substr(begin, i - begin))});
            continue;
        }
        if ((c >= '0' && c <= '9') ||
            (c == '.' && i + 1 < sql.size() && sql[i + 1] >= '0' && sql[i + 1] <= '9')) {
            while (i < sql.size() && (IsWordByte(static_cast<unsigned char>(sql[i])) || sql[i] == '.'))
                ++i;
            out.push_back({Kind::Number, begin, i, {}});
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
        out.push_back({Kind::Symbol, begin, i + length, std::string(sql.substr(i, length))});
        i += length;
    }
    return true;
}

bool IsKeyword(const Token& t, std::string_view word) {
    return t.kind == Kind::Word && SameFolded(t.value, word);
}

bool IsSymbol(const Token& t, std::string_view symbol) {
    return t.kind == Kind::Symbol && t.value == symbol;
}

// Words that give a condition a shape this reading does not follow.
bool Unfollowed(const Token& t) {
    static const char* const words[] = {"SELECT",  "BETWEEN", "CASE",   "WHEN",      "THEN",   "ELSE",
                                        "END",     "EXISTS",  "FROM",   "WHERE",     "GROUP",  "HAVING",
                                        "LIMIT",   "UNION",   "EXCEPT", "INTERSECT", "WINDOW", "OVER",
                                        "FILTER",  "JOIN",    "ON",     "USING",     "RAISE",  "DISTINCT",
                                        "NATURAL", "OFFSET",  "VALUES", "RETURNING"};
    if (t.kind != Kind::Word) return false;
    for (const char* w : words)
        if (SameFolded(t.value, w)) return true;
    return false;
}

// A condition as a tree of AND, OR and NOT over atoms; an atom is a name
// condition the index may answer, or anything else (the engine's).
struct Node {
    enum Type { And, Or, Not, Atom } type = Atom;
    std::vector<Node> children;
    std::size_t begin = 0, end = 0;      // bytes of the statement
    const NamesColumn* column = nullptr; // a name condition: its column ...
    bool negated = false;                // ... NOT LIKE ...
    std::string pattern;                 // ... and its pattern
    bool onKey = false; // a comparison or list of the table's key (ICD10_NO IN (...), ICD10_NO >= 'C60')
};

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
        if (n >= 3 && (name.kind == Kind::Word || name.kind == Kind::QuotedWord) &&
            !m_table.orderColumn.empty() && SameFolded(name.value, m_table.orderColumn)) {
            const Token& op = m_t[first + 1];
            out.onKey = IsKeyword(op, "IN");
            for (const char* symbol : {"=", "==", "<", "<=", ">", ">="})
                out.onKey = out.onKey || IsSymbol(op, symbol);
        }
        const bool negated = n == 4 && IsKeyword(m_t[first + 1], "NOT");
        if ((n == 3 || negated) && (name.kind == Kind::Word || name.kind == Kind::QuotedWord) &&
            IsKeyword(m_t[m_at - 2], "LIKE") && m_t[m_at - 1].kind == Kind::String) {
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

// ---- Answering the condition -------------------------------------------------------------------

// Whether the index can answer a condition exactly: every atom a name
// condition it can match, joined by AND, OR and NOT.
bool Answerable(const Node& node) {
    if (node.type == Node::Atom) return node.column && NamesIndex::CanMatch(*node.column, node.pattern);
    for (const Node& child : node.children)
        if (!Answerable(child)) return false;
    return true;
}

// Whether the engine can read the rows of a condition through the key's index:
// a comparison or list of the key, or an OR or AND of such.
bool OnKey(const Node& node) {
    if (node.type == Node::Atom) return node.onKey;
    if (node.type == Node::Not) return false;
    const bool isAnd = node.type == Node::And;
    bool any = false, all = true;
    for (const Node& child : node.children) {
        const bool on = OnKey(child);
        any = any || on;
        all = all && on;
    }
    return isAnd ? any : all;
}

// Whether a name column other than the key takes part.
bool UsesNames(const Node& node, const NamesTable& table) {
    if (node.type == Node::Atom) return node.column && !SameFolded(node.column->name, table.orderColumn);
    for (const Node& child : node.children)
        if (UsesNames(child, table)) return true;
    return false;
}

// An answerable condition over the rows from `first` up to `end`: where it is
// true and where it is false (NULL where it is neither, as the engine has it).
struct Answer {
    RowSet isTrue, isFalse;
};

Answer Evaluate(const Node& node, const NamesTable& table, std::size_t first, std::size_t end) {
    if (node.type == Node::Atom) {
        RowSet matched = *NamesIndex::Match(table, *node.column, node.pattern, first, end);
        RowSet unmatched = ~node.column->nulls.slice(first, end);
        unmatched &= ~matched;
        if (node.negated) return {std::move(unmatched), std::move(matched)};
        return {std::move(matched), std::move(unmatched)};
    }
    if (node.type == Node::Not) {
        Answer inner = Evaluate(node.children.front(), table, first, end);
        return {std::move(inner.isFalse), std::move(inner.isTrue)};
    }
    const bool isAnd = node.type == Node::And;
    Answer out{RowSet(end - first, isAnd), RowSet(end - first, !isAnd)};
    for (const Node& child : node.children) {
        const Answer part = Evaluate(child, table, first, end);
        if (isAnd) {
            out.isTrue &= part.isTrue;
            out.isFalse |= part.isFalse;
        } else {
            out.isTrue |= part.isTrue;
            out.isFalse &= part.isFalse;
        }
    }
    return out;
}

// The parts of a condition that must all hold (ANDs opened, through brackets).
void Conjuncts(const Node& node, std::vector<const Node*>& out) {
    if (node.type == Node::And) {
        for (const Node& child : node.children)
            Conjuncts(child, out);
    } else {
        out.push_back(&node);
    }
}

// ---- The rows a statement is driven by: names_rows(n) -------------------------------------------

// The rows the conditions the index answers allow, found a block of rows at a
// time as the engine reads them: the first screen of a common word waits for
// the first block, not for the whole table.
struct RowList {
    static constexpr std::size_t BlockRows = 4096;

    std::shared_ptr<const NamesIndex> index; // keeps the table alive
    const NamesTable* table = nullptr;
    std::vector<Node> conditions;   // answerable; all must hold
    std::size_t first = 0, end = 0; // the positions they may hold in (a code prefix narrows them)

    // The positions from `first` up to `end` where every condition holds, in order.
    void find(std::size_t first, std::size_t end, std::vector<std::uint32_t>& out) const {
        RowSet allowed(end - first, true);
        for (const Node& condition : conditions)
            allowed &= Evaluate(condition, *table, first, end).isTrue;
        out.clear();
        for (std::uint32_t i : allowed.positions())
            out.push_back(static_cast<std::uint32_t>(first) + i);
    }
};

// Row lists by number, for as long as someone holds them (the statement's query).
class RowLists {
public:
    static RowLists& Instance() {
        static RowLists lists;
        return lists;
    }
    std::int64_t add(const std::shared_ptr<const RowList>& list) {
        const std::lock_guard lock(m_mutex);
        for (auto it = m_lists.begin(); it != m_lists.end();)
            it = it->second.expired() ? m_lists.erase(it) : std::next(it);
        m_lists[++m_last] = list;
        return m_last;
    }
    std::shared_ptr<const RowList> find(std::int64_t number) {
        const std::lock_guard lock(m_mutex);
        const auto it = m_lists.find(number);
        return it == m_lists.end() ? nullptr : it->second.lock();
    }

private:
    std::mutex m_mutex;
    std::map<std::int64_t, std::weak_ptr<const RowList>> m_lists;
    std::int64_t m_last = 0;
};

// Columns of names_rows: the list's number (its one argument), the row id and
// the position of each row. All hidden, so that "*" means the table's columns.
enum RowsColumn { SlotColumn, RowidColumn, PositionColumn };

struct RowsCursor : sqlite3_vtab_cursor {
    std::shared_ptr<const RowList> list;
    std::int64_t slot = 0;
    std::size_t next = 0;             // first row of the block to search next
    std::vector<std::uint32_t> block; // positions found in the block in hand
    std::size_t at = 0;               // the current one of them
    sqlite3_int64 number = 0;         // rows given so far

    bool atEnd() const { return !list || at >= block.size(); }
    // Moves on to the next block that has a row, if any.
    void seek() {
        while (list && at >= block.size() && next < list->end) {
            const std::size_t end = std::min(next + RowList::BlockRows, list->end);
            list->find(next, end, block);
            next = end;
            at = 0;
        }
    }
};

int RowsConnect(sqlite3* db, void*, int, const char* const*, sqlite3_vtab** table, char**) {
    const int rc = sqlite3_declare_vtab(
        db, "CREATE TABLE x(names_slot HIDDEN, names_rid INTEGER HIDDEN, names_pos INTEGER HIDDEN)");
    if (rc != SQLITE_OK) return rc;
    *table = static_cast<sqlite3_vtab*>(sqlite3_malloc(sizeof(sqlite3_vtab)));
    if (!*table) return SQLITE_NOMEM;
    std::memset(*table, 0, sizeof(sqlite3_vtab));
    return SQLITE_OK;
}

int RowsDisconnect(sqlite3_vtab* table) {
    sqlite3_free(table);
    return SQLITE_OK;
}

int RowsBestIndex(sqlite3_vtab*, sqlite3_index_info* info) {
    int slot = -1;
    for (int i = 0; i < info->nConstraint; ++i)
        if (info->aConstraint[i].iColumn == SlotColumn &&
            info->aConstraint[i].op == SQLITE_INDEX_CONSTRAINT_EQ && info->aConstraint[i].usable)
            slot = i;
    if (slot < 0) {
        info->idxNum = 0;
        info->estimatedCost = 1e12;
        return SQLITE_OK;
    }
    info->aConstraintUsage[slot].argvIndex = 1;
    info->aConstraintUsage[slot].omit = 1;
    info->idxNum = 1;
    info->estimatedCost = 10;
    info->estimatedRows = 1000;
    if (info->nOrderBy == 1 && info->aOrderBy[0].iColumn == PositionColumn && !info->aOrderBy[0].desc)
        info->orderByConsumed = 1;
    return SQLITE_OK;
}

int RowsOpen(sqlite3_vtab*, sqlite3_vtab_cursor** cursor) {
    auto* c = new (std::nothrow) RowsCursor();
    if (!c) return SQLITE_NOMEM;
    *cursor = c;
    return SQLITE_OK;
}

int RowsClose(sqlite3_vtab_cursor* cursor) {
    delete static_cast<RowsCursor*>(cursor);
    return SQLITE_OK;
}

// The next block with a row; a failure to hold its rows is the engine's "out of memory".
int SeekRows(RowsCursor* c) {
    try {
        c->seek();
    } catch (const std::bad_alloc&) {
        return SQLITE_NOMEM;
    }
    return SQLITE_OK;
}

int RowsFilter(sqlite3_vtab_cursor* cursor, int idxNum, const char*, int argc, sqlite3_value** argv) {
    auto* c = static_cast<RowsCursor*>(cursor);
    c->list = nullptr;
    c->block.clear();
    c->at = c->next = 0;
    c->number = 0;
    if (idxNum != 1 || argc != 1) return SQLITE_OK; // no list named: no rows
    c->slot = sqlite3_value_int64(argv[0]);
    c->list = RowLists::Instance().find(c->slot);
    if (!c->list) {
        sqlite3_free(cursor->pVtab->zErrMsg);
        cursor->pVtab->zErrMsg =
            sqlite3_mprintf("names_rows(%lld)：名稱索引的代碼清單已不存在", static_cast<long long>(c->slot));
        return SQLITE_ERROR;
    }
    c->next = c->list->first;
    return SeekRows(c);
}

int RowsNext(sqlite3_vtab_cursor* cursor) {
    auto* c = static_cast<RowsCursor*>(cursor);
    ++c->at;
    ++c->number;
    return SeekRows(c);
}

int RowsEof(sqlite3_vtab_cursor* cursor) {
    return static_cast<RowsCursor*>(cursor)->atEnd();
}

int RowsColumnValue(sqlite3_vtab_cursor* cursor, sqlite3_context* context, int column) {
    const auto* c = static_cast<RowsCursor*>(cursor);
    const std::uint32_t position = c->block[c->at];
    switch (column) {
    case SlotColumn:
        sqlite3_result_int64(context, c->slot);
        break;
    case RowidColumn:
        sqlite3_result_int64(context, c->list->table->rowids[position]);
        break;
    default:
        sqlite3_result_int64(context, position);
        break;
    }
    return SQLITE_OK;
}

int RowsRowid(sqlite3_vtab_cursor* cursor, sqlite3_int64* rowid) {
    *rowid = static_cast<RowsCursor*>(cursor)->number;
    return SQLITE_OK;
}

// A table-valued function only (no xCreate); every other entry left empty, so
// that the table is read-only whatever the engine's version adds.
sqlite3_module MakeRowsModule() {
    sqlite3_module module{};
    module.xConnect = RowsConnect;
    module.xBestIndex = RowsBestIndex;
    module.xDisconnect = RowsDisconnect;
    module.xOpen = RowsOpen;
    module.xClose = RowsClose;
    module.xFilter = RowsFilter;
    module.xNext = RowsNext;
    module.xEof = RowsEof;
    module.xColumn = RowsColumnValue;
    module.xRowid = RowsRowid;
    return module;
}

const sqlite3_module RowsModule = MakeRowsModule();

} // namespace

std::optional<NamesForm> NamesFormOf(const std::shared_ptr<const NamesIndex>& index, const std::string& sql,
                                     int likeLimit) {
    std::vector<Token> t;
    if (!index || !Tokenize(sql, t)) return std::nullopt;
    // A pattern the engine refuses as too long fails there, whichever rows it meets.
    for (const Token& token : t)
        if (token.kind == Kind::String && token.value.size() >= static_cast<std::size_t>(likeLimit))
            return std::nullopt;
    // SELECT <columns> FROM <table> [WHERE <condition>] [ORDER BY [+]<key> [ASC]]
    if (t.size() < 4 || !IsKeyword(t[0], "SELECT")) return std::nullopt;
    std::size_t from = 1;
    while (from < t.size() && !IsKeyword(t[from], "FROM")) {
        // Plain columns only: no expressions, functions or subqueries.
        if (IsSymbol(t[from], "(") || Unfollowed(t[from])) return std::nullopt;
        ++from;
    }
    if (from == 1 || from + 1 >= t.size()) return std::nullopt;
    const Token& tableName = t[from + 1];
    if (tableName.kind != Kind::Word && tableName.kind != Kind::QuotedWord) return std::nullopt;
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
        if (k >= t.size() || (t[k].kind != Kind::Word && t[k].kind != Kind::QuotedWord) ||
            table->orderColumn.empty() || !SameFolded(t[k].value, table->orderColumn) || !table->orderIsTotal)
            return std::nullopt;
        ++k;
        if (k < t.size() && IsKeyword(t[k], "ASC")) ++k;
        if (k != t.size()) return std::nullopt;
    } else if (!table->orderColumn.empty()) {
        // Without ORDER BY the engine reads the table in row order.
        return std::nullopt;
    }

    Node condition;
    if (!Parser(t, whereEnd, *table).parse(whereBegin, condition)) return std::nullopt;
    std::vector<const Node*> parts;
    Conjuncts(condition, parts);
    auto list = std::make_shared<RowList>();
    list->index = index;
    list->table = table;
    list->end = table->rows();
    std::string rest;
    bool answered = false;
    for (const Node* part : parts) {
        if (Answerable(*part)) {
            answered = answered || UsesNames(*part, *table);
            list->conditions.push_back(*part);
            // A code prefix holds in one run of the key order: only that run is searched.
            if (part->type == Node::Atom && !part->negated &&
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
    const std::int64_t slot = RowLists::Instance().add(list);
    const std::string name = sql.substr(tableName.begin, tableName.end - tableName.begin);
    NamesForm form;
    form.text = "SELECT " + sql.substr(t[1].begin, t[from].begin - t[1].begin) + "FROM names_rows(" +
                std::to_string(slot) + ") AS names_rows CROSS JOIN " + name + " ON " + name +
                ".rowid = names_rows.names_rid" + rest + " ORDER BY names_rows.names_pos";
    form.rows = std::move(list);
    form.restToEngine = !rest.empty();
    return form;
}

namespace {

int LikeLimit(Connection& connection) {
    return sqlite3_limit(connection.handle(), SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1);
}

// Whether the engine's plan for the statement searches an index (reads a
// range or list of keys) rather than scanning the whole table.
bool SearchesAnIndex(Connection& connection, const std::string& statement) {
    Query plan(connection);
    plan.setText("EXPLAIN QUERY PLAN " + statement);
    try {
        plan.open();
        for (; !plan.eof(); plan.next()) {
            const std::string step = plan.field("detail");
            if (step.rfind("SEARCH", 0) == 0 || step.rfind("MULTI-INDEX OR", 0) == 0) return true;
        }
    } catch (const Interrupted&) {
        throw;
    } catch (const Error&) {
        // A statement the engine cannot plan fails again when opened, with its own message.
    }
    return false;
}

} // namespace

namespace {

// The form TryOpenWithNames sends for the query's lines now, if any.
std::optional<NamesForm> FormToSend(Query& query) {
    Connection& connection = query.connection();
    const std::shared_ptr<const NamesIndex> index = connection.namesIndex();
    // A statement still reading may hold an older read than the index describes.
    if (!index || connection.holdsOlderRead()) return std::nullopt;
    std::optional<NamesForm> form = NamesFormOf(index, query.text(), LikeLimit(connection));
    // What the index leaves, the engine may read through an index of its own
    // (a code list, a range) in fewer rows than the names allow.
    if (form && form->restToEngine && SearchesAnIndex(connection, query.text())) return std::nullopt;
    return form;
}

} // namespace

bool TryOpenWithNames(Query& query) {
    query.close();
    std::optional<NamesForm> form = FormToSend(query);
    if (!form) return false;
    try {
        query.openAs(form->text, std::move(form->rows));
    } catch (const Interrupted&) {
        throw;
    } catch (const Error&) {
        // The statement as written says what is wrong with it.
        query.close();
        return false;
    }
    // The file as this read sees it must be the one the index was built from.
    if (!query.connection().namesIndexCurrent()) {
        query.close();
        return false;
    }
    return true;
}

std::string NamesEngineText(Query& query) {
    const std::optional<NamesForm> form = FormToSend(query);
    return form ? form->text : std::string();
}

namespace detail {

void RegisterNamesRows(sqlite3* handle) {
    sqlite3_create_module(handle, "names_rows", &RowsModule, nullptr);
}

} // namespace detail

} // namespace db
