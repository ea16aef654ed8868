#pragma once
// A query object bound to the connection, used the way the windows use theirs:
//
//   q.close(); q.clear(); q.add("SELECT * FROM ICD10 WHERE"); q.add("ICD10_NO LIKE 'A0%'");
//   q.open();
//   for (; !q.eof(); q.next()) use(q.field("ICD10_NO"));
//
// The statement is a list of lines; the engine receives each line followed by
// CR LF. Rows are read forward from the first; each column is read by name
// (case-insensitively) as text, an empty or NULL value reading as "". A command
// (ALTER TABLE, UPDATE) runs with execute(). Errors throw db::Error carrying the
// engine's message; the query is then closed.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "db/error.h"

struct sqlite3_stmt;

namespace db {

class Connection;

class Query {
public:
    explicit Query(Connection& connection);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Statement lines.
    void clear() { m_lines.clear(); }
    void add(std::string line) { m_lines.push_back(std::move(line)); }
    void setText(std::string statement); // replaces all lines by this one
    const std::vector<std::string>& lines() const { return m_lines; }
    std::vector<std::string>& lines() { return m_lines; }
    std::string text() const; // each line followed by CR LF

    // Runs the statement and stands on its first row (eof() when there is none).
    void open();
    // The same with `engineText` sent in place of the lines, which stay as they
    // are, and `bind` given the prepared statement to bind its parameters
    // before the first row is read; what it binds stays with the statement
    // until the query closes (db internals: the names index's form of a
    // statement, namesquery.h).
    void openAs(const std::string& engineText, const std::function<void(sqlite3_stmt*)>& bind);
    void close();
    bool isOpen() const { return m_stmt != nullptr; }
    bool eof() const { return m_eof; }
    void next();

    // Columns of the open result.
    int fieldCount() const { return static_cast<int>(m_names.size()); }
    const std::string& fieldName(int i) const { return m_names[static_cast<std::size_t>(i)]; }
    bool hasField(std::string_view name) const { return indexOf(name) >= 0; }
    // The position of a column by name (case-insensitive); -1 when the result has none.
    int fieldIndex(std::string_view name) const { return indexOf(name); }
    // Value of the current row as text. Throws for a column the result lacks or
    // when there is no current row.
    std::string field(std::string_view name) const;
    std::string value(int column) const;
    // The same without a copy: the engine's text, valid until next() or close().
    std::string_view view(int column) const;

    // Runs a command; returns the number of rows it changed.
    int execute();

    // The connection the query is bound to.
    Connection& connection() const { return m_conn; }

private:
    int indexOf(std::string_view name) const;
    void step();
    void start(const std::string& text, const std::function<void(sqlite3_stmt*)>& bind = {});

    Connection& m_conn;
    std::vector<std::string> m_lines;
    sqlite3_stmt* m_stmt = nullptr;
    std::vector<std::string> m_names;
    bool m_eof = true;
};

} // namespace db
