#include "db/statement.h"

#include <sqlite3.h>

#include <charconv>

#include "db/connection.h"
#include "db/prepare.h"

namespace db {

Statement::Statement(Connection& connection, const std::string& sql) : m_conn(connection) {
    m_stmt = detail::PrepareOne(m_conn.handle(), sql);
}

Statement::~Statement() {
    sqlite3_finalize(m_stmt);
}

void Statement::fail() {
    std::string msg = sqlite3_errmsg(m_conn.handle());
    sqlite3_reset(m_stmt);
    m_row = false;
    throw Error(msg);
}

void Statement::bind(std::initializer_list<std::string_view> values) {
    sqlite3_reset(m_stmt);
    m_row = false;
    if (static_cast<int>(values.size()) != sqlite3_bind_parameter_count(m_stmt))
        throw Error("查詢敘述要 " + std::to_string(sqlite3_bind_parameter_count(m_stmt)) + " 個值，卻給了 " +
                    std::to_string(values.size()) + " 個");
    int i = 1;
    for (std::string_view v : values)
        if (sqlite3_bind_text(m_stmt, i++, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT) !=
            SQLITE_OK)
            fail();
}

bool Statement::step() {
    int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW) return m_row = true;
    if (rc == SQLITE_DONE) {
        sqlite3_reset(m_stmt);
        return m_row = false;
    }
    fail();
}

int Statement::columnCount() const {
    return sqlite3_column_count(m_stmt);
}

bool Statement::readOnly() const {
    return sqlite3_stmt_readonly(m_stmt) != 0;
}

std::string Statement::column(int index) const {
    if (!m_row) throw Error("目前沒有資料列");
    if (index < 0 || index >= columnCount()) throw Error("找不到欄位");
    const unsigned char* t = sqlite3_column_text(m_stmt, index);
    if (!t) return {};
    return std::string(reinterpret_cast<const char*>(t),
                       static_cast<std::size_t>(sqlite3_column_bytes(m_stmt, index)));
}

long long Statement::columnInt(int index) const {
    if (!m_row) throw Error("目前沒有資料列");
    if (index < 0 || index >= columnCount()) throw Error("找不到欄位");
    return static_cast<long long>(sqlite3_column_int64(m_stmt, index));
}

int Statement::run(std::initializer_list<std::string_view> values) {
    bind(values);
    while (step()) {
    }
    return sqlite3_changes(m_conn.handle());
}

std::string QueryValue(Connection& connection, const std::string& sql) {
    Statement s(connection, sql);
    if (!s.step()) throw Error("查詢沒有傳回資料列: " + sql);
    if (s.columnCount() < 1) throw Error("查詢沒有傳回欄位: " + sql);
    return s.column(0);
}

long long QueryCount(Connection& connection, const std::string& sql) {
    const std::string v = QueryValue(connection, sql);
    long long n = 0;
    auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (ec != std::errc() || end != v.data() + v.size())
        throw Error("查詢結果不是數字: \"" + v + "\"，查詢: " + sql);
    return n;
}

} // namespace db
