#pragma once
// A code database in a temporary file, with the program's schema, for the
// outline browser's tests.
#include <string>

#include "db/connection.h"
#include "db/query.h"
#include "testsupport/testsupport.h"

namespace outlinetest {

// Creates the code database file at path, with the schema, on this connection.
inline void CreateCodeDb(db::Connection& connection, const std::string& path) {
    connection.open(path, true);
    connection.exec("PRAGMA synchronous=OFF"); // a throw-away file: no need to wait for the disk
    connection.exec(testsupport::SchemaSql());
}

inline void AddCode(db::Connection& connection, const std::string& no, const std::string& cname,
                    const std::string& flag = "Y", const std::string& flag2023 = "",
                    const std::string& isNew = "") {
    auto q = [](const std::string& v) {
        std::string out = "'";
        for (char c : v)
            out += c == '\'' ? std::string("''") : std::string(1, c);
        return out + "'";
    };
    connection.exec("INSERT INTO ICD10 VALUES(" + q(no) + "," + q(cname) + "," + q("english " + no) + "," +
                    q(flag) + "," + q(flag2023) + "," + q(isNew) + ")");
}

class CodeDb {
public:
    CodeDb() { CreateCodeDb(connection, dir.file("icd10_2023.mdb")); }
    void add(const std::string& no, const std::string& cname, const std::string& flag = "Y",
             const std::string& flag2023 = "", const std::string& isNew = "") {
        AddCode(connection, no, cname, flag, flag2023, isNew);
    }

    testsupport::TempDir dir;
    db::Connection connection;
};

} // namespace outlinetest
