#pragma once
// A prepared statement with bound values, for programs that write many rows
// (the database build) or read a single value, without building SQL text from
// the values:
//
//   db::Statement add(conn, "INSERT INTO CM (ICD9_NO, ICD10_NO) VALUES (?1, ?2)");
//   add.run({"724.2", "M54.50"});          // values are bound, never quoted into the text
//   db::Statement codes(conn, "SELECT ICD9_NO FROM CM WHERE ICD10_NO LIKE ?1");
//   codes.bind({"M54%"});
//   while (codes.step()) use(codes.column(0));
//   long n = db::QueryCount(conn, "SELECT count(*) FROM CM");
//
// Contract: the text holds exactly one statement (anything after it other than
// blanks is refused); values are bound as text to ?1, ?2, ... in order; every
// engine error throws db::Error with the engine's message, and the statement is
// then reset so that it can be used again. A NULL column reads as "".

#include <initializer_list>
#include <string>
#include <string_view>

#include "db/error.h"

struct sqlite3_stmt;

namespace db {

class Connection;

class Statement {
public:
    Statement(Connection& connection, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Resets the statement and binds these values to ?1, ?2, ...
    void bind(std::initializer_list<std::string_view> values);
    // Steps to the next row: true when there is one, false at the end.
    bool step();
    // The column of the current row as text.
    std::string column(int index) const;
    // The column of the current row as a whole number (0 for NULL; text that is
    // not a number reads as the engine converts it).
    long long columnInt(int index) const;
    int columnCount() const;
    // True when the statement cannot change the database (a SELECT).
    bool readOnly() const;

    // Binds the values and runs a command to its end; returns the rows it changed.
    int run(std::initializer_list<std::string_view> values = {});

private:
    [[noreturn]] void fail();

    Connection& m_conn;
    sqlite3_stmt* m_stmt = nullptr;
    bool m_row = false;
};

// The first column of the first row of a query, as text. Throws db::Error when
// the statement fails or returns no row: a count never reads as 0 by mistake.
std::string QueryValue(Connection& connection, const std::string& sql);
// The same, read as a whole number (throws when the value is not one).
long long QueryCount(Connection& connection, const std::string& sql);

} // namespace db
