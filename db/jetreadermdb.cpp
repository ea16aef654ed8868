// Reading a Jet file on POSIX systems: mdbtools, in a child process.
#include "db/jetreader.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif
#include <unistd.h>

#ifdef ICD_HAVE_LIBMDB
#include <mdbtools.h>
#endif

#include "db/codeindexes.h"
#include "db/connection.h"
#include "db/error.h"
#include "db/jetimport.h"
#include "db/sqltext.h"

namespace db {

namespace {

// In the child process: where progress is reported (see RunReader).
int g_progressFd = -1;

void WriteAll(int fd, const std::string& s) {
    const char* p = s.data();
    std::size_t left = s.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
}

void ReportProgress() {
    if (g_progressFd >= 0) WriteAll(g_progressFd, "p");
}

#ifdef ICD_HAVE_LIBMDB

// The SQLite declaration of a Jet column.
std::string DeclaredType(const MdbColumn& col, bool jet3) {
    switch (col.col_type) {
    case MDB_BOOL:
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return "INTEGER";
    case MDB_FLOAT:
    case MDB_DOUBLE:
        return "REAL";
    case MDB_MONEY:
    case MDB_NUMERIC:
        return "NUMERIC";
    case MDB_DATETIME:
        return "DATETIME";
    case MDB_TEXT: {
        int chars = jet3 ? col.col_size : col.col_size / 2;
        if (chars <= 0) chars = 255;
        return "VARCHAR(" + std::to_string(chars) + ") COLLATE NOCASE";
    }
    case MDB_BINARY:
    case MDB_OLE:
        return "BLOB";
    default: // MEMO, REPID and anything newer: kept as text
        return "TEXT COLLATE NOCASE";
    }
}

struct MdbCloser {
    MdbHandle* mdb;
    ~MdbCloser() {
        if (mdb) mdb_close(mdb);
    }
};

struct TableCloser {
    MdbTableDef* table;
    ~TableCloser() {
        if (table) mdb_free_tabledef(table);
    }
};

struct StatementCloser {
    sqlite3_stmt* st = nullptr;
    ~StatementCloser() { sqlite3_finalize(st); }
};

void Check(sqlite3* db, int rc, int want = SQLITE_OK) {
    if (rc != want) throw Error(std::string("寫入副本失敗: ") + sqlite3_errmsg(db));
}

// Copies one table. A table that yields fewer rows than its definition counts is
// damaged: refused, so that no row goes missing unnoticed.
void CopyTable(MdbHandle* mdb, MdbCatalogEntry* entry, Connection& out, std::size_t bindSize) {
    ReportProgress();
    MdbTableDef* table = mdb_read_table(entry);
    if (!table) throw Error(std::string("無法讀取資料表的定義: ") + entry->object_name);
    TableCloser tableCloser{table};
    if (!mdb_read_columns(table)) throw Error(std::string("無法讀取資料表的欄位: ") + entry->object_name);
    mdb_rewind_table(table);

    const std::string name = table->name;
    const bool jet3 = IS_JET3(mdb);
    const unsigned n = table->num_cols;
    std::vector<MdbColumn*> cols(n);
    std::vector<std::vector<char>> buffers(n, std::vector<char>(bindSize + 1));
    std::vector<int> lens(n, 0);
    std::string create = "CREATE TABLE " + SqlIdentifier(name) + " (";
    std::string insert = "INSERT INTO " + SqlIdentifier(name) + " VALUES (";
    for (unsigned i = 0; i < n; ++i) {
        cols[i] = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        create += (i ? ", " : "") + SqlIdentifier(cols[i]->name) + " " + DeclaredType(*cols[i], jet3);
        insert += i ? ",?" : "?";
        if (mdb_bind_column(table, static_cast<int>(i) + 1, buffers[i].data(), &lens[i]) < 0)
            throw Error("無法讀取資料表的欄位: " + name + "." + std::string(cols[i]->name));
    }
    out.exec(create + ")");
    if (n == 0) return;
    insert += ")";

    sqlite3* db = out.handle();
    StatementCloser st;
    Check(db, sqlite3_prepare_v2(db, insert.c_str(), -1, &st.st, nullptr));
    unsigned long rows = 0;
    while (mdb_fetch_row(table)) {
        for (unsigned i = 0; i < n; ++i) {
            const int p = static_cast<int>(i) + 1;
            const int len = lens[i];
            const int type = cols[i]->col_type;
            if (type == MDB_OLE) {
                std::size_t size = 0;
                void* data = len > 0 ? mdb_ole_read_full(mdb, cols[i], &size) : nullptr;
                if (data && size > 0)
                    sqlite3_bind_blob64(st.st, p, data, size, SQLITE_TRANSIENT);
                else
                    sqlite3_bind_null(st.st, p);
                std::free(data);
            } else if (len <= 0) {
                // Jet reports empty and NULL alike here; the program reads both as "".
                sqlite3_bind_null(st.st, p);
            } else if (type == MDB_BINARY) {
                sqlite3_bind_blob(st.st, p, buffers[i].data(), std::min<int>(len, static_cast<int>(bindSize)),
                                  SQLITE_TRANSIENT);
            } else {
                int shown = std::min<int>(len, static_cast<int>(bindSize));
                sqlite3_bind_text(st.st, p, buffers[i].data(), shown, SQLITE_TRANSIENT);
            }
        }
        Check(db, sqlite3_step(st.st), SQLITE_DONE);
        sqlite3_reset(st.st);
        if (++rows % 2000 == 0) ReportProgress();
        // A damaged page chain can hand out the same rows again and again.
        if (rows > 2ul * table->num_rows + 10000)
            throw Error("資料表已損壞，讀出的資料列遠多於記載的列數: " + name + " 記載 " +
                        std::to_string(table->num_rows) + " 列");
    }
    if (rows < table->num_rows)
        throw Error("資料表已損壞，有些資料列讀不出來: " + name + " 記載 " + std::to_string(table->num_rows) +
                    " 列，只讀出 " + std::to_string(rows) + " 列");
}

// Reads the whole Jet file into a new SQLite file (runs in the child process).
void CopyJetFile(const std::string& jetPath, const std::string& outPath) {
    ReportProgress();
    MdbHandle* mdb = mdb_open(jetPath.c_str(), MDB_NOFLAGS);
    if (!mdb) throw Error("讀取程式無法開啟檔案");
    MdbCloser closer{mdb};
    const std::size_t bindSize = std::size_t{256} * 1024; // long memo texts are kept whole up to this
    mdb_set_bind_size(mdb, bindSize);
    mdb_set_date_fmt(mdb, "%Y-%m-%d %H:%M:%S");
    mdb_set_boolean_fmt_numbers(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE)) throw Error("無法讀取資料表清單");

    Connection out;
    try {
        out.open(outPath, true);
    } catch (const Error& e) {
        throw Error(CannotWriteCopy + ": " + e.what() + "。檔案: " + outPath);
    }
    out.exec("PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN");
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || !mdb_is_user_table(entry)) continue;
        CopyTable(mdb, entry, out, bindSize);
    }
    out.exec("COMMIT");
    ReportProgress();
    OptimizeCodeDatabase(out);
    out.exec("PRAGMA journal_mode=DELETE");
    out.close();
}

// In the child process: reads the Jet file into the copy, saying on the status
// pipe how it went, and ends the process.
[[noreturn]] void RunReader(const int status[2], const int err[2], [[maybe_unused]] pid_t parent,
                            const std::string& jetPath, const std::string& outPath) {
#if defined(__linux__)
    // The reader ends with the program: killed half-way, the program must
    // not leave a reader behind that goes on writing a copy nobody renames.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(1);
#endif
    ::close(status[0]);
    ::close(err[0]);
    ::dup2(err[1], STDERR_FILENO);
    int devnull = ::open("/dev/null", O_WRONLY);
    if (devnull >= 0) ::dup2(devnull, STDOUT_FILENO);
    // Jet 3 keeps its text in the clinic's code page; Jet 4 text is Unicode.
    ::setenv("MDB_JET3_CHARSET", "CP950", 1);
    ::setenv("MDBICONV", "UTF-8", 1);
    ::unsetenv("MDBOPTS");
    g_progressFd = status[1];
    int code = 0;
    try {
        CopyJetFile(jetPath, outPath);
        WriteAll(status[1], "D");
    } catch (const std::exception& e) {
        WriteAll(status[1], std::string("F") + e.what());
        code = 1;
    }
    ::_exit(code);
}

// What the reader said: its report on the status pipe and the end of what it
// printed on its standard error; stalled when it was stopped for making no
// progress.
struct ReaderOutput {
    std::string report;
    std::string said;
    bool stalled = false;
};

// In the program: reads both pipes of the reader until it closes them, and
// stops it when no progress comes for stallSeconds.
ReaderOutput ReadReader(int statusFd, int errFd, pid_t pid, int stallSeconds) {
    ReaderOutput out;
    bool statusOpen = true, errOpen = true;
    auto lastProgress = std::chrono::steady_clock::now();
    char buf[4096];
    while (statusOpen || errOpen) {
        pollfd p[2] = {{statusOpen ? statusFd : -1, POLLIN, 0}, {errOpen ? errFd : -1, POLLIN, 0}};
        int r = ::poll(p, 2, 250);
        if (r < 0 && errno != EINTR) break;
        for (int i = 0; i < 2 && r > 0; ++i) {
            if (!(p[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
            ssize_t n = ::read(p[i].fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                (i == 0 ? statusOpen : errOpen) = false;
                continue;
            }
            if (i == 0) {
                lastProgress = std::chrono::steady_clock::now();
                if (out.report.size() < 65536) out.report.append(buf, static_cast<std::size_t>(n));
            } else {
                out.said.append(buf, static_cast<std::size_t>(n));
                if (out.said.size() > 8192) out.said.erase(0, out.said.size() - 4096);
            }
        }
        if (std::chrono::steady_clock::now() - lastProgress > std::chrono::seconds(stallSeconds)) {
            out.stalled = true;
            ::kill(pid, SIGKILL);
            break;
        }
    }
    return out;
}

// "" when the reader made its copy, otherwise why not: its own message, or how
// it ended with the last line it printed. waited says whether wstatus holds
// how it ended.
std::string ReaderOutcome(ReaderOutput out, bool waited, int wstatus, int stallSeconds) {
    if (out.stalled) return "檔案可能已損壞: 讀取程式 " + std::to_string(stallSeconds) + " 秒沒有進展";
    const bool exitedWell = waited ? (WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) : true;
    std::string& report = out.report;
    report.erase(0, report.find_first_not_of('p'));
    if (report == "D" && exitedWell) return "";
    if (!report.empty() && report[0] == 'F') return report.substr(1);
    std::string why = "檔案已損壞，或是讀取程式不認得的格式";
    if (waited && WIFSIGNALED(wstatus))
        why += " (讀取程式因訊號 " + std::to_string(WTERMSIG(wstatus)) + " 停止)";
    // The reader's last message, if it printed one, says more.
    std::string& said = out.said;
    while (!said.empty() && (said.back() == '\n' || said.back() == '\r'))
        said.pop_back();
    if (auto nl = said.find_last_of('\n'); nl != std::string::npos) said = said.substr(nl + 1);
    if (!said.empty() && said.size() < 300) why += ": " + said;
    return why;
}

#endif // ICD_HAVE_LIBMDB

} // namespace

// Runs the copy in a child process and returns "" on success, otherwise the
// reason it failed. The child reports on its own pipe: 'p' for progress, 'D'
// when done, 'F' and a message when it failed. Its standard error (where the
// reader library prints) comes on a second pipe; the last of it explains a
// crash. A child that makes no progress for stallSeconds is stopped: a damaged
// file can send the reader round in circles.
std::string CopyJetTables(const std::string& jetPath, const std::string& outPath, int stallSeconds) {
#ifndef ICD_HAVE_LIBMDB
    (void)jetPath;
    (void)outPath;
    (void)stallSeconds;
    return "這個版本不能讀取 Jet 資料庫: 建置時找不到 mdbtools";
#else
    int status[2], err[2];
    if (::pipe(status) != 0) return std::string("無法開始轉換: ") + std::strerror(errno);
    if (::pipe(err) != 0) {
        ::close(status[0]);
        ::close(status[1]);
        return std::string("無法開始轉換: ") + std::strerror(errno);
    }
    const pid_t parent = ::getpid();
    pid_t pid = ::fork();
    if (pid < 0) {
        for (int fd : {status[0], status[1], err[0], err[1]})
            ::close(fd);
        return std::string("無法開始轉換: ") + std::strerror(errno);
    }
    if (pid == 0) RunReader(status, err, parent, jetPath, outPath);
    ::close(status[1]);
    ::close(err[1]);
    const ReaderOutput out = ReadReader(status[0], err[0], pid, stallSeconds);
    ::close(status[0]);
    ::close(err[0]);
    int wstatus = 0;
    pid_t w;
    do {
        w = ::waitpid(pid, &wstatus, 0);
    } while (w < 0 && errno == EINTR);
    return ReaderOutcome(out, w == pid, wstatus, stallSeconds);
#endif
}

bool JetReaderAvailable() {
#ifdef ICD_HAVE_LIBMDB
    return true;
#else
    return false;
#endif
}

} // namespace db
