#pragma once
// A small code database in a temporary folder with the program's real schema,
// and the checks the fault tests share: a fingerprint of every table and row,
// so a test can tell that nothing was written.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/codedb.h"
#include "testsupport/testsupport.h"

namespace reliability {

using testsupport::SchemaSql;

// The rows every fault test works on: a few codes of several levels, an ICD-9
// code with its CM translations and a usage rank.
inline void FillSampleRows(testsupport::CodeDb& db) {
    const char* codes[][4] = {
        {"A00", "霍亂", "Cholera", "N"},
        {"A000", "霍亂弧菌霍亂", "Cholera due to Vibrio cholerae", "Y"},
        {"A009", "霍亂", "Cholera, unspecified", "Y"},
        {"A01", "傷寒及副傷寒", "Typhoid and paratyphoid fevers", "N"},
        {"A0100", "傷寒", "Typhoid fever, unspecified", "Y"},
        {"S93401A", "左側踝部扭傷,初期照護", "Sprain of left ankle, initial encounter", "Y"},
        {"S93401D", "左側踝部扭傷,後續照護", "Sprain of left ankle, subsequent encounter", "Y"},
        {"M2551", "右側肩關節疼痛", "Pain in right shoulder", "Y"}};
    for (const auto& r : codes)
        db.code(r[0], r[1], r[2], r[3]);
    db.cm("845.00", "S93.401A");
    db.cm("719.41", "M25.51");
    db.icd9("845.00", "踝扭傷", "Sprain of ankle");
    db.icd9("719.41", "肩關節痛", "Pain in joint, shoulder region");
    db.usage("84500", "00001");
    db.usage("71941", "00700");
}

// Creates the database file at path with the schema and the sample rows.
inline void CreateCodeDb(const std::string& path) {
    db::Connection c;
    testsupport::CodeDb db(c, path);
    FillSampleRows(db);
}

inline std::string Scalar(db::Connection& c, const std::string& sql) {
    db::Query q(c);
    q.setText(sql);
    q.open();
    return q.eof() ? std::string() : q.value(0);
}

// The schema and every row of every table, as one text.
inline std::string Fingerprint(db::Connection& c) {
    std::string out = Scalar(c, "SELECT group_concat(type || ':' || name || ':' || ifnull(sql,''), '|') FROM "
                                "(SELECT * FROM sqlite_master ORDER BY name)");
    db::Query tables(c);
    tables.setText("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name");
    std::vector<std::string> names;
    for (tables.open(); !tables.eof(); tables.next())
        names.push_back(tables.value(0));
    for (const std::string& t : names) {
        db::Query rows(c);
        rows.setText("SELECT * FROM \"" + t + "\" ORDER BY rowid");
        out += "\n#" + t;
        for (rows.open(); !rows.eof(); rows.next()) {
            out += "\n";
            for (int i = 0; i < rows.fieldCount(); ++i)
                out += rows.value(i) + "\t";
        }
    }
    return out;
}

inline std::string FingerprintOf(const std::string& path) {
    db::Connection c;
    c.open(path);
    return Fingerprint(c);
}

// Another process that holds an exclusive lock on the database (an open
// write transaction) for as long as the object lives.
class LockHolder {
public:
    explicit LockHolder(const std::string& path) {
        int fds[2];
        if (pipe(fds) != 0) return;
        m_child = fork();
        if (m_child == 0) {
            close(fds[0]);
            char ok = 'n';
            try {
                // Left open on purpose: the child keeps the lock until it is ended.
                auto* c = new db::Connection;
                c->open(path);
                c->exec("BEGIN EXCLUSIVE; UPDATE ICD10 SET ICD10_FLAG=ICD10_FLAG");
                ok = 'y';
            } catch (const db::Error&) {
            }
            (void)!write(fds[1], &ok, 1);
            pause(); // until the test ends it
            _exit(0);
        }
        close(fds[1]);
        char ok = 0;
        m_locked = m_child > 0 && read(fds[0], &ok, 1) == 1 && ok == 'y';
        close(fds[0]);
    }
    ~LockHolder() { release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool locked() const { return m_locked; }
    // Ends the other process; its transaction is never committed.
    void release() {
        if (m_child > 0) {
            kill(m_child, SIGKILL);
            waitpid(m_child, nullptr, 0);
            m_child = -1;
        }
    }

private:
    pid_t m_child = -1;
    bool m_locked = false;
};

// Texts that must reach the engine only as data: quotes, percent signs,
// wildcards, brackets, statement keywords, comment marks, a long text.
inline std::vector<std::string> HostileTexts() {
    return {
        "'",
        "''",
        "O'Brien",
        "\"",
        "%",
        "100%",
        "_",
        "%_%",
        "[A-Z]",
        "[",
        "]",
        "(",
        ")",
        "\\",
        "';",
        "'; DROP TABLE ICD10; --",
        "A00'; DELETE FROM ICD10; --",
        "x' OR '1'='1",
        "') OR 1=1 --",
        "A00%' UNION SELECT name,sql,'','','','' FROM sqlite_master --",
        "/* */",
        "; VACUUM;",
        "頭痛'; UPDATE ICD10 SET ICD10_CNAME='x'; --",
        "許功蓋",
        "\xF0\x9F\x98\x80 \xF0\xA0\x80\x80頭", // characters outside Big5 (an emoji, an extension-B ideograph)
        "e\xCC\x81\xE2\x80\x8B\xEF\xBF\xBD",   // a combining accent, a zero-width space, U+FFFD
        std::string(10000, 'A'),
        std::string(10000, '\''),
        std::string(3333, '%') + "'; DROP TABLE CM; --",
        [] {
            std::string s;
            for (int i = 0; i < 2500; ++i)
                s += "頭痛 ";
            return s;
        }()};
}

} // namespace reliability
