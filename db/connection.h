#pragma once
// The one connection to the code database.
//
// Contract: a Connection opens an existing SQLite file for reading and writing
// (read-only when the file is), is used by one thread at a time (the engine
// does not lock each call), never creates one unless asked, shares the file
// with other programs (no exclusive lock; a busy file is waited for up to a few
// seconds), and registers the Jet functions the statements use (LEN). Every
// engine error is thrown as db::Error with the engine's message.
//
// A long statement can be stopped from the same thread: a progress handler is
// called every few thousand engine steps while a statement runs (a window uses
// it to keep answering keys), and interrupt(), called from that handler or
// from what it runs, makes the running statement fail with db::Interrupted.
// While the handler runs, the engine must not be used on this connection: any
// statement started or stepped then throws db::Error instead, and so do close()
// and open().
//
// The names index (namesindex.h) of the open file, over the tables the caller
// names, is built in the background once startNamesIndex() is called, and
// dropped by close(). namesIndex() gives it only while it still describes the
// database: a change to the file, by this connection or any other, makes it
// stale; it is then built again, and the engine answers meanwhile
// (namesquery.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "db/error.h"

struct sqlite3;
struct sqlite3_stmt;

namespace db {

class NamesIndex;
class NamesKeeper;
struct NamesIndexSetup;

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
    // Closes the file (a no-op when none is open); throws db::Error from inside
    // the progress handler.
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

    // Starts building the names index of the open file over setup's tables in
    // the background (the program calls it after opening, with the code
    // tables its searches read; nothing waits for it). Builds again after a
    // change use the same setup. A connection whose file another build cannot
    // open (a database in memory) never has one.
    void startNamesIndex(const NamesIndexSetup& setup);
    // The names index when it is built and nothing has changed the database
    // since it began; null otherwise (not started, still building, failed, or
    // found stale and being built again).
    std::shared_ptr<const NamesIndex> namesIndex();
    // Waits for the build under way to end (tests, benchmarks): true when the
    // index is there.
    bool waitForNamesIndex();

    // db internals: whether the index in use still describes the database,
    // read while a statement of this connection that began its own read holds
    // it; when not, the index is dropped and built again.
    bool namesIndexCurrent();
    // db internals: true when a statement of this connection is part-way
    // through its rows and so holds a read begun earlier that may be older
    // than the file: only in WAL mode, since in rollback-journal mode a read
    // under way keeps every other connection from committing.
    bool holdsOlderRead() const;

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
    // Starts a build of the names index over m_namesSetup.
    void buildNamesIndex();
    // The file's data version, changed by every commit of any connection; -1
    // when it cannot be read now.
    std::int64_t dataVersion();

    sqlite3* m_db = nullptr;
    std::unique_ptr<NamesKeeper> m_names;
    std::shared_ptr<const NamesIndexSetup> m_namesSetup;
    bool m_namesWanted = false;
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
