#pragma once
// A temporary code database with the program's real schema, for the search
// tests.

#include <string>

#include "db/connection.h"
#include "testsupport/testsupport.h"

namespace searchtest {

class TestDb {
public:
    TestDb() {
        m_path = m_dir.file("icd10_2023.mdb");
        connection.open(m_path, true);
        connection.exec(testsupport::SchemaSql());
    }
    const std::string& path() const { return m_path; }

    void code(const std::string& no, const std::string& cname, const std::string& ename = "",
              const std::string& flag = "Y", const std::string& flag2023 = "",
              const std::string& new2023 = "") {
        connection.exec("INSERT INTO ICD10 VALUES (" + q(no) + "," + q(cname) + "," + q(ename) + "," +
                        q(flag) + "," + q(flag2023) + "," + q(new2023) + ")");
    }
    void cm(const std::string& icd9, const std::string& icd10) {
        connection.exec("INSERT INTO CM VALUES (" + q(icd9) + "," + q(icd10) + ")");
    }
    void icd9(const std::string& no, const std::string& name, const std::string& name2 = "") {
        connection.exec("INSERT INTO ICD9 VALUES (" + q(no) + "," + q(name) + "," + q(name2) + ")");
    }
    void usage(const std::string& icd9, const std::string& rank) {
        connection.exec("INSERT INTO btbindn VALUES (" + q(icd9) + "," + q(rank) + ")");
    }

    db::Connection connection;

    // A value as an SQL literal.
    static std::string q(const std::string& v) {
        std::string out = "'";
        for (char c : v)
            out += c == '\'' ? std::string("''") : std::string(1, c);
        return out + "'";
    }

private:
    testsupport::TempDir m_dir;
    std::string m_path;
};

} // namespace searchtest
