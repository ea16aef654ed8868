// Fuzzes the search statement builder with random criteria (any bytes in each
// typed criterion, any item of each choice criterion, in the order of the
// criteria tables) and runs the statement on an in-memory
// database with the program's schema. The statement must be one read-only
// SELECT that the engine prepares; running it may find rows or fail with the
// engine's message, but the tables and their rows must stay exactly as they
// were, whatever the typed text holds. The statement answered through the
// names index must give exactly the rows the engine gives for it as written.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/core/indexednames.h"
#include "db/connection.h"
#include "db/namesform.h"
#include "db/namesindex.h"
#include "db/namesquery.h"
#include "db/query.h"
#include "db/statement.h"
#include "search/criteria.h"
#include "search/statement.h"

#ifndef ICD_SCHEMA_FILE
#error "ICD_SCHEMA_FILE must name data/schema.sql"
#endif

#include "fuzzcheck.h"

namespace {

// Everything a harmful statement could change: the schema and every row. The
// statements are prepared once: parsing them again for every input would cost
// more than the input itself.
std::string Fingerprint(db::Connection& c) {
    static std::vector<std::unique_ptr<db::Statement>> parts = [&c] {
        std::vector<std::unique_ptr<db::Statement>> v;
        v.push_back(std::make_unique<db::Statement>(
            c, "SELECT group_concat(type || name || ifnull(sql,''), '|') FROM sqlite_master"));
        for (const char* t : {"ICD10", "CM", "ICD9", "btbindn"})
            v.push_back(std::make_unique<db::Statement>(
                c, std::string("SELECT count(*) || ':' || ifnull(sum(length(quote(") + t +
                       ".rowid))),0) FROM " + t));
        v.push_back(std::make_unique<db::Statement>(
            c, "SELECT group_concat(ICD10_NO || ICD10_CNAME || ICD10_ENAME || ICD10_FLAG, ',') FROM ICD10"));
        return v;
    }();
    std::string out;
    for (auto& part : parts) {
        part->bind({});
        out += part->step() ? part->column(0) : std::string();
        out += '#';
    }
    return out;
}

db::Connection& Database() {
    static db::Connection* c = [] {
        auto* conn = new db::Connection;
        conn->open(":memory:", true);
        std::ifstream f(ICD_SCHEMA_FILE);
        std::stringstream ss;
        ss << f.rdbuf();
        conn->exec(ss.str());
        conn->exec(
            "INSERT INTO ICD10 VALUES('A00','霍亂','Cholera','N','','');"
            "INSERT INTO ICD10 VALUES('S93401A','左側踝部扭傷,初期照護','Sprain of left ankle','Y','','Y');"
            "INSERT INTO ICD10 VALUES('M2551','右側肩關節疼痛','Pain in right shoulder','Y','X','');"
            "INSERT INTO CM VALUES('845.00','S93.401A');INSERT INTO CM VALUES('719.41','M25.51');"
            "INSERT INTO ICD9 VALUES('845.00','踝扭傷','Sprain of ankle');"
            "INSERT INTO btbindn VALUES('84500','00001');"
            "ALTER TABLE ICD10 ADD COLUMN ICD10_RANKING VARCHAR(6);"
            "UPDATE ICD10 SET ICD10_RANKING='五百大' WHERE ICD10_NO='M2551';");
        return conn;
    }();
    return *c;
}

// Reads the criteria from the input bytes: a text runs up to the next 0xFF
// byte (at most 300 bytes), a choice is one byte.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::string text() {
        std::string s;
        while (m_pos < m_size && m_data[m_pos] != 0xFF && s.size() < 300) {
            // A text box never holds a NUL character.
            s += m_data[m_pos] ? static_cast<char>(m_data[m_pos]) : ' ';
            ++m_pos;
        }
        if (m_pos < m_size) ++m_pos;
        return s;
    }
    int choice(std::size_t items) { return m_pos < m_size ? static_cast<int>(m_data[m_pos++] % items) : 0; }
    bool flag() { return choice(2) == 1; }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    db::Connection& conn = Database();
    static const std::string before = Fingerprint(conn);

    Reader p(data, size);
    search::Criteria c;
    for (const search::TextCriterion& t : search::TextCriteria())
        c.*t.text = p.text();
    for (const search::ChoiceCriterion& k : search::ChoiceCriteria())
        c.*k.choice = p.choice(k.items.size());
    c.rankingVisible = p.flag();
    c.differences2023 = p.flag();

    db::Query aux(conn);
    db::Query result(conn);
    std::vector<std::string> lines;
    try {
        lines = search::BuildStatement(c, aux);
    } catch (const db::Error& e) {
        CHECK(*e.what() != '\0');
    }
    if (!lines.empty()) {
        result.lines() = lines;
        // One complete, read-only statement and nothing after it (a second
        // statement is refused by the engine layer).
        try {
            db::Statement stmt(conn, result.text());
            CHECK(stmt.readOnly());
        } catch (const db::Error& e) {
            // Only a pattern past the engine's limit may be refused.
            const std::string msg = e.what();
            CHECK(msg.find("too complex") != std::string::npos || msg.find("too big") != std::string::npos);
        }
        std::vector<std::string> rows;
        bool failed = false;
        try {
            search::OpenResult(result);
            for (; !result.eof(); result.next())
                rows.push_back(result.field("ICD10_NO") + "|" + result.field("ICD10_CNAME"));
        } catch (const db::Error& e) {
            CHECK(*e.what() != '\0');
            failed = true;
        }
        result.close();
        // The database in memory has no names index of its own: one built here.
        static const auto index = db::NamesIndex::Build(conn.handle(), app::IndexedNames());
        if (const auto form = db::NamesFormOf(index, result.text(), 50000); form && !failed) {
            std::vector<std::string> answered;
            db::OpenNamesForm(result, *form);
            for (; !result.eof(); result.next())
                answered.push_back(result.field("ICD10_NO") + "|" + result.field("ICD10_CNAME"));
            result.close();
            CHECK(answered == rows);
        }
    }
    CHECK(Fingerprint(conn) == before);
    return 0;
}
