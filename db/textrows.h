#pragma once
// Rows of a result kept as the engine gave their text, every value of every row
// in one buffer: a result of tens of thousands of rows costs a few growing
// allocations instead of one string per value, and reading a value back costs
// no copy.
//
//   TextRows rows(2);
//   for (; !q.eof(); q.next()) rows.append(q, {0, 1});   // ICD10_NO, ICD10_CNAME
//   rows.size() => 2          rows.at(1, 0) => "A001"      rows.at(1, 1) => "霍亂"
//
// NULL reads as "", as Query reads it.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace db {

class Query;

class TextRows {
public:
    explicit TextRows(std::size_t columns = 0) : m_columns(columns) {}

    // Appends the current row of the query: the given columns, in that order
    // (as many as the rows have). Throws db::Error as Query::view does; the
    // rows held stay as they were.
    void append(const Query& query, std::span<const int> columns);
    // Empties the rows (and, when given, changes the number of columns).
    void clear();
    void clear(std::size_t columns);

    std::size_t size() const { return m_columns ? m_ends.size() / m_columns : 0; }
    std::size_t columns() const { return m_columns; }
    // A value, valid until the next append or clear.
    std::string_view at(std::size_t row, std::size_t column) const {
        const std::size_t i = row * m_columns + column;
        const std::uint32_t begin = i == 0 ? 0 : m_ends[i - 1];
        return std::string_view(m_text).substr(begin, m_ends[i] - begin);
    }
    // The memory the rows hold, in bytes.
    std::size_t bytes() const { return m_text.capacity() + m_ends.capacity() * sizeof(std::uint32_t); }

private:
    std::size_t m_columns;
    std::string m_text;                // every value, one after another
    std::vector<std::uint32_t> m_ends; // where each value ends in m_text, row by row
};

} // namespace db
