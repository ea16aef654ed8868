#include "db/namesindex.h"

#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "db/error.h"
#include "db/sqltext.h"

namespace db {

RowSet::RowSet(std::size_t size, bool all)
    : m_words((size + 63) / 64, all ? ~std::uint64_t{0} : 0), m_size(size) {
    trim();
}

void RowSet::trim() {
    if (m_size % 64 != 0 && !m_words.empty()) m_words.back() &= (std::uint64_t{1} << (m_size % 64)) - 1;
}

RowSet& RowSet::operator&=(const RowSet& other) {
    for (std::size_t i = 0; i < m_words.size(); ++i)
        m_words[i] &= other.m_words[i];
    return *this;
}

RowSet& RowSet::operator|=(const RowSet& other) {
    for (std::size_t i = 0; i < m_words.size(); ++i)
        m_words[i] |= other.m_words[i];
    return *this;
}

RowSet RowSet::operator~() const {
    RowSet out = *this;
    for (auto& w : out.m_words)
        w = ~w;
    out.trim();
    return out;
}

std::size_t RowSet::count() const {
    std::size_t n = 0;
    for (auto w : m_words)
        n += static_cast<std::size_t>(std::popcount(w));
    return n;
}

RowSet RowSet::slice(std::size_t first, std::size_t end) const {
    RowSet out(end - first);
    for (std::size_t i = first; i < end; ++i)
        if (test(i)) out.set(i - first);
    return out;
}

std::vector<std::uint32_t> RowSet::positions() const {
    std::vector<std::uint32_t> out;
    out.reserve(count());
    for (std::size_t i = 0; i < m_words.size(); ++i)
        for (std::uint64_t w = m_words[i]; w != 0; w &= w - 1)
            out.push_back(static_cast<std::uint32_t>(i * 64 + static_cast<std::size_t>(std::countr_zero(w))));
    return out;
}

bool SameFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

const NamesColumn* NamesTable::column(std::string_view wanted) const {
    for (const auto& c : columns)
        if (SameFolded(c.name, wanted)) return &c;
    return nullptr;
}

const NamesTable* NamesIndex::table(std::string_view wanted) const {
    for (const auto& t : m_tables)
        if (SameFolded(t.name, wanted)) return &t;
    return nullptr;
}

std::size_t NamesIndex::bytes() const {
    std::size_t n = sizeof(*this);
    for (const auto& t : m_tables) {
        n += sizeof(t) + t.rowids.capacity() * sizeof(std::int64_t);
        for (const auto& c : t.columns)
            n += sizeof(c) + c.folded.capacity() + c.starts.capacity() * sizeof(std::uint32_t) +
                 (c.nulls.size() + 7) / 8;
    }
    return n;
}

std::string FoldAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

bool WellFormedUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const auto* end = p + s.size();
    while (p < end) {
        const unsigned c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int length;
        std::uint32_t value;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            value = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            value = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            value = c & 0x07;
        } else {
            return false;
        }
        if (end - p < length) return false;
        for (int i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80) return false;
            value = (value << 6) | (p[i] & 0x3F);
        }
        static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (value < smallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ||
            value == 0xFFFE || value == 0xFFFF)
            return false;
        p += length;
    }
    return true;
}

namespace {

// Bytes of the character a well-formed lead byte starts.
std::size_t CharLength(unsigned char lead) {
    return lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

} // namespace

bool LikeMatches(std::string_view s, std::string_view p) {
    // Greedy matching that goes back to the last % on a mismatch: enough for
    // patterns whose only wildcards are % and _ (the engine's result, without
    // its recursion).
    constexpr std::size_t none = std::string_view::npos;
    std::size_t i = 0, j = 0, star = none, mark = 0;
    while (i < s.size()) {
        if (j < p.size() && p[j] == '%') {
            star = j++;
            mark = i;
        } else if (j < p.size() && p[j] == '_') {
            i = std::min(s.size(), i + CharLength(static_cast<unsigned char>(s[i])));
            ++j;
        } else if (j < p.size() && p[j] == s[i]) {
            ++i;
            ++j;
        } else if (star != none) {
            j = star + 1;
            mark = std::min(s.size(), mark + CharLength(static_cast<unsigned char>(s[mark])));
            i = mark;
        } else {
            return false;
        }
    }
    while (j < p.size() && p[j] == '%')
        ++j;
    return j == p.size();
}

namespace {

// Finds a literal in a buffer: memchr for its rarest byte (rarest in the
// buffer), then the whole literal compared around each place that byte occurs.
class Finder {
public:
    Finder(std::string_view needle, const std::array<std::uint32_t, 256>& counts) : m_needle(needle) {
        for (std::size_t i = 1; i < needle.size(); ++i)
            if (counts[static_cast<unsigned char>(needle[i])] <
                counts[static_cast<unsigned char>(needle[m_rare])])
                m_rare = i;
    }
    // The first place at or after `from` where the literal begins, or npos.
    std::size_t find(std::string_view hay, std::size_t from) const {
        const std::size_t m = m_needle.size();
        const char rare = m_needle[m_rare];
        for (std::size_t at = from + m_rare; at < hay.size();) {
            const void* hit = std::memchr(hay.data() + at, rare, hay.size() - at);
            if (!hit) break;
            const auto place = static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data());
            const std::size_t start = place - m_rare;
            if (start + m <= hay.size() && std::memcmp(hay.data() + start, m_needle.data(), m) == 0)
                return start;
            at = place + 1;
        }
        return std::string_view::npos;
    }

private:
    std::string_view m_needle;
    std::size_t m_rare = 0;
};

// The longest run of the pattern without a wildcard: every match holds it.
std::string_view LongestLiteral(std::string_view p) {
    std::string_view best;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '%' || p[i] == '_') {
            if (i - start > best.size()) best = p.substr(start, i - start);
            start = i + 1;
        }
    }
    return best;
}

} // namespace

namespace {

// The engine reads a pattern up to its first NUL.
std::string_view UpToNul(std::string_view pattern) {
    return pattern.substr(0, pattern.find('\0'));
}

} // namespace

bool NamesIndex::CanMatch(const NamesColumn& column, std::string_view pattern) {
    return column.wellFormed && WellFormedUtf8(UpToNul(pattern));
}

std::optional<RowSet> NamesIndex::Match(const NamesTable& table, const NamesColumn& column,
                                        std::string_view pattern) {
    return Match(table, column, pattern, 0, table.rows());
}

std::optional<RowSet> NamesIndex::Match(const NamesTable&, const NamesColumn& column,
                                        std::string_view pattern, std::size_t first, std::size_t end) {
    if (!CanMatch(column, pattern)) return std::nullopt;
    const std::string folded = FoldAscii(UpToNul(pattern));
    RowSet out(end - first);
    const std::string_view literal = LongestLiteral(folded);
    if (literal.empty()) {
        for (std::size_t r = first; r < end; ++r)
            if (!column.nulls.test(r) && LikeMatches(column.value(r), folded)) out.set(r - first);
        return out;
    }
    // Every place the literal occurs names a row; that row's whole value is
    // then matched, and the search goes on after it.
    const bool plainWord =
        folded.size() == literal.size() + 2 && folded.front() == '%' && folded.back() == '%';
    const Finder finder(literal, column.byteCounts);
    const std::string_view buffer = std::string_view(column.folded).substr(0, column.starts[end]);
    const auto begin = column.starts.begin();
    auto after = begin + static_cast<std::ptrdiff_t>(first);
    std::size_t from = column.starts[first];
    while ((from = finder.find(buffer, from)) != std::string_view::npos) {
        after = std::upper_bound(after, begin + static_cast<std::ptrdiff_t>(end) + 1,
                                 static_cast<std::uint32_t>(from));
        const auto row = static_cast<std::size_t>(after - begin - 1);
        if (plainWord || LikeMatches(column.value(row), folded)) out.set(row - first);
        from = *after;
    }
    return out;
}

std::optional<std::pair<std::size_t, std::size_t>> NamesIndex::KeyPrefixRows(const NamesTable& table,
                                                                             std::string_view pattern) {
    const NamesColumn* key = table.column(table.orderColumn);
    pattern = UpToNul(pattern);
    if (!key || !table.keyRises || pattern.empty() || pattern.back() != '%') return std::nullopt;
    const std::string prefix = FoldAscii(pattern.substr(0, pattern.size() - 1));
    if (prefix.find_first_of("%_") != std::string::npos) return std::nullopt;
    // Positions whose key is below the prefix, then those that begin with it.
    std::size_t low = 0, high = table.rows();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (key->value(mid) < prefix)
            low = mid + 1;
        else
            high = mid;
    }
    const std::size_t first = low;
    high = table.rows();
    while (low < high) {
        const std::size_t mid = low + (high - low) / 2;
        if (key->value(mid).starts_with(prefix))
            low = mid + 1;
        else
            high = mid;
    }
    return std::make_pair(first, low);
}

namespace {

bool HasColumn(sqlite3* db, const std::string& table, const std::string& column) {
    return sqlite3_table_column_metadata(db, nullptr, table.c_str(), column.c_str(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr) == SQLITE_OK;
}

// Whether the table's rows are reached by their row id under that name: not a
// WITHOUT ROWID table, and no column of its own called rowid.
bool HasPlainRowid(sqlite3* db, const std::string& table) {
    sqlite3_stmt* st = nullptr;
    bool plain = false;
    if (sqlite3_prepare_v2(db,
                           "SELECT (SELECT count(*) FROM pragma_table_info(?1) WHERE name IN "
                           "('rowid','_rowid_','oid') COLLATE NOCASE), "
                           "(SELECT sql NOT LIKE '%WITHOUT%ROWID%' FROM sqlite_master WHERE type='table' "
                           "AND name=?1 COLLATE NOCASE)",
                           -1, &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_text(st, 1, table.c_str(), -1, SQLITE_STATIC);
        plain = sqlite3_step(st) == SQLITE_ROW && sqlite3_column_int(st, 0) == 0 &&
                sqlite3_column_int(st, 1) == 1;
    }
    sqlite3_finalize(st);
    return plain;
}

std::string_view ColumnText(sqlite3_stmt* st, int i) {
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
    // The engine's LIKE reads a value up to its first NUL.
    return t ? std::string_view(t, std::strlen(t)) : std::string_view();
}

NamesTable ReadTable(sqlite3* db, const NamesIndex::IndexedTable& wanted, const std::atomic<bool>* stop) {
    NamesTable table;
    table.name = wanted.table;
    table.orderColumn = wanted.orderColumn;
    std::string sql = "SELECT rowid";
    for (const std::string& c : wanted.columns) {
        if (!HasColumn(db, wanted.table, c)) continue;
        table.columns.emplace_back().name = c;
        sql += "," + SqlIdentifier(c);
    }
    const bool keyed = !wanted.orderColumn.empty();
    // The key, when it is one of the indexed columns (a code column is).
    const NamesColumn* keyColumn = keyed ? table.column(wanted.orderColumn) : nullptr;
    sql += " FROM " + SqlIdentifier(wanted.table) + " ORDER BY " +
           (keyed ? SqlIdentifier(wanted.orderColumn) : std::string("rowid"));
    // Each buffer is sized once: a buffer grown by doubling would hold up to
    // twice its text while it is read.
    std::string sizes = "SELECT count(*)";
    for (const auto& column : table.columns)
        sizes += ", total(length(CAST(" + SqlIdentifier(column.name) + " AS BLOB)))";
    sizes += " FROM " + SqlIdentifier(wanted.table);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sizes.c_str(), -1, &st, nullptr) != SQLITE_OK) throw Error(sqlite3_errmsg(db));
    if (sqlite3_step(st) == SQLITE_ROW) {
        const auto rows = static_cast<std::size_t>(sqlite3_column_int64(st, 0));
        table.rowids.reserve(rows);
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            table.columns[c].folded.reserve(
                static_cast<std::size_t>(sqlite3_column_double(st, static_cast<int>(c) + 1)) + rows);
            table.columns[c].starts.reserve(rows + 1);
        }
    }
    sqlite3_finalize(st);
    st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) throw Error(sqlite3_errmsg(db));
    table.orderIsTotal = !keyed || keyColumn;
    table.keyRises = keyColumn != nullptr;
    std::string previousKey;
    std::vector<std::vector<std::uint32_t>> nulls(table.columns.size());
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (stop && stop->load(std::memory_order_relaxed)) break;
        table.rowids.push_back(sqlite3_column_int64(st, 0));
        for (std::size_t c = 0; c < table.columns.size(); ++c) {
            NamesColumn& column = table.columns[c];
            const int i = static_cast<int>(c) + 1;
            column.starts.push_back(static_cast<std::uint32_t>(column.folded.size()));
            const bool isNull = sqlite3_column_type(st, i) == SQLITE_NULL;
            const std::string_view value = ColumnText(st, i);
            if (isNull) nulls[c].push_back(static_cast<std::uint32_t>(table.rowids.size() - 1));
            if (column.wellFormed && !WellFormedUtf8(value)) column.wellFormed = false;
            const std::size_t at = column.folded.size();
            column.folded.append(value);
            column.folded.push_back('\0');
            for (std::size_t k = at; k < column.folded.size(); ++k) {
                if (column.folded[k] >= 'A' && column.folded[k] <= 'Z')
                    column.folded[k] = static_cast<char>(column.folded[k] - 'A' + 'a');
                ++column.byteCounts[static_cast<unsigned char>(column.folded[k])];
            }
            if (&column == keyColumn) {
                // The key order is only the statement's order when every key
                // is a distinct text (NULLs or a number beside text could tie).
                if (isNull || sqlite3_column_type(st, i) != SQLITE_TEXT ||
                    (table.rowids.size() > 1 && SameFolded(previousKey, value)))
                    table.orderIsTotal = false;
                if (table.rowids.size() > 1 && !(column.value(table.rowids.size() - 2) <
                                                 std::string_view(column.folded).substr(at, value.size())))
                    table.keyRises = false;
                previousKey.assign(value);
            }
        }
    }
    const bool stopped = stop && stop->load(std::memory_order_relaxed);
    if (!stopped && rc != SQLITE_DONE) {
        const std::string message = sqlite3_errmsg(db);
        sqlite3_finalize(st);
        throw Error(message);
    }
    sqlite3_finalize(st);
    if (stopped) throw Interrupted("名稱索引的建立已停止");
    for (std::size_t c = 0; c < table.columns.size(); ++c) {
        NamesColumn& column = table.columns[c];
        column.starts.push_back(static_cast<std::uint32_t>(column.folded.size()));
        column.nulls = RowSet(table.rowids.size());
        for (std::uint32_t r : nulls[c])
            column.nulls.set(r);
    }
    // Positions are 32-bit: a table beyond that is left to the engine.
    if (table.columns.empty() || table.rowids.size() >= 0x7FFFFFFF) table.columns.clear();
    for (const auto& column : table.columns)
        if (column.folded.size() >= 0xFFFFFFFFU) table.columns.clear();
    return table;
}

} // namespace

std::shared_ptr<const NamesIndex> NamesIndex::Build(sqlite3* db, const std::vector<IndexedTable>& tables,
                                                    const std::atomic<bool>* stop) {
    auto index = std::make_shared<NamesIndex>();
    for (const auto& wanted : tables) {
        // A table whose rows have no row id, or a column that hides it, is left
        // out, and so is one without its key.
        const bool keyed = !wanted.orderColumn.empty();
        if (HasPlainRowid(db, wanted.table) && (!keyed || HasColumn(db, wanted.table, wanted.orderColumn))) {
            NamesTable table = ReadTable(db, wanted, stop);
            if (!table.columns.empty()) index->m_tables.push_back(std::move(table));
        }
    }
    return index;
}

} // namespace db
