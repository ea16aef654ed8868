#pragma once
// The names index: name columns of a database held in memory, so that a word
// condition (ICD10_CNAME LIKE '%扭傷%') is answered by a byte search over one
// buffer instead of the engine decoding the text of every row.
//
// Each indexed column is one buffer holding every row's value with the ASCII
// letters folded to lower case, each value followed by a NUL, in the order the
// caller names for its table: a key's order (code order for ICD10: ICD10_NO,
// whose values are indexed the same way so that a code pattern narrows a name
// search) or the row order (ICD9). A LIKE
// pattern is matched with exactly the engine's rules: ASCII letters in any
// case, every other character exact, % any run of characters (none included),
// _ one character, the whole value. Where bytes alone cannot tell what the
// engine would say (a value or pattern that is not well-formed UTF-8, which the
// engine decodes leniently) the index answers "unknown" and the engine is
// asked instead.
//
//   rows (code order)  0: A00  "霍亂"      "Cholera"
//                      1: A001 "霍亂弧菌"  "Cholera due to Vibrio cholerae"
//   match ICD10_ENAME "%CHOLERA%"  => {0, 1}
//   match ICD10_CNAME "%霍_弧%"     => {1}
//   match ICD10_CNAME "霍亂"        => {0}      (no %: the whole value)
//   match ICD10_NO    "a00%"       => {0, 1}
//   match ICD10_CNAME "%\xE9%"     => unknown  (not well-formed UTF-8)
//
// What is indexed is the caller's to say (NamesIndex::IndexedTable): the
// program passes the code tables its searches read (app/core/indexednames.h);
// db/ itself names no table. An index is a snapshot and never changes once
// built. The connection builds it in the background, checks before each use
// that the database has not changed since, and drops it when it closes
// (connection.h); namesquery.h answers statements from it.
//
// The Alphabetic Index of the coder's guide (guide/indexsearch.h) keeps its own
// word index of the guide's terms, for words that begin a word of a term. To
// find a typed text anywhere inside the terms as the code search does
// (title LIKE '%word%'), it would use this machinery instead: the guide's
// connection calls startNamesIndex() with the guide's table
// ({"term", "", {"title"}}: kept in row order, which is its id order), and its
// word statements are opened through TryOpenWithNames.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace db {

// A set of rows of one indexed table, by position in the table's key order.
class RowSet {
public:
    explicit RowSet(std::size_t size = 0, bool all = false);
    std::size_t size() const { return m_size; }
    bool test(std::size_t i) const { return (m_words[i / 64] >> (i % 64)) & 1U; }
    void set(std::size_t i) { m_words[i / 64] |= std::uint64_t{1} << (i % 64); }
    RowSet& operator&=(const RowSet& other);
    RowSet& operator|=(const RowSet& other);
    RowSet operator~() const;
    std::size_t count() const;
    // The positions in the set, in ascending order.
    std::vector<std::uint32_t> positions() const;
    bool operator==(const RowSet& other) const = default;
    // The bits from `first` up to `end` as a set of their own.
    RowSet slice(std::size_t first, std::size_t end) const;

private:
    void trim();
    std::vector<std::uint64_t> m_words;
    std::size_t m_size = 0;
};

// One column: every row's value, folded, in one buffer.
struct NamesColumn {
    std::string name;                            // as the index names it ("ICD10_CNAME")
    std::string folded;                          // each value, A-Z as a-z, followed by a NUL
    std::vector<std::uint32_t> starts;           // where each row's value begins; one more at the end
    RowSet nulls;                                // rows whose value is NULL
    bool wellFormed = true;                      // every value is well-formed UTF-8
    std::array<std::uint32_t, 256> byteCounts{}; // how often each byte occurs in `folded`

    std::string_view value(std::size_t row) const {
        return std::string_view(folded).substr(starts[row], starts[row + 1] - starts[row] - 1);
    }
};

struct NamesTable {
    std::string name;        // "ICD10"
    std::string orderColumn; // the key the rows are in order of; "" for the row order
    // No two rows share a key (as the column compares them), so the position
    // order is the order of ORDER BY orderColumn, ties impossible.
    bool orderIsTotal = false;
    // The key's folded values rise strictly, byte by byte, from position to
    // position: the rows whose key begins with a text are then one run.
    bool keyRises = false;
    std::vector<std::int64_t> rowids; // the engine's row id of each position
    std::vector<NamesColumn> columns;

    std::size_t rows() const { return rowids.size(); }
    const NamesColumn* column(std::string_view name) const;
};

class NamesIndex {
public:
    // What is indexed, table by table: the table, the key its rows are kept in
    // order of ("" for the row order; the key is best one of the columns, so
    // that a code prefix narrows a name search), and the name columns.
    //   {"ICD10", "ICD10_NO", {"ICD10_NO", "ICD10_CNAME", "ICD10_ENAME"}}
    //   {"ICD9", "", {"ICD9_NAME", "ICD9_NAME2"}}
    struct IndexedTable {
        std::string table;
        std::string orderColumn;
        std::vector<std::string> columns;
    };

    // Reads every table and column of `tables` that the database has through
    // the given handle (tables or columns it lacks are left out, and so is a
    // table whose rows have no plain row id or that lacks its key). When
    // `stop` is given and becomes true the build ends early with
    // db::Interrupted. Engine errors throw db::Error.
    static std::shared_ptr<const NamesIndex> Build(sqlite3* handle, const std::vector<IndexedTable>& tables,
                                                   const std::atomic<bool>* stop = nullptr);

    const std::vector<NamesTable>& tables() const { return m_tables; }
    const NamesTable* table(std::string_view name) const; // case-insensitive

    // The rows whose value matches the LIKE pattern (as the engine reads it:
    // the text between the quotes, each doubled quote one). nullopt when the
    // index cannot tell (CanMatch is false).
    static std::optional<RowSet> Match(const NamesTable& table, const NamesColumn& column,
                                       std::string_view pattern);
    // The same for the rows from `first` up to `end` only: bit i of the set
    // stands for row first + i.
    static std::optional<RowSet> Match(const NamesTable& table, const NamesColumn& column,
                                       std::string_view pattern, std::size_t first, std::size_t end);
    // Whether the index can tell which rows match: the pattern and every value
    // of the column are well-formed UTF-8.
    static bool CanMatch(const NamesColumn& column, std::string_view pattern);
    // The run of positions [first, end) outside which no key matches the
    // pattern "<prefix>%" (a prefix without wildcards), found by halving;
    // nullopt when the key does not rise (keyRises) or the pattern is not such.
    //   keys a00 a000 a001 a01 b00, "A00%" => [0, 3)
    static std::optional<std::pair<std::size_t, std::size_t>> KeyPrefixRows(const NamesTable& table,
                                                                            std::string_view pattern);

    // The memory the index holds, in bytes.
    std::size_t bytes() const;

private:
    std::vector<NamesTable> m_tables;
};

// What a connection's names index is built over (Connection::startNamesIndex).
struct NamesIndexSetup {
    std::vector<NamesIndex::IndexedTable> tables;
    // Called on the build's thread once the tables are read and before the
    // index is published, at every build (a test commits a write here, to see
    // an index read across a commit found stale and not used). Must not throw.
    std::function<void()> afterRead;
};

// Whether a value matches a LIKE pattern by the engine's rules, both taken as
// well-formed UTF-8 and folded (A-Z as a-z): % any run of characters, _ one
// character. Exposed for the tests.
bool LikeMatches(std::string_view value, std::string_view pattern);

// Whether the bytes are well-formed UTF-8 that the engine reads back as the
// same characters: no overlong forms, no surrogates, nothing above U+10FFFF,
// no U+FFFE or U+FFFF.
bool WellFormedUtf8(std::string_view bytes);

// A-Z as a-z, every other byte as it is (the case rule of LIKE and NOCASE).
std::string FoldAscii(std::string_view text);
// Equal once A-Z are taken as a-z: how the engine compares names and
// keywords, and how a NOCASE column compares its values.
bool SameFolded(std::string_view a, std::string_view b);

} // namespace db
