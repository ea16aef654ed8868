#include "db/connection.h"

#include <sqlite3.h>

#include "text/text.h"

namespace db {

namespace {

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

Connection::~Connection() { close(); }

void Connection::open(const std::string& path, bool create) {
    close();
    int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
        sqlite3_close_v2(db);
        throw Error(msg);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    sqlite3_create_function_v2(db, "LEN", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, LenFunction, nullptr,
                               nullptr, nullptr);
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
    if (m_db) {
        // close_v2 waits for statements still prepared by queries to be finalised.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void Connection::exec(const std::string& sql) {
    if (!m_db) throw Error("資料庫尚未開啟");
    char* err = nullptr;
    int rc = sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(m_db);
        sqlite3_free(err);
        throw Error(msg);
    }
}

bool Connection::isReadOnly() const { return m_db && sqlite3_db_readonly(m_db, "main") == 1; }

sqlite3* Connection::handle() const {
    if (!m_db) throw Error("資料庫尚未開啟");
    return m_db;
}

Transaction::Transaction(Connection& c) : m_conn(c) { m_conn.exec("BEGIN IMMEDIATE"); }

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
