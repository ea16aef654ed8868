#include "db/query.h"

#include <sqlite3.h>
#include <strings.h>

#include "db/connection.h"
#include "db/prepare.h"

namespace db {

Query::Query(Connection& connection) : m_conn(connection) {}

Query::~Query() {
    close();
}

void Query::setText(std::string statement) {
    m_lines.clear();
    m_lines.push_back(std::move(statement));
}

std::string Query::text() const {
    std::string t;
    for (const auto& l : m_lines) {
        t += l;
        t += "\r\n";
    }
    return t;
}

void Query::close() {
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
    m_names.clear();
    m_eof = true;
}

void Query::open() {
    close();
    start(text());
}

void Query::openAs(const std::string& engineText, const std::function<void(sqlite3_stmt*)>& bind) {
    close();
    start(engineText, bind);
}

void Query::start(const std::string& statement, const std::function<void(sqlite3_stmt*)>& bind) {
    sqlite3* db = m_conn.handle();
    m_stmt = detail::PrepareOne(db, statement);
    if (bind) {
        try {
            bind(m_stmt);
        } catch (...) {
            close();
            throw;
        }
    }
    int n = sqlite3_column_count(m_stmt);
    m_names.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(m_stmt, i);
        m_names.emplace_back(name ? name : "");
    }
    m_eof = false;
    step();
}

void Query::step() {
    int rc = m_conn.step(m_stmt);
    if (rc == SQLITE_ROW) return;
    if (rc == SQLITE_DONE) {
        m_eof = true;
        return;
    }
    std::string msg = sqlite3_errmsg(m_conn.handle());
    close();
    if ((rc & 0xff) == SQLITE_INTERRUPT) throw Interrupted(msg);
    throw Error(msg);
}

void Query::next() {
    if (!m_stmt || m_eof) return;
    step();
}

int Query::indexOf(std::string_view name) const {
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i].size() == name.size() && strncasecmp(m_names[i].data(), name.data(), name.size()) == 0)
            return static_cast<int>(i);
    return -1;
}

std::string Query::value(int column) const {
    return std::string(view(column));
}

std::string_view Query::view(int column) const {
    if (!m_stmt || m_eof) throw Error("目前沒有資料列");
    if (column < 0 || column >= fieldCount()) throw Error("找不到欄位");
    const unsigned char* t = sqlite3_column_text(m_stmt, column);
    if (!t) return {};
    int bytes = sqlite3_column_bytes(m_stmt, column);
    return std::string_view(reinterpret_cast<const char*>(t), static_cast<std::size_t>(bytes));
}

std::string Query::field(std::string_view name) const {
    int i = indexOf(name);
    if (i < 0) throw Error("找不到欄位: " + std::string(name));
    return value(i);
}

int Query::execute() {
    close();
    sqlite3* db = m_conn.handle();
    sqlite3_stmt* stmt = detail::PrepareOne(db, text());
    int rc;
    try {
        while ((rc = m_conn.step(stmt)) == SQLITE_ROW) {
        }
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    if (rc != SQLITE_DONE) {
        std::string msg = sqlite3_errmsg(db);
        sqlite3_finalize(stmt);
        if ((rc & 0xff) == SQLITE_INTERRUPT) throw Interrupted(msg);
        throw Error(msg);
    }
    sqlite3_finalize(stmt);
    return sqlite3_changes(db);
}

} // namespace db
