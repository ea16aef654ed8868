#pragma once
// The one connection to the code database.
//
// Contract: a Connection opens an existing SQLite file for reading and writing
// (read-only when the file is), never creates one unless asked, shares the file
// with other programs (no exclusive lock; a busy file is waited for up to a few
// seconds), and registers the Jet functions the statements use (LEN). Every
// engine error is thrown as db::Error with the engine's message.

#include <string>

#include "db/error.h"

struct sqlite3;

namespace db {

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Opens the file; with create, a missing file is created empty. Checks that
    // the file really is a database, so a bad file fails here and not later.
    void open(const std::string& path, bool create = false);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const std::string& path() const { return m_path; }

    // Runs one or more statements that return no rows (schema, import, tests).
    void exec(const std::string& sql);

    // True when the connection can write (false for a read-only file).
    bool isReadOnly() const;

    // For the db layer's own internals (queries, import); nothing else needs it.
    sqlite3* handle() const;

private:
    sqlite3* m_db = nullptr;
    std::string m_path;
};

// Runs its statements as one unit: committed by commit(), rolled back when it goes
// out of scope without one (an error half-way leaves the database as it was).
class Transaction {
public:
    explicit Transaction(Connection& c);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& m_conn;
    bool m_done = false;
};

} // namespace db
