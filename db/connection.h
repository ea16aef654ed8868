#pragma once
// The one connection to the code database.
//
// Contract: a Connection opens an existing SQLite file for reading and writing
// (read-only when the file is), never creates one unless asked, shares the file
// with other programs (no exclusive lock; a busy file is waited for up to a few
// seconds), and registers the Jet functions the statements use (LEN). Every
// engine error is thrown as db::Error with the engine's message.
//
// A long statement can be stopped from the same thread: a progress handler is
// called every few thousand engine steps while a statement runs (a window uses
// it to keep answering keys), and interrupt(), called from that handler or
// from what it runs, makes the running statement fail with db::Interrupted.
// While the handler runs, the engine must not be used on this connection: any
// statement started or stepped then throws db::Error instead.

#include <functional>
#include <string>

#include "db/error.h"

struct sqlite3;
struct sqlite3_stmt;

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
    // Opens an existing file for reading only, whatever its permissions: a
    // statement that would change it fails. For files the program never writes
    // (the coder's guide).
    void openReadOnly(const std::string& path);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    const std::string& path() const { return m_path; }

    // Runs one or more statements that return no rows (schema, import, tests).
    void exec(const std::string& sql);

    // True when the connection can write (false for a read-only file).
    bool isReadOnly() const;

    // Called about every `steps` engine steps while a statement runs; an empty
    // handler removes it.
    void setProgressHandler(std::function<void()> handler, int steps = 2000);
    // Stops the statement that is running now (from inside the progress
    // handler). Outside a running statement it does nothing, so it never
    // touches a later statement.
    void interrupt();
    bool isRunning() const { return m_running > 0; }

    // For the db layer's own internals (queries, import); nothing else needs it.
    // Throws while the progress handler runs.
    sqlite3* handle() const;

    // Steps a statement of this connection (db internals): marks it running for
    // interrupt() and refuses to step from inside the progress handler. Returns
    // the engine's result code; SQLITE_INTERRUPT when interrupted.
    int step(sqlite3_stmt* statement);

private:
    void openWith(const std::string& path, int flags);
    static int OnProgress(void* self);

    sqlite3* m_db = nullptr;
    std::string m_path;
    std::function<void()> m_progress;
    int m_running = 0;
    bool m_inHandler = false;
    bool m_interrupt = false;
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
