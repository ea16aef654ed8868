// Reading a Jet file on Windows: the Microsoft Access ODBC driver, which the
// clinics' computers have with Microsoft Office or the Access Database Engine.
#include "db/jetreader.h"

#include <windows.h>

#include <sql.h>
#include <sqlext.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>
#include <vector>

#include "db/codeindexes.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/jetimport.h"
#include "text/wide.h"

namespace db {

namespace {

// The names the Access driver goes by: the 64-bit driver of the Access
// Database Engine (2010 and later), then the old 32-bit Jet driver.
const wchar_t* const DriverNames[] = {L"Microsoft Access Driver (*.mdb, *.accdb)",
                                      L"Microsoft Access Driver (*.mdb)"};

// The driver's UTF-16 text of a given length, as UTF-8.
std::string Utf8(const wchar_t* w, std::size_t len) {
    return text::Utf8FromWide(std::wstring_view(w, len));
}

// The driver's own messages for a failed call, joined.
std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle) {
    std::string out;
    for (SQLSMALLINT i = 1; i <= 5; ++i) {
        SQLWCHAR state[6] = {};
        SQLWCHAR text[1024] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT len = 0;
        if (!SQL_SUCCEEDED(SQLGetDiagRecW(type, handle, i, state, &native, text, 1024, &len))) break;
        if (!out.empty()) out += "; ";
        out += Utf8(reinterpret_cast<wchar_t*>(text), static_cast<std::size_t>(len < 1024 ? len : 1023));
    }
    return out;
}

class Handle {
public:
    Handle(SQLSMALLINT type, SQLHANDLE parent) : m_type(type) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(type, parent, &m_handle))) m_handle = SQL_NULL_HANDLE;
    }
    ~Handle() {
        if (m_handle != SQL_NULL_HANDLE) SQLFreeHandle(m_type, m_handle);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    SQLHANDLE get() const { return m_handle; }
    void check(SQLRETURN rc, const std::string& what) const {
        if (!SQL_SUCCEEDED(rc)) throw Error(what + ": " + Diagnostics(m_type, m_handle));
    }

private:
    SQLSMALLINT m_type;
    SQLHANDLE m_handle = SQL_NULL_HANDLE;
};

struct Disconnect {
    SQLHDBC dbc;
    bool connected = false;
    ~Disconnect() {
        if (connected) SQLDisconnect(dbc);
    }
};

struct StatementCloser {
    sqlite3_stmt* st = nullptr;
    ~StatementCloser() { sqlite3_finalize(st); }
};

std::string QuotedName(const std::string& name) {
    std::string q = "\"";
    for (char ch : name) {
        if (ch == '"') q += '"';
        q += ch;
    }
    return q + "\"";
}

enum class Kind { Integer, Real, Numeric, DateTime, Text, Blob };

struct Column {
    std::string name;
    Kind kind;
    std::string declared;
};

Column Describe(SQLHSTMT st, SQLUSMALLINT i) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT nameLen = 0, type = 0, digits = 0, nullable = 0;
    SQLULEN size = 0;
    SQLDescribeColW(st, i, name, 256, &nameLen, &type, &size, &digits, &nullable);
    Column c{Utf8(reinterpret_cast<wchar_t*>(name), static_cast<std::size_t>(nameLen < 256 ? nameLen : 255)),
             Kind::Text, "TEXT COLLATE NOCASE"};
    switch (type) {
    case SQL_BIT:
    case SQL_TINYINT:
    case SQL_SMALLINT:
    case SQL_INTEGER:
    case SQL_BIGINT:
        c.kind = Kind::Integer;
        c.declared = "INTEGER";
        break;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
        c.kind = Kind::Real;
        c.declared = "REAL";
        break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        c.kind = Kind::Numeric;
        c.declared = "NUMERIC";
        break;
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIMESTAMP:
    case SQL_DATETIME:
    case SQL_TIMESTAMP:
        c.kind = Kind::DateTime;
        c.declared = "DATETIME";
        break;
    case SQL_CHAR:
    case SQL_VARCHAR:
    case SQL_WCHAR:
    case SQL_WVARCHAR:
        c.declared = "VARCHAR(" + std::to_string(size > 0 && size < 65536 ? size : 255) + ") COLLATE NOCASE";
        break;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY:
        c.kind = Kind::Blob;
        c.declared = "BLOB";
        break;
    default: // memo and anything newer: kept as text
        break;
    }
    return c;
}

// The whole value of a text or binary column, read in pieces. False for NULL.
bool ReadLong(SQLHSTMT st, SQLUSMALLINT i, SQLSMALLINT cType, std::string& bytes) {
    bytes.clear();
    char buf[8192];
    for (;;) {
        SQLLEN got = 0;
        SQLRETURN rc = SQLGetData(st, i, cType, buf, sizeof buf, &got);
        if (rc == SQL_NO_DATA) break;
        if (!SQL_SUCCEEDED(rc)) throw Error("無法讀取欄位值: " + Diagnostics(SQL_HANDLE_STMT, st));
        if (got == SQL_NULL_DATA) return false;
        // A piece that fills the buffer leaves out the terminating zero (two
        // bytes for wide text) and says there is more.
        const std::size_t terminator = cType == SQL_C_WCHAR ? sizeof(SQLWCHAR) : 0;
        std::size_t piece = sizeof buf - terminator;
        if (got != SQL_NO_TOTAL && static_cast<std::size_t>(got) < piece)
            piece = static_cast<std::size_t>(got);
        bytes.append(buf, piece);
        if (rc == SQL_SUCCESS) break;
    }
    return true;
}

void Check(sqlite3* db, int rc, int want = SQLITE_OK) {
    if (rc != want) throw Error(CannotWriteCopy + ": " + sqlite3_errmsg(db));
}

void BindValue(SQLHSTMT st, SQLUSMALLINT i, const Column& c, sqlite3_stmt* insert, int p) {
    SQLLEN ind = 0;
    switch (c.kind) {
    case Kind::Integer: {
        SQLBIGINT v = 0;
        if (!SQL_SUCCEEDED(SQLGetData(st, i, SQL_C_SBIGINT, &v, 0, &ind)))
            throw Error("無法讀取欄位值: " + Diagnostics(SQL_HANDLE_STMT, st));
        if (ind == SQL_NULL_DATA)
            sqlite3_bind_null(insert, p);
        else
            sqlite3_bind_int64(insert, p, v);
        return;
    }
    case Kind::Real: {
        double v = 0;
        if (!SQL_SUCCEEDED(SQLGetData(st, i, SQL_C_DOUBLE, &v, 0, &ind)))
            throw Error("無法讀取欄位值: " + Diagnostics(SQL_HANDLE_STMT, st));
        if (ind == SQL_NULL_DATA)
            sqlite3_bind_null(insert, p);
        else
            sqlite3_bind_double(insert, p, v);
        return;
    }
    case Kind::DateTime: {
        SQL_TIMESTAMP_STRUCT t{};
        if (!SQL_SUCCEEDED(SQLGetData(st, i, SQL_C_TYPE_TIMESTAMP, &t, sizeof t, &ind)))
            throw Error("無法讀取欄位值: " + Diagnostics(SQL_HANDLE_STMT, st));
        if (ind == SQL_NULL_DATA) {
            sqlite3_bind_null(insert, p);
            return;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%04d-%02u-%02u %02u:%02u:%02u", t.year, t.month, t.day, t.hour,
                      t.minute, t.second);
        sqlite3_bind_text(insert, p, text, -1, SQLITE_TRANSIENT);
        return;
    }
    case Kind::Blob: {
        std::string bytes;
        if (!ReadLong(st, i, SQL_C_BINARY, bytes) || bytes.empty())
            sqlite3_bind_null(insert, p);
        else
            sqlite3_bind_blob64(insert, p, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
        return;
    }
    case Kind::Numeric:
    case Kind::Text: {
        std::string bytes;
        // Empty text and NULL alike become NULL, as the program reads both as "".
        if (!ReadLong(st, i, SQL_C_WCHAR, bytes) || bytes.empty()) {
            sqlite3_bind_null(insert, p);
            return;
        }
        const std::string utf8 =
            Utf8(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
        sqlite3_bind_text(insert, p, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        return;
    }
    }
}

void CopyTable(SQLHDBC dbc, const std::string& name, Connection& out, int stallSeconds) {
    Handle st(SQL_HANDLE_STMT, dbc);
    // A query that the driver cannot finish in time is given up (where the
    // driver honours the time-out).
    SQLSetStmtAttrW(st.get(), SQL_ATTR_QUERY_TIMEOUT,
                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(stallSeconds)), 0);
    std::wstring select = L"SELECT * FROM [" + text::WideFromUtf8(name) + L"]";
    st.check(SQLExecDirectW(st.get(), select.data(), SQL_NTS), "無法讀取資料表 " + name);
    SQLSMALLINT n = 0;
    SQLNumResultCols(st.get(), &n);
    std::vector<Column> cols;
    std::string create = "CREATE TABLE " + QuotedName(name) + " (";
    std::string insert = "INSERT INTO " + QuotedName(name) + " VALUES (";
    for (SQLSMALLINT i = 1; i <= n; ++i) {
        cols.push_back(Describe(st.get(), static_cast<SQLUSMALLINT>(i)));
        create += (i > 1 ? ", " : "") + QuotedName(cols.back().name) + " " + cols.back().declared;
        insert += i > 1 ? ",?" : "?";
    }
    try {
        out.exec(create + ")");
    } catch (const Error& e) {
        throw Error(CannotWriteCopy + ": " + e.what());
    }
    if (n == 0) return;
    insert += ")";
    sqlite3* db = out.handle();
    StatementCloser ins;
    Check(db, sqlite3_prepare_v2(db, insert.c_str(), -1, &ins.st, nullptr));
    for (;;) {
        SQLRETURN rc = SQLFetch(st.get());
        if (rc == SQL_NO_DATA) break;
        st.check(rc, "無法讀取資料表 " + name);
        for (SQLSMALLINT i = 1; i <= n; ++i)
            BindValue(st.get(), static_cast<SQLUSMALLINT>(i), cols[static_cast<std::size_t>(i - 1)], ins.st,
                      i);
        Check(db, sqlite3_step(ins.st), SQLITE_DONE);
        sqlite3_reset(ins.st);
    }
}

} // namespace

std::string CopyJetTables(const std::string& jetPath, const std::string& outPath, int stallSeconds) {
    try {
        Handle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
        if (env.get() == SQL_NULL_HANDLE) return "無法啟動 ODBC 驅動程式管理員";
        SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        Handle dbc(SQL_HANDLE_DBC, env.get());
        if (dbc.get() == SQL_NULL_HANDLE) return "無法啟動 ODBC 驅動程式管理員";
        SQLSetConnectAttrW(dbc.get(), SQL_ATTR_ACCESS_MODE, reinterpret_cast<SQLPOINTER>(SQL_MODE_READ_ONLY),
                           0);

        // Read only and shared: the Jet file is never written.
        Disconnect connection{dbc.get()};
        std::string why;
        for (const wchar_t* driver : DriverNames) {
            std::wstring text = L"Driver={" + std::wstring(driver) + L"};DBQ=" + text::WideFromUtf8(jetPath) +
                                L";ReadOnly=1;Exclusive=0;";
            SQLWCHAR done[1024];
            SQLSMALLINT doneLen = 0;
            SQLRETURN rc = SQLDriverConnectW(dbc.get(), nullptr, text.data(), SQL_NTS, done, 1024, &doneLen,
                                             SQL_DRIVER_NOPROMPT);
            if (SQL_SUCCEEDED(rc)) {
                connection.connected = true;
                break;
            }
            why = Diagnostics(SQL_HANDLE_DBC, dbc.get());
        }
        if (!connection.connected) {
            if (!JetReaderAvailable())
                return "未安裝 Microsoft Access ODBC 驅動程式，請安裝與本程式同為 32 或 64 位元的 "
                       "Microsoft Access Database Engine";
            return "Access 驅動程式無法開啟檔案: " + why;
        }

        std::vector<std::string> tables;
        {
            Handle st(SQL_HANDLE_STMT, dbc.get());
            SQLWCHAR kind[] = L"TABLE";
            st.check(SQLTablesW(st.get(), nullptr, 0, nullptr, 0, nullptr, 0, kind, SQL_NTS),
                     "無法讀取資料表清單");
            while (SQL_SUCCEEDED(SQLFetch(st.get()))) {
                std::string name;
                if (ReadLong(st.get(), 3, SQL_C_WCHAR, name))
                    tables.push_back(
                        Utf8(reinterpret_cast<const wchar_t*>(name.data()), name.size() / sizeof(wchar_t)));
            }
        }

        Connection out;
        try {
            out.open(outPath, true);
        } catch (const Error& e) {
            return CannotWriteCopy + ": " + e.what() + "。檔案: " + outPath;
        }
        out.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
        for (const std::string& name : tables)
            CopyTable(dbc.get(), name, out, stallSeconds);
        out.exec("COMMIT");
        OptimizeCodeDatabase(out);
        out.exec("PRAGMA journal_mode=DELETE");
        out.close();
        return "";
    } catch (const std::exception& e) {
        return e.what();
    }
}

bool JetReaderAvailable() {
    Handle env(SQL_HANDLE_ENV, SQL_NULL_HANDLE);
    if (env.get() == SQL_NULL_HANDLE) return false;
    SQLSetEnvAttr(env.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLWCHAR name[256];
    SQLWCHAR attributes[1024];
    SQLSMALLINT nameLen = 0, attributesLen = 0;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (SQL_SUCCEEDED(
        SQLDriversW(env.get(), direction, name, 256, &nameLen, attributes, 1024, &attributesLen))) {
        direction = SQL_FETCH_NEXT;
        const std::wstring found(reinterpret_cast<wchar_t*>(name));
        for (const wchar_t* driver : DriverNames)
            if (found == driver) return true;
    }
    return false;
}

} // namespace db
