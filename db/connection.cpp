#include "db/connection.h"

#include <sqlite3.h>

#include <chrono>

#include "db/nameskeeper.h"
#include "db/namesrows.h"
#include "text/text.h"

namespace db {

namespace {

// A build that failed (a writer held the file) is tried again after this long.
constexpr std::chrono::seconds NamesRetryAfter{2};

const char* const BusyMessage =
    "資料庫正忙於另一項查詢，請稍後再試 (a statement is still running on this connection)";

// LEN(text): the length of a text in characters, as Jet's LEN gives it.
void LenFunction(sqlite3_context* ctx, int argc, sqlite3_value** argv) {
    if (argc != 1 || sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const unsigned char* t = sqlite3_value_text(argv[0]);
    int bytes = sqlite3_value_bytes(argv[0]);
    std::string_view s(reinterpret_cast<const char*>(t), static_cast<std::size_t>(bytes));
    sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(text::CharacterCount(s)));
}

} // namespace

Connection::Connection() = default;

Connection::~Connection() {
    close();
}

void Connection::open(const std::string& path, bool create) {
    openWith(path, SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0));
}

void Connection::openReadOnly(const std::string& path) {
    openWith(path, SQLITE_OPEN_READONLY);
}

void Connection::openWith(const std::string& path, int flags) {
    close();
    sqlite3* db = nullptr;
    // One thread uses a connection: the engine's own locking of every call is not needed.
    int rc = sqlite3_open_v2(path.c_str(), &db, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw Error(msg);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_create_function_v2(db, "LEN", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LenFunction,
                               nullptr, nullptr, nullptr);
    detail::RegisterNamesRows(db);
    // Reading the schema forces the header to be read: a file that is not a
    // database fails here with the engine's message.
    char* err = nullptr;
    rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db);
        sqlite3_free(err);
        sqlite3_close_v2(db);
        throw Error(msg);
    }
    m_db = db;
    m_path = path;
}

void Connection::close() {
    // The statement that called the handler still runs in the engine: the
    // connection under it must stay.
    if (m_inHandler) throw Error(BusyMessage);
    m_names.reset();
    m_namesWanted = false;
    if (m_db) {
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
        // close_v2 waits for statements still prepared by queries to be finalised.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Connection::exec(const std::string& sql) {
    sqlite3* db = handle();
    char* err = nullptr;
    ++m_running;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
    --m_running;
    // A request that came after the engine had already finished is void too.
    if (m_running == 0) m_interrupt = false;
    if (rc == SQLITE_INTERRUPT) {
        m_interrupt = false;
        sqlite3_free(err);
        throw Interrupted(sqlite3_errstr(rc));
    }
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(m_db);
        sqlite3_free(err);
        throw Error(msg);
    }
}

bool Connection::isReadOnly() const {
    return m_db && sqlite3_db_readonly(m_db, "main") == 1;
}

std::int64_t Connection::dataVersion() {
    // Read inside a read of its own, so that it is the file's version now.
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM sqlite_master", -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        return -1;
    }
    std::int64_t version = -1;
    unsigned int value = 0;
    if (step(st) == SQLITE_ROW &&
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_DATA_VERSION, &value) == SQLITE_OK)
        version = value;
    sqlite3_finalize(st);
    return version;
}

void Connection::startNamesIndex(const NamesIndexSetup& setup) {
    m_namesSetup = std::make_shared<const NamesIndexSetup>(setup);
    buildNamesIndex();
}

void Connection::buildNamesIndex() {
    m_namesWanted = true;
    m_names.reset();
    if (!m_db || m_inHandler) return;
    // A database in memory or in a temporary file has no name another handle could open.
    const char* file = sqlite3_db_filename(m_db, "main");
    if (!file || !*file) return;
    // The version must be the file's as it is now (namesIndex() tries again later).
    if (holdsOlderRead()) return;
    const std::int64_t version = dataVersion();
    if (version < 0) return;
    m_names = std::make_unique<NamesKeeper>(file, static_cast<std::uint32_t>(version), m_namesSetup);
}

std::shared_ptr<const NamesIndex> Connection::namesIndex() {
    if (!m_namesWanted || !m_db) return nullptr;
    if (!m_names || (m_names->done() && !m_names->index() && m_names->age() > NamesRetryAfter)) {
        buildNamesIndex();
        return nullptr;
    }
    return m_names->done() ? m_names->index() : nullptr;
}

bool Connection::waitForNamesIndex() {
    if (!m_namesWanted) return false;
    if (!m_names) buildNamesIndex();
    if (!m_names) return false;
    m_names->wait();
    return m_names->index() != nullptr;
}

bool Connection::namesIndexCurrent() {
    unsigned int value = 0;
    if (m_names && m_db &&
        sqlite3_file_control(m_db, "main", SQLITE_FCNTL_DATA_VERSION, &value) == SQLITE_OK &&
        value == m_names->version())
        return true;
    // Stale: dropped now, built again at the next request.
    m_names.reset();
    return false;
}

bool Connection::holdsOlderRead() const {
    if (!m_db) return false;
    bool busy = false;
    for (sqlite3_stmt* s = sqlite3_next_stmt(m_db, nullptr); s && !busy; s = sqlite3_next_stmt(m_db, s))
        // An EXPLAIN reads no rows (and stays "busy" after its last line).
        busy = sqlite3_stmt_busy(s) && !sqlite3_stmt_isexplain(s);
    if (!busy) return false;
    sqlite3_stmt* st = nullptr;
    bool wal = true; // when the mode cannot be read, the careful answer
    if (sqlite3_prepare_v2(m_db, "PRAGMA main.journal_mode", -1, &st, nullptr) == SQLITE_OK &&
        sqlite3_step(st) == SQLITE_ROW) {
        const auto* mode = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        wal = !mode || std::string_view(mode) == "wal";
    }
    sqlite3_finalize(st);
    return wal;
}

sqlite3* Connection::handle() const {
    if (!m_db) throw Error("資料庫尚未開啟");
    if (m_inHandler) throw Error(BusyMessage);
    return m_db;
}

void Connection::setProgressHandler(std::function<void()> handler, int steps) {
    m_progress = std::move(handler);
    if (!m_db) return;
    if (m_progress)
        sqlite3_progress_handler(m_db, steps, &Connection::OnProgress, this);
    else
        sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
}

void Connection::interrupt() {
    if (m_running > 0) m_interrupt = true;
}

int Connection::OnProgress(void* self) {
    auto* c = static_cast<Connection*>(self);
    if (!c->m_interrupt && c->m_progress && !c->m_inHandler) {
        c->m_inHandler = true;
        try {
            c->m_progress();
        } catch (...) {
            // The engine cannot carry an exception through its own frames;
            // an escaped error stops the statement instead.
            c->m_interrupt = true;
        }
        c->m_inHandler = false;
    }
    return c->m_interrupt ? 1 : 0;
}

int Connection::step(sqlite3_stmt* statement) {
    if (m_inHandler) throw Error(BusyMessage);
    ++m_running;
    const int rc = sqlite3_step(statement);
    --m_running;
    if (rc == SQLITE_INTERRUPT || (rc & 0xff) == SQLITE_INTERRUPT) m_interrupt = false;
    // A request that came after the engine had already finished is void.
    if (m_running == 0) m_interrupt = false;
    return rc;
}

Transaction::Transaction(Connection& c) : m_conn(c) {
    m_conn.exec("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (!m_done) {
        try {
            m_conn.exec("ROLLBACK");
        } catch (const Error&) {
            // Nothing more can be done while unwinding.
        }
    }
}

void Transaction::commit() {
    m_conn.exec("COMMIT");
    m_done = true;
}

} // namespace db
