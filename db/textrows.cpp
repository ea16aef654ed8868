#include "db/textrows.h"

#include "db/error.h"
#include "db/query.h"

namespace db {

void TextRows::append(const Query& query, std::span<const int> columns) {
    if (columns.size() != m_columns) throw Error("查詢結果的欄位數與保存的列不符");
    const std::size_t text = m_text.size(), ends = m_ends.size();
    try {
        for (int column : columns) {
            m_text.append(query.view(column));
            // Offsets are 32-bit: a result of 4 GB of text is not kept.
            if (m_text.size() > UINT32_MAX) throw Error("查詢結果過大");
            m_ends.push_back(static_cast<std::uint32_t>(m_text.size()));
        }
    } catch (...) {
        m_text.resize(text);
        m_ends.resize(ends);
        throw;
    }
}

void TextRows::clear() {
    m_text.clear();
    m_ends.clear();
}

void TextRows::clear(std::size_t columns) {
    clear();
    m_columns = columns;
}

} // namespace db
